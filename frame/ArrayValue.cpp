#include "frame/ArrayValue.h"

#include <cstdint>

namespace WindowsUtils {

ULONG ElementWidth(VARTYPE elementType) noexcept {
    switch (elementType) {
    case VT_I1:
    case VT_UI1:
        return 1;
    case VT_I2:
    case VT_UI2:
    case VT_BOOL:
        return 2;
    case VT_I4:
    case VT_UI4:
    case VT_INT:
    case VT_UINT:
    case VT_R4:
    case VT_ERROR:
        return 4;
    case VT_R8:
    case VT_DATE:
    case VT_CY:
    case VT_I8:
    case VT_UI8:
    case VT_BSTR:
    case VT_DISPATCH:
    case VT_UNKNOWN:
        return 8;
    case VT_DECIMAL:
        return sizeof(DECIMAL);
    case VT_VARIANT:
        return sizeof(VARIANT);
    default:
        return 0;
    }
}

bool IsReadable(const SAFEARRAY& array, LONG size, VARTYPE elementType) noexcept {
    // A reader may name its element type with the VT_ARRAY bit still on.
    const ULONG width = ElementWidth(static_cast<VARTYPE>(elementType & ~VT_ARRAY));
    if (size < 0 || width == 0 || array.cbElements != width || array.cDims == 0)
        return false;
    // Every dimension counts: an empty one leaves no data at all, whatever the first bound says.
    uint64_t held = 1;
    for (USHORT dimension = 0; dimension < array.cDims; ++dimension) {
        held *= array.rgsabound[dimension].cElements;
        if (held == 0)
            break;
        if (held > UINT32_MAX)
            held = UINT32_MAX;
    }
    return static_cast<uint64_t>(size) <= array.rgsabound[0].cElements && static_cast<uint64_t>(size) <= held;
}

LONG ReadableSize(const SAFEARRAY* array, VARTYPE elementType, SizeRule rule) noexcept {
    if (array == nullptr || array->cDims != 1)
        return -1;
    const LONG size = SizeOf(*array, rule);
    return IsReadable(*array, size, elementType) ? size : -1;
}

LONG CheckedArraySize(const VARIANT& value, VARTYPE elementType, SizeRule rule) noexcept {
    if (value.vt != static_cast<VARTYPE>(VT_ARRAY | elementType))
        return 0;
    const LONG size = ReadableSize(value.parray, elementType, rule);
    return size > 0 ? size : 0;
}

LockedData::LockedData(SAFEARRAY* array) noexcept {
    void* data = nullptr;
    if (FAILED(SafeArrayAccessData(array, &data)))
        return;
    if (data == nullptr) {
        SafeArrayUnaccessData(array);
        return;
    }
    array_ = array;
    data_ = data;
}

LockedData::~LockedData() { Release(); }

bool LockedData::Release() noexcept {
    if (array_ == nullptr)
        return false;
    SAFEARRAY* array = array_;
    array_ = nullptr;
    data_ = nullptr;
    return SUCCEEDED(SafeArrayUnaccessData(array));
}

} // namespace WindowsUtils
