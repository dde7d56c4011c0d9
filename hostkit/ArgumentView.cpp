// An argument as the library takes it: references followed, script arrays turned into array values.
#include <WindowsUtilsHostKit.h>

#include "LockedData.h"
#include "Words.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace HostKit {
namespace {

// Whether `type` can be an array's element type: only then does a reference to such an array point at one.
bool IsElementType(VARTYPE type) {
    return type >= VT_I2 && type <= VT_UINT && type != 15;
}

// More levels than any script engine adds: a longer chain (or a cycle) is no script's variable.
constexpr int deepestReference = 16;

void Check(HRESULT result) {
    if (FAILED(result))
        throw _com_error(result);
}

// Raises a script object's own error: with its description, as a Refusal carrying the object's code,
// so that the script sees the error it raised itself; otherwise as the code. Its EXCEPINFO is released.
[[noreturn]] void RaiseObjectError(HRESULT result, EXCEPINFO& exception) {
    if (result == DISP_E_EXCEPTION && exception.pfnDeferredFillIn != nullptr)
        exception.pfnDeferredFillIn(&exception);
    const WideString description(exception.bstrDescription != nullptr ? exception.bstrDescription
                                                                      : OLESTR(""),
                                 SysStringLen(exception.bstrDescription));
    SysFreeString(exception.bstrSource);
    SysFreeString(exception.bstrDescription);
    SysFreeString(exception.bstrHelpFile);
    const HRESULT code = result == DISP_E_EXCEPTION && FAILED(exception.scode) ? exception.scode : result;
    if (result == DISP_E_EXCEPTION && !description.empty())
        throw Refusal(description, code);
    throw _com_error(code);
}

std::optional<DISPID> FindMember(IDispatch& object, const WideString& name) {
    LPOLESTR names[] = {const_cast<LPOLESTR>(name.c_str())};
    DISPID id = DISPID_UNKNOWN;
    if (FAILED(object.GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id)))
        return std::nullopt;
    return id;
}

_variant_t GetProperty(IDispatch& object, DISPID id) {
    DISPPARAMS none{};
    _variant_t value;
    EXCEPINFO exception{};
    const HRESULT result = object.Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET, &none,
                                         &value, &exception, nullptr);
    if (FAILED(result))
        RaiseObjectError(result, exception);
    return value;
}

void PutProperty(IDispatch& object, DISPID id, VARIANT& value) {
    DISPID named = DISPID_PROPERTYPUT;
    DISPPARAMS arguments{&value, &named, 1, 1};
    EXCEPINFO exception{};
    const HRESULT result = object.Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYPUT, &arguments,
                                         nullptr, &exception, nullptr);
    if (FAILED(result))
        RaiseObjectError(result, exception);
}

// The number of elements a script object's `length` promises, refused unless a whole number from 0 up.
ULONG Length(IDispatch& object, DISPID lengthId, const OLECHAR* method) {
    _variant_t length = GetProperty(object, lengthId);
    if (FAILED(VariantChangeType(&length, &length, 0, VT_R8)) || !(length.dblVal >= 0) ||
        length.dblVal > 0x7FFFFFFF || length.dblVal != std::floor(length.dblVal))
        throw Refusal(method +
                      Words(" expects a script array whose length is a whole number from 0 to 2147483647"));
    return static_cast<ULONG>(length.dblVal);
}

} // namespace

ArgumentView::ArgumentView(VARIANT& argument, const OLECHAR* method) : method(method) {
    VARIANT* value = &argument;
    int level = 0;
    for (; value->vt == (VT_BYREF | VT_VARIANT) && value->pvarVal != nullptr; ++level) {
        if (level == deepestReference)
            throw Refusal(method + Words(" expects a value, not a chain of more than 16 references"));
        value = value->pvarVal;
    }
    // No reader takes records, and following a record's reference means trusting its record information:
    // refused before anything behind it is read.
    if ((value->vt & VT_BYREF) != 0 && (value->vt & VT_TYPEMASK) == VT_RECORD)
        throw Refusal(method + Words(" expects numbers, texts or objects, not records"));
    // An array reached through a reference is the caller's own: what changes in it, the caller sees.
    reachesCaller = level > 0 && (value->vt & VT_ARRAY) != 0;
    if ((value->vt & ~VT_TYPEMASK) == (VT_BYREF | VT_ARRAY) && IsElementType(value->vt & VT_TYPEMASK)) {
        view.vt = value->vt & ~VT_BYREF;
        view.parray = value->pparray != nullptr ? *value->pparray : nullptr;
        reachesCaller = true;
    } else if ((value->vt & VT_BYREF) != 0 && value->byref != nullptr) {
        Check(VariantCopyInd(&owned, value));
        usesOwned = true;
    } else {
        view = *value;
    }

    VARIANT& current = Value();
    if (current.vt != VT_DISPATCH || current.pdispVal == nullptr)
        return;
    IDispatch& object = *current.pdispVal;
    const std::optional<DISPID> lengthId = FindMember(object, Words("length"));
    if (!lengthId)
        return;
    const ULONG count = Length(object, *lengthId, method);
    // The elements are asked for one by one, so a length that lies costs one failed look-up, not its
    // promised memory.
    std::vector<_variant_t> elements;
    elements.reserve(std::min<ULONG>(count, 1 << 16));
    for (ULONG index = 0; index < count; ++index) {
        const std::optional<DISPID> id = FindMember(object, Number(index));
        if (!id)
            throw Refusal(method + Words(" expects a script array without holes; element ") + Number(index) +
                          Words(" was never set"));
        elements.push_back(GetProperty(object, *id));
    }
    _variant_t array = ScriptArray(elements);
    object.AddRef();
    scriptObject = &object;
    owned = std::move(array);
    usesOwned = true;
    reachesCaller = true;
}

ArgumentView::~ArgumentView() {
    if (scriptObject != nullptr)
        scriptObject->Release();
}

VARIANT& ArgumentView::Value() noexcept {
    return usesOwned ? static_cast<VARIANT&>(owned) : view;
}

bool ArgumentView::ReachesCaller() const noexcept {
    return reachesCaller;
}

void ArgumentView::WriteBack() {
    if (scriptObject == nullptr)
        return;
    const ULONG count = owned.parray->rgsabound[0].cElements;
    LockedData data(owned.parray);
    for (ULONG index = 0; index < count; ++index) {
        const std::optional<DISPID> id = FindMember(*scriptObject, Number(index));
        if (!id)
            throw Refusal(method + Words(" lost element ") + Number(index) + Words(" of its script array"));
        PutProperty(*scriptObject, *id, data.As<VARIANT>()[index]);
    }
}

double NumberArgument(const VARIANT& argument) {
    _variant_t number;
    Check(VariantChangeType(&number, &argument, 0, VT_R8));
    return number.dblVal;
}

} // namespace HostKit
