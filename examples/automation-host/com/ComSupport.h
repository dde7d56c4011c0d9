// The COM support the automation host and its clients share: an owner for each thing COM hands out to be
// freed (the apartment, an EXCEPINFO's strings, LocalAlloc'd memory; VARIANTs, BSTRs and interfaces are
// comutil's _variant_t and _com_ptr_t), one way to turn a failed HRESULT into an exception, one
// text for an HRESULT, and a late-bound call by name. Nothing COM-owned is freed by hand elsewhere.
#pragma once

#include <windows.h>
#include <oaidl.h>
#include <oleauto.h>
#include <comdef.h>

#include <cstdio>
#include <string>
#include <utility>
#include <vector>

// mingw-w64's comdef.h declares none for these.
_COM_SMARTPTR_TYPEDEF(IDispatch, __uuidof(IDispatch));
_COM_SMARTPTR_TYPEDEF(IErrorInfo, __uuidof(IErrorInfo));
_COM_SMARTPTR_TYPEDEF(ICreateErrorInfo, __uuidof(ICreateErrorInfo));

namespace ComSupport {

// An HRESULT as its number, "0x80020005": how every message of the host and its clients shows one.
inline std::wstring HresultText(HRESULT code) {
    wchar_t number[16];
    std::swprintf(number, 16, L"0x%08lX", static_cast<unsigned long>(code));
    return number;
}

// A failed HRESULT as a _com_error; success passes.
inline void ThrowIfFailed(HRESULT result) {
    if (FAILED(result))
        throw _com_error(result);
}

// COM initialised on this thread (a single-threaded apartment unless told otherwise) for one scope,
// uninitialised on every path.
class ComApartment {
public:
    explicit ComApartment(DWORD model = COINIT_APARTMENTTHREADED) noexcept
        : result(CoInitializeEx(nullptr, model)) {}
    ~ComApartment() {
        if (SUCCEEDED(result))
            CoUninitialize();
    }
    ComApartment(const ComApartment&) = delete;
    ComApartment& operator=(const ComApartment&) = delete;

    HRESULT Result() const noexcept { return result; }

private:
    HRESULT result;
};

// Memory the platform allocated with LocalAlloc for the caller (CommandLineToArgvW's list), freed with it.
template <typename Pointer>
class LocalMemory {
public:
    explicit LocalMemory(Pointer memory) noexcept : memory(memory) {}
    ~LocalMemory() { LocalFree(reinterpret_cast<HLOCAL>(memory)); }
    LocalMemory(const LocalMemory&) = delete;
    LocalMemory& operator=(const LocalMemory&) = delete;

    Pointer Get() const noexcept { return memory; }

private:
    Pointer memory;
};

// What a failing Invoke leaves in its EXCEPINFO, its strings freed when it goes.
class ExceptionInfo {
public:
    ExceptionInfo() noexcept = default;
    ~ExceptionInfo() { Clear(); }
    ExceptionInfo(ExceptionInfo&& other) noexcept : info(std::exchange(other.info, EXCEPINFO{})) {}
    ExceptionInfo& operator=(ExceptionInfo&& other) noexcept {
        std::swap(info, other.info);
        return *this;
    }

    // Emptied, for a callee to fill.
    EXCEPINFO* Receive() noexcept {
        Clear();
        return &info;
    }
    // Runs the deferred fill-in once, when the callee left one.
    void Complete() {
        if (info.pfnDeferredFillIn != nullptr)
            std::exchange(info.pfnDeferredFillIn, nullptr)(&info);
    }
    // The error's code: scode, or the wCode a callee gave alone (as FACILITY_CONTROL, the way VBScript
    // numbers it), or `otherwise` when it gave neither.
    HRESULT Code(HRESULT otherwise = E_FAIL) const noexcept {
        if (info.scode != 0)
            return info.scode;
        return info.wCode != 0 ? MAKE_HRESULT(SEVERITY_ERROR, FACILITY_CONTROL, info.wCode) : otherwise;
    }
    std::wstring Source() const { return Text(info.bstrSource); }
    std::wstring Description() const { return Text(info.bstrDescription); }

private:
    static std::wstring Text(BSTR text) {
        return text != nullptr ? std::wstring(text, SysStringLen(text)) : L"";
    }
    void Clear() noexcept {
        SysFreeString(info.bstrSource);
        SysFreeString(info.bstrDescription);
        SysFreeString(info.bstrHelpFile);
        info = EXCEPINFO{};
    }

