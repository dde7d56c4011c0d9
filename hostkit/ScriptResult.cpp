// Results a script can use: VBScript indexes only VARIANT arrays, and UBound rejects Empty.
#include <WindowsUtilsHostKit.h>

#include "LockedData.h"

#include <cstring>
#include <new>

namespace HostKit {
namespace {

// `result` (empty) made a new VT_ARRAY|VT_VARIANT of `count` VT_EMPTY elements. The callers return their
// one `result`, so no array is copied on the way out (_variant_t has no move).
void MakeVariantArray(_variant_t& result, std::size_t count) {
    if (count > 0x7FFFFFFF)
        throw std::bad_alloc();
    SAFEARRAY* array = SafeArrayCreateVector(VT_VARIANT, 0, static_cast<ULONG>(count));
    if (array == nullptr)
        throw std::bad_alloc();
    result.vt = VT_ARRAY | VT_VARIANT;
    result.parray = array;
}

// Each element takes its number's bits: the loop the compiler makes for one element size.
template <typename Bits>
void WidenNumbers(const Bits* source, VARIANT* target, ULONG count, VARTYPE type) {
    for (ULONG index = 0; index < count; ++index) {
        std::memcpy(&target[index].llVal, &source[index], sizeof(Bits));
        target[index].vt = type;
    }
}

void WidenStrings(const BSTR* source, VARIANT* target, ULONG count) {
    for (ULONG index = 0; index < count; ++index) {
        const BSTR text = source[index];
        target[index].vt = VT_BSTR;
        target[index].bstrVal = text != nullptr ? SysAllocStringLen(text, SysStringLen(text)) : nullptr;
        if (text != nullptr && target[index].bstrVal == nullptr)
            throw std::bad_alloc();
    }
}

void WidenObjects(IUnknown* const* source, VARIANT* target, ULONG count, VARTYPE type) {
    for (ULONG index = 0; index < count; ++index) {
        target[index].vt = type;
        target[index].punkVal = source[index];
        if (source[index] != nullptr)
            source[index]->AddRef();
    }
}

// The elements of a typed one-dimensional array into the VARIANT array `result` of as many elements.
void Widen(const VARIANT& written, VARIANT& result) {
    const VARTYPE type = written.vt & VT_TYPEMASK;
    SAFEARRAY* array = written.parray;
    const ULONG count = array->rgsabound[0].cElements;
    LockedData source(array);
    LockedData target(result.parray);
    VARIANT* elements = target.As<VARIANT>();
    const ULONG size = array->cbElements;
    if (type == VT_BSTR && size == sizeof(BSTR))
        WidenStrings(source.As<BSTR>(), elements, count);
    else if ((type == VT_DISPATCH || type == VT_UNKNOWN) && size == sizeof(IUnknown*))
        WidenObjects(source.As<IUnknown*>(), elements, count, type);
    else if (type == VT_BSTR || type == VT_DISPATCH || type == VT_UNKNOWN)
        throw _com_error(DISP_E_BADVARTYPE);
    else if (size == 8)
        WidenNumbers(source.As<std::uint64_t>(), elements, count, type);
    else if (size == 4)
        WidenNumbers(source.As<std::uint32_t>(), elements, count, type);
    else if (size == 2)
        WidenNumbers(source.As<std::uint16_t>(), elements, count, type);
    else if (size == 1)
        WidenNumbers(source.As<std::uint8_t>(), elements, count, type);
    else
        throw _com_error(DISP_E_BADVARTYPE);
}

} // namespace

_variant_t ScriptResult(_variant_t&& written) {
    _variant_t result;
    if (written.vt == VT_EMPTY) {
        MakeVariantArray(result, 0);
        return result;
    }
    if ((written.vt & VT_ARRAY) == 0 || written.vt == (VT_ARRAY | VT_VARIANT)) {
        VARIANT detached = written.Detach();
        result.Attach(detached);
        return result;
    }
    const VARTYPE type = written.vt & VT_TYPEMASK;
    SAFEARRAY* array = written.parray;
    if ((written.vt & VT_BYREF) != 0 || array == nullptr || SafeArrayGetDim(array) != 1 ||
        type == VT_DECIMAL || type == VT_RECORD || type == VT_VARIANT ||
        (array->pvData == nullptr && array->rgsabound[0].cElements != 0))
        throw _com_error(DISP_E_BADVARTYPE);
    const ULONG count = array->rgsabound[0].cElements;
    MakeVariantArray(result, count);
    if (count != 0)
        Widen(written, result);
    written.Clear();
    return result;
}

_variant_t ScriptArray(std::span<const _variant_t> values) {
    _variant_t result;
    MakeVariantArray(result, values.size());
    if (!values.empty()) {
        LockedData data(result.parray);
        for (std::size_t index = 0; index < values.size(); ++index) {
            const HRESULT copied = VariantCopy(&data.As<VARIANT>()[index], &values[index]);
            if (FAILED(copied))
                throw _com_error(copied);
        }
    }
    return result;
}

} // namespace HostKit
