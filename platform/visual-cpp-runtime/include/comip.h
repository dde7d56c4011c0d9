// Stands in for Visual C++'s <comip.h>: _com_ptr_t, the smart interface pointer _COM_SMARTPTR_TYPEDEF names.
#pragma once

#include <windows.h>
#include <objbase.h>
#include <unknwn.h>

// An interface with its IID, as the pointer's template argument.
template <typename Interface, const IID* Id>
struct _com_IIID {
    using Interface_t = Interface;
    static const IID& GetIID() noexcept { return *Id; }
};

template <typename InterfaceId>
class _com_ptr_t {
public:
    using Interface = typename InterfaceId::Interface_t;

    _com_ptr_t() noexcept = default;
    _com_ptr_t(decltype(nullptr)) noexcept {}
    _com_ptr_t(Interface* pointer, bool addReference) noexcept : pointer_(pointer) {
        if (pointer_ != nullptr && addReference)
            pointer_->AddRef();
    }
    _com_ptr_t(Interface* pointer) noexcept : _com_ptr_t(pointer, true) {}
    _com_ptr_t(const _com_ptr_t& other) noexcept : _com_ptr_t(other.pointer_, true) {}
    // Another interface of the same object, by QueryInterface; empty when the object lacks it.
    template <typename OtherId>
    _com_ptr_t(const _com_ptr_t<OtherId>& other) noexcept {
        if (other)
            other->QueryInterface(InterfaceId::GetIID(), reinterpret_cast<void**>(&pointer_));
    }
    ~_com_ptr_t() {
        if (pointer_ != nullptr)
            pointer_->Release();
    }
    _com_ptr_t& operator=(_com_ptr_t other) noexcept {
        Interface* const kept = pointer_;
        pointer_ = other.pointer_;
        other.pointer_ = kept;
        return *this;
    }

    HRESULT CreateInstance(const CLSID& classId, IUnknown* outer = nullptr, DWORD context = CLSCTX_ALL) noexcept {
        *this = nullptr;
        return CoCreateInstance(classId, outer, context, InterfaceId::GetIID(), reinterpret_cast<void**>(&pointer_));
    }
    Interface* GetInterfacePtr() const noexcept { return pointer_; }
    Interface* Detach() noexcept {
        Interface* const detached = pointer_;
        pointer_ = nullptr;
        return detached;
    }
    // Where a call that creates an interface stores it: what the pointer held is released first.
    Interface** operator&() noexcept {
        *this = nullptr;
        return &pointer_;
    }
    Interface* operator->() const noexcept { return pointer_; }
    Interface& operator*() const noexcept { return *pointer_; }
    operator Interface*() const noexcept { return pointer_; }
    explicit operator bool() const noexcept { return pointer_ != nullptr; }

private:
    Interface* pointer_ = nullptr;
};

#define _COM_SMARTPTR_TYPEDEF(Interface, Id) typedef _com_ptr_t<_com_IIID<Interface, &Id>> Interface##Ptr
