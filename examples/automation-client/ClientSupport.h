// What a C++ automation client needs to call an object late-bound through IDispatch::Invoke: owners for
// every VARIANT, BSTR, SAFEARRAY and interface, arrays built from C++ values, a call by name.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace AutomationClient {

// One VARIANT, cleared when it goes.
class Variant {
public:
    Variant() noexcept { VariantInit(&value_); }
    ~Variant() { VariantClear(&value_); }
    Variant(Variant&& other) noexcept : value_(other.value_) { VariantInit(&other.value_); }
    Variant& operator=(Variant&& other) noexcept {
        std::swap(value_, other.value_);
        return *this;
    }
    Variant(const Variant&) = delete;
    Variant& operator=(const Variant&) = delete;

    VARIANT& Get() noexcept { return value_; }
    const VARIANT& Get() const noexcept { return value_; }
    // Cleared first, for a callee to fill.
    VARIANT* Receive() noexcept {
        VariantClear(&value_);
        return &value_;
    }

private:
    VARIANT value_;
};

// An interface pointer, released when it goes.
template <class Interface>
class Reference {
public:
    Reference() = default;
    ~Reference() {
        if (pointer_ != nullptr)
            pointer_->Release();
    }
    Reference(Reference&& other) noexcept : pointer_(std::exchange(other.pointer_, nullptr)) {}
    Reference& operator=(Reference&& other) noexcept {
        std::swap(pointer_, other.pointer_);
        return *this;
    }
    Reference(const Reference&) = delete;
    Reference& operator=(const Reference&) = delete;

    Interface* Get() const noexcept { return pointer_; }
    Interface* operator->() const noexcept { return pointer_; }
    explicit operator bool() const noexcept { return pointer_ != nullptr; }
    // Released first, for a callee to fill.
    Interface** Receive() noexcept {
        if (pointer_ != nullptr)
            std::exchange(pointer_, nullptr)->Release();
        return &pointer_;
    }
    void** ReceiveVoid() noexcept { return reinterpret_cast<void**>(Receive()); }

private:
    Interface* pointer_ = nullptr;
};

// What a failing call leaves in its EXCEPINFO, its strings freed when it goes.
class ExceptionInfo {
public:
    ExceptionInfo() noexcept : info_{} {}
    ~ExceptionInfo() { Clear(); }
    ExceptionInfo(ExceptionInfo&& other) noexcept : info_(other.info_) { other.info_ = {}; }
    ExceptionInfo& operator=(ExceptionInfo&& other) noexcept {
        std::swap(info_, other.info_);
        return *this;
    }
    ExceptionInfo(const ExceptionInfo&) = delete;
    ExceptionInfo& operator=(const ExceptionInfo&) = delete;

    EXCEPINFO* Receive() noexcept {
        Clear();
        return &info_;
    }
    // The deferred fill-in, when the object left one, runs once.
    void Complete() {
        if (info_.pfnDeferredFillIn != nullptr)
            info_.pfnDeferredFillIn(&info_);
        info_.pfnDeferredFillIn = nullptr;
    }
    HRESULT Code() const noexcept { return info_.scode; }
    std::wstring Source() const { return Text(info_.bstrSource); }
    std::wstring Description() const { return Text(info_.bstrDescription); }

private:
    static std::wstring Text(BSTR text) {
        return text != nullptr ? std::wstring(text, SysStringLen(text)) : L"";
    }
    void Clear() noexcept {
        SysFreeString(info_.bstrSource);
        SysFreeString(info_.bstrDescription);
        SysFreeString(info_.bstrHelpFile);
        info_ = {};
    }

    EXCEPINFO info_;
};

// A one-dimensional VT_ARRAY|elementType of `count` elements from the lower bound on, each stored by
// `put(array, position, index)`. Empty (VT_EMPTY) when the array cannot be made.
template <class PutElement>
Variant NewArray(VARTYPE elementType, size_t count, LONG lowerBound, PutElement put) {
    Variant result;
    SAFEARRAYBOUND bound{static_cast<ULONG>(count), lowerBound};
    SAFEARRAY* array = SafeArrayCreate(elementType, 1, &bound);
    if (array == nullptr)
        return result;
    for (size_t index = 0; index < count; ++index)
        put(array, lowerBound + static_cast<LONG>(index), index);
    result.Get().vt = static_cast<VARTYPE>(VT_ARRAY | elementType);
    result.Get().parray = array;
    return result;
}

