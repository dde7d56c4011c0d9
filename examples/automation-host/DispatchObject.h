// The part every late-bound automation object of the host shares: IDispatch without a type library,
// driven by one table per object. Each row names a member (found in any case, as VBScript writes names
// in any case), its DISPID, whether it is a method or a read-only property, how many arguments it takes
// and the function that answers it. GetIDsOfNames and Invoke both read the table; Invoke checks the call
// against the row before the function runs, and turns what the function throws into the caller's error,
// named after the row's member and the object's error source.
#pragma once

#include <windows.h>
#include <oaidl.h>

#include "ComObject.h"
#include "ComSupport.h"

#include <span>

enum class MemberKind {
    method,   // called with DISPATCH_METHOD
    property, // read with DISPATCH_PROPERTYGET (or as a method without arguments); never set
};

// Invoke's arguments, which arrive last first, in the script's order, with the member they were sent to.
class MethodArguments {
public:
    MethodArguments(DISPPARAMS& parameters, const wchar_t* method) : parameters(parameters), method(method) {}
    std::size_t Count() const { return parameters.cArgs; }
    VARIANT& operator[](std::size_t index) { return parameters.rgvarg[parameters.cArgs - 1 - index]; }
    // The member's name, for the texts of its errors.
    const wchar_t* Method() const { return method; }

private:
    DISPPARAMS& parameters;
    const wchar_t* method;
};

template <typename Object>
struct DispatchMember {
    const wchar_t* name;
    DISPID id;
    MemberKind kind;
    UINT fewestArguments;
    UINT mostArguments;
    _variant_t (*function)(Object& object, MethodArguments arguments);
};

// Whether a call with these flags and arguments reaches a member of this kind and argument counts:
// S_OK, or the DISP_E code Invoke returns.
HRESULT CheckCall(MemberKind kind, UINT fewestArguments, UINT mostArguments, WORD flags,
                  const DISPPARAMS& parameters);

// Called inside a catch block: the exception in flight as Invoke's result (DISP_E_EXCEPTION with
// `exception` filled, or the error's own code when the caller passed no EXCEPINFO). An error a script
// raised while the member called back into it reaches the caller as the script's own; anything else as
// the host kit words it, named after the member.
HRESULT ReportFailure(EXCEPINFO* exception, const wchar_t* source, const wchar_t* member) noexcept;

template <typename Object>
class DispatchObject : public ComObject<IDispatch> {
public:
    using Member = DispatchMember<Object>;

    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
        if (count == nullptr)
            return E_POINTER;
        *count = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo** info) override {
        if (info != nullptr)
            *info = nullptr;
        return DISP_E_BADINDEX;
    }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID,
                                            DISPID* ids) override {
        if (!IsEqualIID(iid, IID_NULL))
            return DISP_E_UNKNOWNINTERFACE;
        if (names == nullptr || ids == nullptr)
            return E_POINTER;
        HRESULT result = S_OK;
        for (UINT index = 0; index < count; ++index) {
            ids[index] = DISPID_UNKNOWN;
            // Only the member's own name is known; argument names (index 1 on) never are.
            if (index == 0 && names[0] != nullptr)
                for (const Member& member : members)
                    if (CompareStringOrdinal(names[0], -1, member.name, -1, TRUE) == CSTR_EQUAL)
                        ids[0] = member.id;
            if (ids[index] == DISPID_UNKNOWN)
                result = DISP_E_UNKNOWNNAME;
        }
        return result;
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID iid, LCID, WORD flags, DISPPARAMS* parameters,
                                     VARIANT* result, EXCEPINFO* exception, UINT*) override {
        if (!IsEqualIID(iid, IID_NULL))
            return DISP_E_UNKNOWNINTERFACE;
        DISPPARAMS none{};
        if (parameters == nullptr)
            parameters = &none;
        if (result != nullptr)
            VariantInit(result);
        for (const Member& member : members) {
            if (member.id != id)
                continue;
            const HRESULT accepted =
                CheckCall(member.kind, member.fewestArguments, member.mostArguments, flags, *parameters);
            if (FAILED(accepted))
                return accepted;
            try {
                _variant_t value =
                    member.function(static_cast<Object&>(*this), MethodArguments(*parameters, member.name));
                if (result != nullptr)
                    *result = value.Detach();
                return S_OK;
            } catch (...) {
                return ReportFailure(exception, source, member.name);
            }
        }
        return DISP_E_MEMBERNOTFOUND;
    }

protected:
    // `source` is what a script reads as Err.Source of the object's errors.
    DispatchObject(const wchar_t* source, std::span<const Member> members)
        : source(source), members(members) {}

private:
    const wchar_t* source;
    std::span<const Member> members;
};
