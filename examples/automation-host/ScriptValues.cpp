#include "ScriptValues.h"

#include "DispatchObject.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

namespace {

// A readable text for an HRESULT. Wine's message tables have none for the DISP_E codes the library
// raises, so those few are written here.
std::wstring ErrorText(HRESULT code) {
    const std::wstring number = ComSupport::HresultText(code);
    std::wstring message;
    switch (code) {
    case DISP_E_TYPEMISMATCH:
        message = L"a value has no form of the type needed (type mismatch)";
        break;
    case DISP_E_OVERFLOW:
        message = L"a value lies outside the range of the type needed (overflow)";
        break;
    case DISP_E_BADVARTYPE:
        message = L"a value is of a type that cannot be converted";
        break;
    case E_OUTOFMEMORY:
        message = L"out of memory";
        break;
    default: {
        wchar_t text[512] = {};
        const DWORD length = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                            nullptr, static_cast<DWORD>(code), 0, text, 512, nullptr);
        message.assign(text, length);
        while (!message.empty() &&
               (message.back() == L'\n' || message.back() == L'\r' || message.back() == L'.'))
            message.pop_back();
    }
    }
    return message.empty() ? std::wstring(L"error ") + number : message + L" (" + number + L")";
}

_variant_t GetProperty(IDispatch& object, DISPID id) {
    ComSupport::CallResult read = ComSupport::Invoke(object, id, {}, DISPATCH_PROPERTYGET);
    if (FAILED(read.result))
        ComSupport::ThrowCallFailure(read.result, read.exception);
    return read.value;
}

void PutProperty(IDispatch& object, DISPID id, VARIANT& value) {
    ComSupport::CallResult written = ComSupport::Invoke(object, id, {value}, DISPATCH_PROPERTYPUT);
    if (FAILED(written.result))
        ComSupport::ThrowCallFailure(written.result, written.exception);
}

bool FindMember(IDispatch& object, const std::wstring& name, DISPID& id) {
    return SUCCEEDED(ComSupport::MemberId(object, name.c_str(), id));
}

// A new VT_ARRAY|VT_VARIANT of `count` VT_EMPTY elements, owned by the result.
_variant_t NewVariantArray(std::size_t count) {
    if (count > 0x7FFFFFFF)
        throw std::bad_alloc();
    SAFEARRAY* array = SafeArrayCreateVector(VT_VARIANT, 0, static_cast<ULONG>(count));
    if (array == nullptr)
        throw std::bad_alloc();
    _variant_t result;
    result.vt = VT_ARRAY | VT_VARIANT;
    result.parray = array;
    return result;
}

void Copy(VARIANT& target, const VARIANT& source) {
    ComSupport::ThrowIfFailed(VariantCopy(&target, &source));
}

} // namespace

void FillException(EXCEPINFO& exception, HRESULT code, const wchar_t* source, const std::wstring& description) {
    exception = EXCEPINFO{};
    exception.scode = code;
    exception.bstrSource = SysAllocString(source);
    exception.bstrDescription = SysAllocString(description.c_str());
}

HRESULT ReportCurrentException(EXCEPINFO* exception, const wchar_t* source, const wchar_t* method) noexcept {
    try {
        HRESULT code = E_UNEXPECTED;
        std::wstring origin = source;
        std::wstring description;
        try {
            throw;
        } catch (const Refusal& refusal) {
            code = hostRefusal;
            description = refusal.Description();
        } catch (const _com_error& error) {
            code = error.Error();
            // An error a script object raised while the host called it keeps the script's own words.
            if (IErrorInfo* info = error.ErrorInfo()) {
                info->Release(); // ErrorInfo() hands out a reference
                const _bstr_t callee = error.Source();
                if (callee.length() > 0)
                    origin.assign(callee, callee.length());
                const _bstr_t said = error.Description();
                description.assign(said.length() > 0 ? static_cast<const wchar_t*>(said) : L"", said.length());
            }
            if (description.empty())
                description = std::wstring(method) + L" failed: " + ErrorText(code);
        } catch (const std::bad_alloc&) {
            code = E_OUTOFMEMORY;
            description = std::wstring(method) + L" ran out of memory";
        } catch (...) {
            description = std::wstring(method) + L" failed unexpectedly";
        }
        if (exception == nullptr)
            return code;
        FillException(*exception, code, origin.c_str(), description);
        return DISP_E_EXCEPTION;
    } catch (...) {
        return E_OUTOFMEMORY; // not even the description could be made
    }
}

VARIANT& Referenced(VARIANT& argument) {
    VARIANT* value = &argument;
    while (value->vt == (VT_BYREF | VT_VARIANT) && value->pvarVal != nullptr)
        value = value->pvarVal;
    return *value;
}

ArrayData::ArrayData(SAFEARRAY* array) : array(array) {
    ComSupport::ThrowIfFailed(SafeArrayAccessData(array, &data));
}

