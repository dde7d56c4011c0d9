// Owners of the platform values the library creates for one call or one element, released on every
// path, exceptions included.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include <utility>

namespace WindowsUtils {

// A VARIANT initialised on construction and cleared on destruction (VariantClear's result is ignored).
class ScratchVariant {
public:
    ScratchVariant() noexcept { VariantInit(&value_); }
    ~ScratchVariant() { VariantClear(&value_); }
    ScratchVariant(const ScratchVariant&) = delete;
    ScratchVariant& operator=(const ScratchVariant&) = delete;

    VARIANT* get() noexcept { return &value_; }
    VARIANT& operator*() noexcept { return value_; }
    VARIANT* operator->() noexcept { return &value_; }

private:
    VARIANT value_;
};

// A BSTR freed with SysFreeString on destruction.
class UniqueBstr {
public:
    UniqueBstr() noexcept = default;
    explicit UniqueBstr(BSTR text) noexcept : text_(text) {}
    ~UniqueBstr() { SysFreeString(text_); }
    UniqueBstr(UniqueBstr&& other) noexcept : text_(std::exchange(other.text_, nullptr)) {}
    UniqueBstr& operator=(UniqueBstr&& other) noexcept {
        if (this != &other) {
            SysFreeString(text_);
            text_ = std::exchange(other.text_, nullptr);
        }
        return *this;
    }
    UniqueBstr(const UniqueBstr&) = delete;
    UniqueBstr& operator=(const UniqueBstr&) = delete;

    BSTR get() const noexcept { return text_; }
    BSTR release() noexcept { return std::exchange(text_, nullptr); }

private:
    BSTR text_ = nullptr;
};

// A new SAFEARRAY destroyed with SafeArrayDestroy on destruction, until release() hands it on.
class UniqueSafeArray {
public:
    explicit UniqueSafeArray(SAFEARRAY* array) noexcept : array_(array) {}
    ~UniqueSafeArray() { SafeArrayDestroy(array_); }
    UniqueSafeArray(const UniqueSafeArray&) = delete;
    UniqueSafeArray& operator=(const UniqueSafeArray&) = delete;

    SAFEARRAY* get() const noexcept { return array_; }
    SAFEARRAY* release() noexcept { return std::exchange(array_, nullptr); }

private:
    SAFEARRAY* array_;
};

} // namespace WindowsUtils
