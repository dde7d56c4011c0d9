// Copies and releases shared by VARIANT values and SAFEARRAY elements.
#pragma once

#include <oleauto.h>

#include <cstddef>

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

// Bytes of a scalar value of that type, wherever it lies (8 for the 8-byte types and any other).
inline std::size_t valueSize(VARTYPE vt) {
    switch (vt) {
    case VT_EMPTY:
    case VT_NULL:
        return 0;
    case VT_I1:
    case VT_UI1:
        return 1;
    case VT_I2:
    case VT_UI2:
    case VT_BOOL:
        return 2;
    case VT_I4:
    case VT_UI4:
    case VT_INT:
    case VT_UINT:
    case VT_R4:
    case VT_ERROR:
        return 4;
    case VT_DECIMAL:
        return sizeof(DECIMAL);
    case VT_BSTR:
    case VT_DISPATCH:
    case VT_UNKNOWN:
        return sizeof(void*);
    default:
        return 8;
    }
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