// The values as a VT_ARRAY|elementType (short for VT_BOOL and VT_I2, VARIANT for VT_VARIANT).
template <class Element>
Variant TypedArray(VARTYPE elementType, std::vector<Element> values, LONG lowerBound = 0) {
    return NewArray(elementType, values.size(), lowerBound,
                    [&](SAFEARRAY* array, LONG position, size_t index) {
                        SafeArrayPutElement(array, &position, &values[index]); // the array stores a copy
                    });
}

// The texts as a VT_ARRAY|VT_BSTR; each element is copied from a temporary BSTR.
inline Variant TextArray(const std::vector<std::wstring>& texts, LONG lowerBound = 0) {
    return NewArray(VT_BSTR, texts.size(), lowerBound, [&](SAFEARRAY* array, LONG position, size_t index) {
        const std::wstring& text = texts[index];
        const std::unique_ptr<OLECHAR, decltype(&SysFreeString)> element(
            SysAllocStringLen(text.data(), static_cast<UINT>(text.size())), &SysFreeString);
        SafeArrayPutElement(array, &position, element.get());
    });
}

// The outcome of one Invoke: its HRESULT, the result value and, for DISP_E_EXCEPTION, the exception.
struct CallResult {
    HRESULT result = E_FAIL;
    Variant value;
    ExceptionInfo exception;
};

// The DISPID of a member, from the object's GetIDsOfNames.
inline HRESULT MemberId(IDispatch& object, const wchar_t* name, DISPID& id) {
    LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
    return object.GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
}

// Invokes a member with the arguments in the order a script writes them (Invoke takes them last first).
// The arguments stay the caller's: a by-reference one shows what the callee wrote back.
inline CallResult Invoke(IDispatch& object, DISPID id, std::vector<VARIANT> arguments,
                         WORD flags = DISPATCH_METHOD) {
    CallResult call;
    std::vector<VARIANT> reversed(arguments.rbegin(), arguments.rend());
    DISPPARAMS parameters{reversed.data(), nullptr, static_cast<UINT>(reversed.size()), 0};
    UINT argumentError = 0;
    call.result = object.Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &parameters, call.value.Receive(),
                                call.exception.Receive(), &argumentError);
    if (call.result == DISP_E_EXCEPTION)
        call.exception.Complete();
    return call;
}

// The same by name; a name the object does not know gives GetIDsOfNames's error.
inline CallResult Call(IDispatch& object, const wchar_t* name, std::vector<VARIANT> arguments,
                       WORD flags = DISPATCH_METHOD) {
    DISPID id = DISPID_UNKNOWN;
    const HRESULT found = MemberId(object, name, id);
    if (FAILED(found)) {
        CallResult call;
        call.result = found;
        return call;
    }
    return Invoke(object, id, std::move(arguments), flags);
}

// A VARIANT referring to another one, as a script passes a variable: VT_BYREF|VT_VARIANT.
inline VARIANT ReferenceTo(VARIANT& target) {
    VARIANT reference;
    VariantInit(&reference);
    reference.vt = VT_BYREF | VT_VARIANT;
    reference.pvarVal = &target;
    return reference;
}

// Copies of the elements of a one-dimensional VT_ARRAY|VT_VARIANT with lower bound 0, the form every
// array of the host has; false for any other value.
inline bool ReadVariantElements(const VARIANT& value, std::vector<Variant>& elements) {
    elements.clear();
    if (value.vt != (VT_ARRAY | VT_VARIANT) || value.parray == nullptr ||
        SafeArrayGetDim(value.parray) != 1 || value.parray->rgsabound[0].lLbound != 0)
        return false;
    const LONG count = static_cast<LONG>(value.parray->rgsabound[0].cElements);
    elements.resize(static_cast<size_t>(count));
    for (LONG index = 0; index < count; ++index)
        if (FAILED(SafeArrayGetElement(value.parray, &index, elements[static_cast<size_t>(index)].Receive())))
            return false;
    return true;
}

} // namespace AutomationClient
