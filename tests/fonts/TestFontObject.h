// A font object whose get_hFont gives a chosen handle with a chosen HRESULT: the cases the platform's
// font objects never produce (an orientation, no handle, a handle GDI cannot read, a failing call that
// still gives a handle). Like CountingObject it counts its references and never deletes itself.
#pragma once

#include <ocidl.h>

#include "support/DispatchObject.h"

#include <functional>

namespace FontTests {

class TestFontObject final : public IFont, public TestSupport::DispatchObject {
public:
    // Gives a font made from `logicalFont`, deleted with the object.
    explicit TestFontObject(const LOGFONTW& logicalFont)
        : handle_(CreateFontIndirectW(&logicalFont)), handleResult_(S_OK), ownsHandle_(true) {}
    // Gives `handle`, which stays the caller's, and `handleResult`.
    TestFontObject(HFONT handle, HRESULT handleResult)
        : handle_(handle), handleResult_(handleResult), ownsHandle_(false) {}
    ~TestFontObject() {
        if (ownsHandle_)
            DeleteObject(handle_);
    }
    TestFontObject(const TestFontObject&) = delete;
    TestFontObject& operator=(const TestFontObject&) = delete;

    // Runs at every QueryInterface, before it answers.
    std::function<void()> whenQueried;

    IDispatch* dispatch() { return this; }

    // IFont's IUnknown answers as the base does.
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override {
        if (whenQueried)
            whenQueried();
        return DispatchObject::QueryInterface(riid, object);
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return DispatchObject::AddRef(); }
    ULONG STDMETHODCALLTYPE Release() override { return DispatchObject::Release(); }

    HRESULT STDMETHODCALLTYPE get_hFont(HFONT* font) override {
        *font = handle_;
        return handleResult_;
    }

    // Nothing else is asked of a font by the code under test.
    HRESULT STDMETHODCALLTYPE get_Name(BSTR*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_Name(BSTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_Size(CY*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_Size(CY) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_Bold(BOOL*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_Bold(BOOL) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_Italic(BOOL*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_Italic(BOOL) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_Underline(BOOL*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_Underline(BOOL) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_Strikethrough(BOOL*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_Strikethrough(BOOL) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_Weight(SHORT*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_Weight(SHORT) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_Charset(SHORT*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_Charset(SHORT) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Clone(IFont**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE IsEqual(IFont*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetRatio(LONG, LONG) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE QueryTextMetrics(TEXTMETRICOLE*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE AddRefHfont(HFONT) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE ReleaseHfont(HFONT) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetHdc(HDC) override { return E_NOTIMPL; }

private:
    void* Find(REFIID riid) override {
        if (riid == IID_IUnknown || riid == IID_IFont)
            return static_cast<IFont*>(this);
        return DispatchObject::Find(riid);
    }

    HFONT handle_;
    HRESULT handleResult_;
    bool ownsHandle_;
};

} // namespace FontTests