    EXCEPINFO info{};
};

// One of an error's texts (IErrorInfo::GetSource, GetDescription), empty when it has none.
inline std::wstring ErrorInfoText(IErrorInfo& info, HRESULT (STDMETHODCALLTYPE IErrorInfo::*get)(BSTR*)) {
    BSTR text = nullptr;
    const HRESULT result = (info.*get)(&text);
    _variant_t owner;
    owner.vt = VT_BSTR;
    owner.bstrVal = text; // freed with the owner, also when the call failed after all
    if (FAILED(result) || text == nullptr)
        return {};
    return std::wstring(text, SysStringLen(text));
}

// An error as a _com_error carrying its source and description (as the error's IErrorInfo), so that
// whoever reports it passes on these words.
[[noreturn]] inline void ThrowError(HRESULT code, const std::wstring& source,
                                    const std::wstring& description) {
    ICreateErrorInfoPtr creator;
    if (FAILED(CreateErrorInfo(&creator)))
        throw _com_error(code);
    creator->SetSource(const_cast<LPOLESTR>(source.c_str()));
    creator->SetDescription(const_cast<LPOLESTR>(description.c_str()));
    IErrorInfoPtr info = creator;
    throw _com_error(code, info.Detach()); // the error takes over the reference
}

// What a script engine gives the caller of a script object whose code raised: the error went to the
// engine's site (IActiveScriptSite::OnScriptError) instead. The site leaves it in ReportedScriptError.
inline constexpr HRESULT scriptErrorReported = MAKE_HRESULT(SEVERITY_ERROR, FACILITY_DISPATCH, 0x101);

struct ScriptError {
    HRESULT code = S_OK;
    std::wstring source;
    std::wstring description;
};

// The last error a script raised inside a call from outside, on this thread, until the caller takes it.
inline ScriptError& ReportedScriptError() {
    thread_local ScriptError error;
    return error;
}

// A failed call on another object as a _com_error; one that raised DISP_E_EXCEPTION keeps its own code,
// source and description. (A script object's engine gives scriptErrorReported instead, the error itself
// having gone to ReportedScriptError.)
[[noreturn]] inline void ThrowCallFailure(HRESULT result, ExceptionInfo& exception) {
    if (result != DISP_E_EXCEPTION)
        throw _com_error(result);
    exception.Complete();
    ThrowError(exception.Code(), exception.Source(), exception.Description());
}

// --- Calling an object late-bound ----------------------------------------------------------------------

// The DISPID of a member, from the object's GetIDsOfNames.
inline HRESULT MemberId(IDispatch& object, const wchar_t* name, DISPID& id) {
    LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
    return object.GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
}

// The outcome of one Invoke: its HRESULT, the result value and, for DISP_E_EXCEPTION, the exception.
struct CallResult {
    HRESULT result = E_FAIL;
    _variant_t value;
    ExceptionInfo exception;
};

// Invokes a member with the arguments in the order a script writes them (Invoke takes them last first).
// The arguments stay the caller's: a by-reference one shows what the callee wrote back. A property put
// names its one argument DISPID_PROPERTYPUT, as Invoke requires.
inline CallResult Invoke(IDispatch& object, DISPID id, std::vector<VARIANT> arguments,
                         WORD flags = DISPATCH_METHOD) {
    CallResult call;
    std::vector<VARIANT> reversed(arguments.rbegin(), arguments.rend());
    DISPID put = DISPID_PROPERTYPUT;
    const bool putting = (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) != 0;
    DISPPARAMS parameters{reversed.data(), putting ? &put : nullptr, static_cast<UINT>(reversed.size()),
                          putting ? 1u : 0u};
    UINT argumentError = 0;
    call.result =
        object.Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &parameters,
                      putting ? nullptr : call.value.GetAddress(), call.exception.Receive(), &argumentError);
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

// --- Arrays a client builds and reads ------------------------------------------------------------------

// A one-dimensional VT_ARRAY|elementType of `count` elements from the lower bound on, each stored by
// `put(array, position, index)`; _com_error when the array cannot be made.
template <class PutElement>
_variant_t NewArray(VARTYPE elementType, std::size_t count, LONG lowerBound, PutElement put) {
    SAFEARRAYBOUND bound{static_cast<ULONG>(count), lowerBound};
    SAFEARRAY* array = SafeArrayCreate(elementType, 1, &bound);
    if (array == nullptr)
        throw _com_error(E_OUTOFMEMORY);
    _variant_t result;
    result.vt = static_cast<VARTYPE>(VT_ARRAY | elementType);
    result.parray = array;
    for (std::size_t index = 0; index < count; ++index)
        put(array, lowerBound + static_cast<LONG>(index), index);
    return result;
}

// The values as a VT_ARRAY|elementType (short for VT_BOOL and VT_I2, VARIANT for VT_VARIANT); the array
// stores copies.
template <class Element>
_variant_t TypedArray(VARTYPE elementType, const std::vector<Element>& values, LONG lowerBound = 0) {
    return NewArray(
        elementType, values.size(), lowerBound, [&](SAFEARRAY* array, LONG position, std::size_t index) {
            ThrowIfFailed(SafeArrayPutElement(array, &position, const_cast<Element*>(&values[index])));
        });
}

// The texts as a VT_ARRAY|VT_BSTR.
inline _variant_t TextArray(const std::vector<std::wstring>& texts, LONG lowerBound = 0) {
    return NewArray(VT_BSTR, texts.size(), lowerBound,
                    [&](SAFEARRAY* array, LONG position, std::size_t index) {
                        const _variant_t text(texts[index].c_str());
                        ThrowIfFailed(SafeArrayPutElement(array, &position, text.bstrVal));
                    });
}

// Copies of the elements of a one-dimensional VT_ARRAY|VT_VARIANT with lower bound 0, the form every
// array of the host has; false for any other value.
inline bool ReadVariantElements(const VARIANT& value, std::vector<_variant_t>& elements) {
    elements.clear();
    if (value.vt != (VT_ARRAY | VT_VARIANT) || value.parray == nullptr ||
        SafeArrayGetDim(value.parray) != 1 || value.parray->rgsabound[0].lLbound != 0)
        return false;
    const LONG count = static_cast<LONG>(value.parray->rgsabound[0].cElements);
    elements.resize(static_cast<std::size_t>(count));
    for (LONG index = 0; index < count; ++index)
        if (FAILED(SafeArrayGetElement(value.parray, &index,
                                       elements[static_cast<std::size_t>(index)].GetAddress())))
            return false;
    return true;
}

} // namespace ComSupport
