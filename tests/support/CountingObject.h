// A COM object for tests that counts its references. It never deletes itself: a test owns it (usually on
// the stack) and checks after the code under test that every AddRef was matched by one Release.
#pragma once

#include <oaidl.h>

class CountingObject final : public IDispatch {
public:
    // Starts with the one reference its owner holds.
    LONG references() const { return count; }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override {
        if (object == nullptr)
            return E_POINTER;
        if (riid != IID_IUnknown && riid != IID_IDispatch) {
            *object = nullptr;
            return E_NOINTERFACE;
        }
        *object = static_cast<IDispatch*>(this);
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(++count); }
    ULONG STDMETHODCALLTYPE Release() override { return static_cast<ULONG>(--count); }

    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* typeInfoCount) override {
        *typeInfoCount = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
        return DISP_E_UNKNOWNNAME;
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*,
                                     UINT*) override {
        return DISP_E_MEMBERNOTFOUND;
    }

private:
    LONG count = 1;
};
