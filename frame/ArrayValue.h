// The rules by which every function reads an incoming array value: the one-dimensional count, the
// element total, the array-value check with its guard against malformed arrays, the input form order
// and locked data access.
#pragma once

#include <windows.h>
#include <oleauto.h>

namespace WindowsUtils {

// cElements minus lLbound of the first stored bound, as a 32-bit difference: with a lower bound of 1,
// one element fewer than the array holds is read, from position 0.
inline LONG OneDimensionalCount(const SAFEARRAY& array) noexcept {
    return static_cast<LONG>(array.rgsabound[0].cElements - static_cast<ULONG>(array.rgsabound[0].lLbound));
}

// cElements of the first stored bound alone, read as a signed 32-bit number.
inline LONG ElementTotal(const SAFEARRAY& array) noexcept {
    return static_cast<LONG>(array.rgsabound[0].cElements);
}

enum class SizeRule { OneDimensionalCount, ElementTotal };

inline LONG SizeOf(const SAFEARRAY& array, SizeRule rule) noexcept {
    return rule == SizeRule::ElementTotal ? ElementTotal(array) : OneDimensionalCount(array);
}

// Bytes one element of the given type occupies in a SAFEARRAY; 0 for a type arrays cannot hold.
ULONG ElementWidth(VARTYPE elementType) noexcept;

// Whether `size` elements of `elementType` can be read from position 0 of the array's data. A size
// that is negative or larger than what the array holds, or elements of another width than the type's
// (a cbElements that lies), make an array unreadable: such arrays are refused, never read.
bool IsReadable(const SAFEARRAY& array, LONG size, VARTYPE elementType) noexcept;

// The size of a one-dimensional, readable array by `rule`, or -1 when the array has another number of
// dimensions or is malformed. A size of 0 is returned as such; most readers refuse it.
LONG ReadableSize(const SAFEARRAY* array, VARTYPE elementType, SizeRule rule) noexcept;

// The array-value check: `value` is exactly VT_ARRAY|elementType with a non-null, one-dimensional,
// readable array whose size by `rule` is not 0. Returns that size, or 0 when the value is refused.
LONG CheckedArraySize(const VARIANT& value, VARTYPE elementType,
                      SizeRule rule = SizeRule::OneDimensionalCount) noexcept;

// Readers that accept several forms take the first that matches, in this order.
enum class InputForm { TypedArray, Scalar, VariantArray, None };

// The typed array counts only with a non-null array; without one, the same vt may still be the scalar.
inline InputForm SelectInputForm(const VARIANT& value, VARTYPE elementType) noexcept {
    if (value.vt == static_cast<VARTYPE>(VT_ARRAY | elementType) && value.parray != nullptr)
        return InputForm::TypedArray;
    if (value.vt == elementType)
        return InputForm::Scalar;
    if (value.vt == (VT_ARRAY | VT_VARIANT))
        return InputForm::VariantArray;
    return InputForm::None;
}

// Locked data access: SafeArrayAccessData for the lifetime of the object. The access is released
// exactly once: by Release(), whose outcome the reading functions report, or by the destructor on
// every other path, an exception leaving the reading loop included.
class LockedData {
public:
    explicit LockedData(SAFEARRAY* array) noexcept;
    ~LockedData();
    LockedData(const LockedData&) = delete;
    LockedData& operator=(const LockedData&) = delete;

    // False when the access failed or gave no data (an access that gave null data is already released).
    explicit operator bool() const noexcept { return data_ != nullptr; }

    template <class Element>
    Element* Elements() const noexcept {
        return static_cast<Element*>(data_);
    }

    // True when SafeArrayUnaccessData succeeded; false also when there was nothing to release.
    bool Release() noexcept;

private:
    SAFEARRAY* array_ = nullptr;
    void* data_ = nullptr;
};

} // namespace WindowsUtils
