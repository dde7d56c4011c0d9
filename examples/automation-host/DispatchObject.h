// The part every late-bound automation object of the host shares: IDispatch without
// a type library, and member names looked up case-insensitively, as VBScript writes them in any case.
#pragma once

#include <windows.h>
#include <oaidl.h>

#include "ComObject.h"

#include <span>

struct DispatchMember {
    const wchar_t* name;
    DISPID id;
};

class DispatchObject : public ComObject<IDispatch> {
public:
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID locale, ITypeInfo** info) override;
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID locale,
                                            DISPID* ids) override;

protected:
    explicit DispatchObject(std::span<const DispatchMember> members) : members(members) {}

private:
    std::span<const DispatchMember> members;
};
