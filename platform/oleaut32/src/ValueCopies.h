// Copies and releases shared by VARIANT values and SAFEARRAY elements.
#pragma once

#include <oleauto.h>

namespace oleaut32 {

// A new string with the same bytes, embedded NULs included; a null source gives an empty string.
inline BSTR duplicateString(BSTR source) {
    return SysAllocStringByteLen(reinterpret_cast<LPCSTR>(source), SysStringByteLen(source));
}

// A null source stays null; E_OUTOFMEMORY when the new string cannot be allocated.
inline HRESULT copyString(BSTR source, BSTR* copy) {
    *copy = source != nullptr ? duplicateString(source) : nullptr;
    return source != nullptr && *copy == nullptr ? E_OUTOFMEMORY : S_OK;
}

inline void addReference(IUnknown* object) {
    if (object != nullptr)
        object->AddRef();
}

inline void release(IUnknown* object) {
    if (object != nullptr)
        object->Release();
}

} // namespace oleaut32