ScriptValue::ScriptValue(VARIANT& argument, const wchar_t* method) {
    VARIANT& value = Referenced(argument);
    if ((value.vt & (VT_BYREF | VT_ARRAY)) == (VT_BYREF | VT_ARRAY)) {
        view.vt = value.vt & ~VT_BYREF;
        view.parray = value.pparray != nullptr ? *value.pparray : nullptr;
    } else if (value.vt & VT_BYREF) {
        ComSupport::ThrowIfFailed(VariantCopyInd(&owned, &value));
        converted = true;
    } else {
        view = value;
    }

    VARIANT& current = Value();
    DISPID lengthId = DISPID_UNKNOWN;
    if (current.vt != VT_DISPATCH || current.pdispVal == nullptr ||
        !FindMember(*current.pdispVal, L"length", lengthId))
        return;
    IDispatchPtr object(current.pdispVal);
    _variant_t length = GetProperty(*object, lengthId);
    const std::wstring expectation = std::wstring(method) + L" expects a JScript array";
    if (FAILED(VariantChangeType(&length, &length, 0, VT_R8)) || !(length.dblVal >= 0) ||
        length.dblVal > 0x7FFFFFFF || length.dblVal != std::floor(length.dblVal))
        throw Refusal(expectation + L" whose length is a whole number from 0 to 2147483647");
    const auto count = static_cast<std::size_t>(length.dblVal);
    std::vector<_variant_t> elements;
    elements.reserve(std::min<std::size_t>(count, 1 << 16));
    for (std::size_t index = 0; index < count; ++index) {
        DISPID id = DISPID_UNKNOWN;
        if (!FindMember(*object, std::to_wstring(index), id))
            throw Refusal(expectation + L" without holes; element " + std::to_wstring(index) +
                          L" was never set");
        elements.push_back(GetProperty(*object, id));
    }
    owned = VariantArray(elements);
    converted = true;
    scriptArray = object;
}

void ScriptValue::WriteBack(const wchar_t* method) {
    if (!scriptArray)
        return;
    const ULONG count = owned.parray->rgsabound[0].cElements;
    ArrayData data(owned.parray);
    for (ULONG index = 0; index < count; ++index) {
        DISPID id = DISPID_UNKNOWN;
        if (!FindMember(*scriptArray, std::to_wstring(index), id))
            throw Refusal(std::wstring(method) + L" lost element " + std::to_wstring(index) +
                          L" of its JScript array");
        PutProperty(*scriptArray, id, data.As<VARIANT>()[index]);
    }
}

void RequireList(const VARIANT& value, bool flat, const std::wstring& expectation) {
    if ((value.vt & (VT_ARRAY | VT_BYREF)) != VT_ARRAY || value.parray == nullptr ||
        SafeArrayGetDim(value.parray) != 1)
        throw Refusal(expectation);
    if (!flat || (value.vt & VT_TYPEMASK) != VT_VARIANT)
        return;
    const ULONG count = value.parray->rgsabound[0].cElements;
    ArrayData data(value.parray);
    for (ULONG index = 0; index < count; ++index) {
        const VARTYPE type = data.As<VARIANT>()[index].vt;
        if ((type & (VT_ARRAY | VT_BYREF)) != 0 || type == VT_DISPATCH || type == VT_UNKNOWN)
            throw Refusal(expectation + L"; element " + std::to_wstring(index) +
                          L" is an array or an object");
    }
}

double NumberArgument(VARIANT& argument) {
    VARIANT& value = Referenced(argument);
    _variant_t number;
    if (value.vt == VT_DISPATCH && value.pdispVal != nullptr) {
        // An object's number is its default value. Read here, an error the object raises reaches the
        // script as its own; inside VariantChangeType it would become a type mismatch.
        _variant_t own = GetProperty(*value.pdispVal, DISPID_VALUE);
        ComSupport::ThrowIfFailed(VariantChangeType(&number, &own, 0, VT_R8));
    } else {
        ComSupport::ThrowIfFailed(VariantChangeType(&number, &value, 0, VT_R8));
    }
    return number.dblVal;
}

_variant_t VariantArray(std::span<const _variant_t> values) {
    _variant_t result = NewVariantArray(values.size());
    ArrayData data(result.parray);
    for (std::size_t index = 0; index < values.size(); ++index)
        Copy(data.As<VARIANT>()[index], values[index]);
    return result;
}

_variant_t WidenToVariantArray(const VARIANT& typed) {
    if (typed.vt == VT_EMPTY)
        return NewVariantArray(0);
    const VARTYPE elementType = typed.vt & VT_TYPEMASK;
    if (typed.vt == (VT_ARRAY | VT_VARIANT))
        return _variant_t(typed);
    if ((typed.vt & ~VT_TYPEMASK) != VT_ARRAY || typed.parray == nullptr ||
        SafeArrayGetDim(typed.parray) != 1 || typed.parray->cbElements > sizeof(LONGLONG) ||
        elementType == VT_DECIMAL || elementType == VT_RECORD)
        throw _com_error(DISP_E_BADVARTYPE);
    const ULONG count = typed.parray->rgsabound[0].cElements;
    const ULONG size = typed.parray->cbElements;
    _variant_t result = NewVariantArray(count);
    ArrayData source(typed.parray);
    ArrayData target(result.parray);
    for (ULONG index = 0; index < count; ++index) {
        // The new array's elements are VT_EMPTY: each takes the element's bits, a BSTR as its own copy.
        VARIANT& element = target.As<VARIANT>()[index];
        const BYTE* bits = source.As<BYTE>() + std::size_t{index} * size;
        if (elementType == VT_BSTR) {
            BSTR text = *reinterpret_cast<const BSTR*>(bits);
            element.bstrVal = text != nullptr ? SysAllocStringLen(text, SysStringLen(text)) : nullptr;
            if (text != nullptr && element.bstrVal == nullptr)
                throw std::bad_alloc();
        } else if (elementType == VT_DISPATCH || elementType == VT_UNKNOWN) {
            std::memcpy(&element.punkVal, bits, size);
            if (element.punkVal != nullptr)
                element.punkVal->AddRef();
        } else {
            std::memcpy(&element.llVal, bits, size);
        }
        element.vt = elementType;
    }
    return result;
}
