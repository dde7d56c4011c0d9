// What the kernel's arrays share: how far they grow and how they report a capacity they cannot take.
#pragma once

#include <gkern/ExceptionMode.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <new>

namespace gkern {

// A block must stay below 2^63 bytes; the product is taken in double so that it cannot wrap.
inline bool FitsSizeLimit(std::uint64_t slotCount, std::size_t slotSize) {
    return static_cast<double>(slotCount) * static_cast<double>(slotSize) < 9223372036854775808.0;
}

// Slots added when a full array grows: the fixed growth step when it is 3 or more, otherwise an
// eighth of the count, between 4 and 1024.
inline std::uint64_t GrowthIncrement(std::uint64_t count, std::uint16_t growthStep) {
    if (growthStep >= 3)
        return growthStep;
    return std::clamp<std::uint64_t>(count / 8, 4, 1024);
}

// Raises std::bad_alloc while the exception switch is on; otherwise the failure is reported as false.
inline bool ReportCapacityFailure() {
    if (ExceptionMode::IsEnabled())
        throw std::bad_alloc();
    return false;
}

} // namespace gkern
