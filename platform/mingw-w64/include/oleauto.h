// mingw-w64's <oleauto.h>, with the const source parameters the Windows SDK declares. mingw-w64 takes
// the source of VariantCopy, VariantCopyInd, VariantChangeType and VariantChangeTypeEx as non-const; the
// functions never write it, so these overloads hand a const source on unchanged.
#pragma once
#pragma GCC system_header

#include_next <oleauto.h>

inline HRESULT VariantCopy(VARIANTARG* destination, const VARIANTARG* source) {
    return VariantCopy(destination, const_cast<VARIANTARG*>(source));
}

inline HRESULT VariantCopyInd(VARIANT* destination, const VARIANTARG* source) {
    return VariantCopyInd(destination, const_cast<VARIANTARG*>(source));
}

inline HRESULT VariantChangeType(VARIANTARG* destination, const VARIANTARG* source, USHORT flags,
                                 VARTYPE vt) {
    return VariantChangeType(destination, const_cast<VARIANTARG*>(source), flags, vt);
}

inline HRESULT VariantChangeTypeEx(VARIANTARG* destination, const VARIANTARG* source, LCID locale,
                                   USHORT flags, VARTYPE vt) {
    return VariantChangeTypeEx(destination, const_cast<VARIANTARG*>(source), locale, flags, vt);
}
