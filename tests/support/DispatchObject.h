// The base of the tests' COM objects: QueryInterface finds IUnknown and IDispatch, the reference count
// starts with the one reference the owner holds, and automation is not implemented (the code under test
// never asks for it). Release never deletes the object; a derived object that owns its lifetime does.
#pragma once

#include <oaidl.h>

#include <atomic>

namespace TestSupport {

class DispatchObject : public IDispatch {
public:
    LONG references() const { return count_; }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override {
        if (object == nullptr)
            return E_POINTER;
        *object = Find(riid);
        if (*object == nullptr)
            return E_NOINTERFACE;
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(++count_); }
    ULONG STDMETHODCALLTYPE Release() override { return static_cast<ULONG>(--count_); }

    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*,
                                     UINT*) override {
        return E_NOTIMPL;
    }

protected:
    // The interface `riid` names, or null; an object with more interfaces adds its own.
    virtual void* Find(REFIID riid) {
        return riid == IID_IUnknown || riid == IID_IDispatch ? static_cast<IDispatch*>(this) : nullptr;
    }

private:
    std::atomic<LONG> count_{1};
};

} // namespace TestSupport
