// IUnknown for the host's own COM objects: one interface besides IUnknown, a reference count starting
// at one (the creator's), and deletion at the last Release.
#pragma once

#include <windows.h>
#include <unknwn.h>

#include <atomic>

template <typename Interface>
class ComObject : public Interface {
public:
    ComObject(const ComObject&) = delete;
    ComObject& operator=(const ComObject&) = delete;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
        if (object == nullptr)
            return E_POINTER;
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, __uuidof(Interface))) {
            *object = static_cast<Interface*>(this);
            this->AddRef();
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references; }
    // A reference for whoever finds the object through a plain pointer (a list of live objects), taken only
    // while no last Release is under way on another thread.
    bool AddRefWhileAlive() noexcept {
        ULONG count = references.load();
        while (count != 0)
            if (references.compare_exchange_weak(count, count + 1))
                return true;
        return false;
    }
    ULONG STDMETHODCALLTYPE Release() override {
        const ULONG left = --references;
        if (left == 0)
            delete this;
        return left;
    }

protected:
    ComObject() = default;
    virtual ~ComObject() = default;

private:
    std::atomic<ULONG> references{1};
};
