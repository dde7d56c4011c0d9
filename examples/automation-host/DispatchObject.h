// The part every late-bound automation object of the host shares: reference counting, IDispatch without
// a type library, and member names looked up case-insensitively, as VBScript writes them in any case.
#pragma once

#include <windows.h>
#include <oaidl.h>

#include <atomic>
#include <span>

struct DispatchMember {
    const wchar_t* name;
    DISPID id;
};

class DispatchObject : public IDispatch {
public:
    DispatchObject(const DispatchObject&) = delete;
    DispatchObject& operator=(const DispatchObject&) = delete;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;

    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID locale, ITypeInfo** info) override;
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID locale,
                                            DISPID* ids) override;

protected:
    // The object starts with one reference, the creator's.
    explicit DispatchObject(std::span<const DispatchMember> members) : members(members) {}
    virtual ~DispatchObject() = default;

private:
    std::span<const DispatchMember> members;
    std::atomic<ULONG> references{1};
};
