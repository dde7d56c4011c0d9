#include "ValueCopies.h"

#include <cstddef>
#include <cstring>

using namespace oleaut32;

namespace {

// The types a VARIANT may hold: an automation scalar, an array of one, or a reference to either.
bool isValidType(VARTYPE vt) {
    const VARTYPE flags = vt & ~VT_TYPEMASK;
    if ((flags & ~(VT_ARRAY | VT_BYREF)) != 0)
        return false;
    switch (vt & VT_TYPEMASK) {
    case VT_EMPTY:
    case VT_NULL:
        return flags == 0;
    case VT_VARIANT:
        return flags != 0;
    case VT_I2:
    case VT_I4:
    case VT_R4:
    case VT_R8:
    case VT_CY:
    case VT_DATE:
    case VT_BSTR:
    case VT_DISPATCH:
    case VT_ERROR:
    case VT_BOOL:
    case VT_UNKNOWN:
    case VT_DECIMAL:
    case VT_I1:
    case VT_UI1:
    case VT_UI2:
    case VT_UI4:
    case VT_I8:
    case VT_UI8:
    case VT_INT:
    case VT_UINT:
        return true;
    default:
        return false;
    }
}

bool ownsContent(VARTYPE vt) {
    return (vt & VT_BYREF) == 0;
}

// Frees what a valid VARIANT owns; references are not owned.
HRESULT releaseContent(const VARIANT& value) {
    if (!ownsContent(value.vt))
        return S_OK;
    if ((value.vt & VT_ARRAY) != 0)
        return SafeArrayDestroy(value.parray);
    switch (value.vt) {
    case VT_BSTR:
        SysFreeString(value.bstrVal);
        break;
    case VT_DISPATCH:
        release(value.pdispVal);
        break;
    case VT_UNKNOWN:
        release(value.punkVal);
        break;
    default:
        break;
    }
    return S_OK;
}

// A deep copy of a valid VARIANT; on failure the copy is left empty.
HRESULT copyContent(const VARIANT& source, VARIANT* copy) {
    *copy = source;
    if (!ownsContent(source.vt))
        return S_OK;
    HRESULT result = S_OK;
    if ((source.vt & VT_ARRAY) != 0)
        result = SafeArrayCopy(source.parray, &copy->parray);
    else if (source.vt == VT_BSTR) {
        // A VARIANT's null BSTR is copied as an empty one, unlike an element of a BSTR array.
        copy->bstrVal = duplicateString(source.bstrVal);
        result = copy->bstrVal != nullptr ? S_OK : E_OUTOFMEMORY;
    } else if (source.vt == VT_DISPATCH)
        addReference(source.pdispVal);
    else if (source.vt == VT_UNKNOWN)
        addReference(source.punkVal);
    if (FAILED(result))
        VariantInit(copy);
    return result;
}

// What a valid by-reference VARIANT points at, as a VARIANT borrowing its content. VT_BYREF|VT_VARIANT
// is followed one level (and through a by-reference value there), never to a second VT_BYREF|VT_VARIANT.
HRESULT referencedValue(const VARIANT& source, VARIANT& referenced) {
    if (source.byref == nullptr)
        return E_INVALIDARG;
    const VARTYPE vt = source.vt & ~VT_BYREF;
    if (vt == VT_VARIANT) {
        const VARIANT& inner = *source.pvarVal;
        if (inner.vt == (VT_BYREF | VT_VARIANT) || !isValidType(inner.vt))
            return inner.vt == (VT_BYREF | VT_VARIANT) ? E_INVALIDARG : DISP_E_BADVARTYPE;
        if ((inner.vt & VT_BYREF) != 0)
            return referencedValue(inner, referenced);
        referenced = inner;
        return S_OK;
    }
    referenced = VARIANT{};
    if ((vt & VT_ARRAY) != 0) {
        referenced.parray = *source.pparray;
    } else if (vt == VT_DECIMAL) {
        // A DECIMAL fills the whole VARIANT, its first field where vt stands.
        referenced.decVal = *source.pdecVal;
    } else {
        std::memcpy(&referenced.llVal, source.byref, valueSize(vt));
    }
    referenced.vt = vt;
    return S_OK;
}

} // namespace

void WINAPI VariantInit(VARIANTARG* value) {
    *value = VARIANT{};
}

HRESULT WINAPI VariantClear(VARIANTARG* value) {
    if (value == nullptr)
        return E_INVALIDARG;
    if (!isValidType(value->vt))
        return DISP_E_BADVARTYPE;
    // Emptied before the release: a Release may run code that looks at this VARIANT again.
    const VARIANT old = *value;
    VariantInit(value);
    return releaseContent(old);
}

HRESULT WINAPI VariantCopy(VARIANTARG* destination, const VARIANTARG* source) {
    if (destination == nullptr || source == nullptr)
        return E_INVALIDARG;
    if (!isValidType(source->vt))
        return DISP_E_BADVARTYPE;
    if (destination == source)
        return S_OK;
    // Copied before the destination is cleared, so a source held inside the destination survives.
    VARIANT copy;
    const HRESULT copied = copyContent(*source, &copy);
    const HRESULT cleared = VariantClear(destination);
    if (FAILED(copied))
        return copied;
    if (FAILED(cleared)) {
        VariantClear(&copy);
        return cleared;
    }
    *destination = copy;
    return S_OK;
}

HRESULT WINAPI VariantCopyInd(VARIANT* destination, const VARIANTARG* source) {
    if (destination == nullptr || source == nullptr)
        return E_INVALIDARG;
    if (!isValidType(source->vt))
        return DISP_E_BADVARTYPE;
    if ((source->vt & VT_BYREF) == 0)
        return VariantCopy(destination, source);
    VARIANT referenced;
    const HRESULT found = referencedValue(*source, referenced);
    if (FAILED(found))
        return found;
    // Copied before the destination is cleared: the source may be the destination, or point into it.
    VARIANT copy;
    const HRESULT copied = copyContent(referenced, &copy);
    if (FAILED(copied))
        return copied;
    const HRESULT cleared = VariantClear(destination);
    if (FAILED(cleared)) {
        VariantClear(&copy);
        return cleared;
    }
    *destination = copy;
    return S_OK;
}
