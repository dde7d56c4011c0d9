// What the hostile client and the load test share: a seeded random source that gives the same sequence on
// every run, a count of what the platform allocates through COM's allocator, and a few COM owners.
#pragma once

#include "support/SeededRandom.h"

#include <windows.h>
#include <objbase.h>
#include <objidl.h>
#include <oleauto.h>

#include <cstdint>
#include <cstdio>
#include <mutex>
#include <string>
#include <unordered_map>
#include <utility>

namespace Hostile {

using Random = TestSupport::SeededRandom;

// Every block the platform takes from COM's allocator (BSTRs and SAFEARRAYs among them) while it is
// registered, until freed. Wine's BSTR cache would hold freed strings back: it is switched off first.
class AllocationCounter final : public IMallocSpy {
public:
    AllocationCounter() = default;
    ~AllocationCounter() {
        if (registered_)
            CoRevokeMallocSpy();
    }
    AllocationCounter(const AllocationCounter&) = delete;
    AllocationCounter& operator=(const AllocationCounter&) = delete;

    HRESULT Register() {
        using SetOaNoCacheFunction = void(WINAPI*)();
        if (const HMODULE oleaut32 = GetModuleHandleW(L"oleaut32.dll"))
            if (auto noCache = reinterpret_cast<SetOaNoCacheFunction>(
                    reinterpret_cast<void*>(GetProcAddress(oleaut32, "SetOaNoCache"))))
                noCache();
        const HRESULT result = CoRegisterMallocSpy(this);
        registered_ = SUCCEEDED(result);
        return result;
    }
    std::size_t Live() {
        const std::lock_guard lock(mutex_);
        return live_.size();
    }
    // The sizes of the blocks live now that were not live in `before`, for a report.
    std::string Describe(const std::unordered_map<void*, SIZE_T>& before, std::size_t most) {
        const std::lock_guard lock(mutex_);
        std::string text;
        std::size_t shown = 0;
        for (const auto& [block, size] : live_)
            if (!before.contains(block) && shown++ < most)
                text += " " + std::to_string(size) + " bytes";
        return text;
    }
    std::unordered_map<void*, SIZE_T> Blocks() {
        const std::lock_guard lock(mutex_);
        return live_;
    }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
        if (object == nullptr)
            return E_POINTER;
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IMallocSpy)) {
            *object = static_cast<IMallocSpy*>(this);
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    // Lives as long as the run: no count of its own.
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    SIZE_T STDMETHODCALLTYPE PreAlloc(SIZE_T size) override {
        pendingSize = size;
        return size;
    }
    void* STDMETHODCALLTYPE PostAlloc(void* block) override {
        if (block != nullptr) {
            const std::lock_guard lock(mutex_);
            live_[block] = pendingSize;
        }
        return block;
    }
    void* STDMETHODCALLTYPE PreFree(void* block, BOOL) override {
        if (block != nullptr) {
            const std::lock_guard lock(mutex_);
            live_.erase(block);
        }
        return block;
    }
    void STDMETHODCALLTYPE PostFree(BOOL) override {}
    SIZE_T STDMETHODCALLTYPE PreRealloc(void* block, SIZE_T size, void** request, BOOL) override {
        if (block != nullptr) {
            const std::lock_guard lock(mutex_);
            live_.erase(block);
        }
        pendingSize = size;
        *request = block;
        return size;
    }
    void* STDMETHODCALLTYPE PostRealloc(void* block, BOOL) override { return PostAlloc(block); }
    void* STDMETHODCALLTYPE PreGetSize(void* block, BOOL) override { return block; }
    SIZE_T STDMETHODCALLTYPE PostGetSize(SIZE_T size, BOOL) override { return size; }
    void* STDMETHODCALLTYPE PreDidAlloc(void* block, BOOL) override { return block; }
    int STDMETHODCALLTYPE PostDidAlloc(void*, BOOL, int allocated) override { return allocated; }
    void STDMETHODCALLTYPE PreHeapMinimize() override {}
    void STDMETHODCALLTYPE PostHeapMinimize() override {}

private:
    static inline thread_local SIZE_T pendingSize = 0;
    std::mutex mutex_;
    std::unordered_map<void*, SIZE_T> live_;
    bool registered_ = false;
};

// COM for this thread, for the scope.
class Apartment {
public:
    explicit Apartment(DWORD model) : result_(CoInitializeEx(nullptr, model)) {}
    ~Apartment() {
        if (SUCCEEDED(result_))
            CoUninitialize();
    }
    Apartment(const Apartment&) = delete;
    Apartment& operator=(const Apartment&) = delete;
    HRESULT Result() const { return result_; }

private:
    HRESULT result_;
};

// An interface pointer, released when it goes.
template <class Interface>
class Reference {
public:
    Reference() = default;
    ~Reference() { Reset(); }
    Reference(const Reference&) = delete;
    Reference& operator=(const Reference&) = delete;
    void Reset() {
        if (pointer_ != nullptr)
            std::exchange(pointer_, nullptr)->Release();
    }
    Interface** Receive() {
        Reset();
        return &pointer_;
    }
    Interface* Get() const { return pointer_; }
    Interface* operator->() const { return pointer_; }

private:
    Interface* pointer_ = nullptr;
};

// The member's DISPID, or DISPID_UNKNOWN.
inline DISPID MemberId(IDispatch& object, const wchar_t* name) {
    LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
    DISPID id = DISPID_UNKNOWN;
    object.GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
    return id;
}

// The object of the local server registered as `progId`.
inline HRESULT CreateServerObject(const wchar_t* progId, Reference<IDispatch>& object) {
    CLSID classId{};
    const HRESULT found = CLSIDFromProgID(progId, &classId);
    if (FAILED(found))
        return found;
    return CoCreateInstance(classId, nullptr, CLSCTX_LOCAL_SERVER, IID_IDispatch,
                            reinterpret_cast<void**>(object.Receive()));
}

// Calls the method `id` with one argument; the answer, if asked for, is the caller's to clear, and an
// error's texts are dropped.
inline HRESULT CallMethod(IDispatch& object, DISPID id, VARIANT& argument, VARIANT* answer = nullptr) {
    DISPPARAMS parameters{&argument, nullptr, 1, 0};
    EXCEPINFO exception{};
    const HRESULT result = object.Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &parameters,
                                         answer, &exception, nullptr);
    SysFreeString(exception.bstrSource);
    SysFreeString(exception.bstrDescription);
    SysFreeString(exception.bstrHelpFile);
    return result;
}

// Seconds on the performance counter.
inline double Now() {
    static const double frequency = [] {
        LARGE_INTEGER value;
        QueryPerformanceFrequency(&value);
        return static_cast<double>(value.QuadPart);
    }();
    LARGE_INTEGER value;
    QueryPerformanceCounter(&value);
    return static_cast<double>(value.QuadPart) / frequency;
}

} // namespace Hostile
