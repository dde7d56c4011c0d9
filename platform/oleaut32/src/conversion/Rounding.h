// Rounding half to even, the one rule every conversion to fewer digits follows.
#pragma once

#include "DecimalNumber.h"

namespace oleaut32 {

// The value with no digit below 10^exponent: 2.5 → 2, 3.5 → 4, -2.5 → -2 at exponent 0.
DecimalNumber roundToExponent(const DecimalNumber& value, int exponent);

// The nearest integer, halves to even; false when it needs more than 64 bits of magnitude.
bool roundHalfToEven(const DecimalNumber& value, WideInteger& result);
// Likewise; false also for NaN and the infinities.
bool roundHalfToEven(double value, WideInteger& result);

} // namespace oleaut32
