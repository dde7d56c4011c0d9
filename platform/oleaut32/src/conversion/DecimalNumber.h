// A number held exactly as decimal digits, and the sign-magnitude integer rounding gives.
#pragma once

#include <oleauto.h>

#include <cstdint>
#include <string>

namespace oleaut32 {

// value = digits × 10^exponent, negated when negative. Text, currency and DECIMAL values go through it
// so that nothing is lost before the one rounding.
struct DecimalNumber {
    bool negative = false;
    std::string digits; // '0' to '9', most significant first, as written (trailing zeros kept)
    int exponent = 0;
};

// Any 64-bit value, signed or unsigned: the common ground of the integer types.
struct WideInteger {
    bool negative = false;
    std::uint64_t magnitude = 0;
};

inline WideInteger wideIntegerOf(std::int64_t value) {
    return {value < 0, value < 0 ? 0 - static_cast<std::uint64_t>(value) : static_cast<std::uint64_t>(value)};
}

// A scale of at most 28 and a sign byte of 0 or DECIMAL_NEG: measured, every conversion of another DECIMAL
// to a number gives E_INVALIDARG.
bool isValid(const DECIMAL& value);

// The double nearest to the DECIMAL's value, ties to even: one rounding of the exact quotient.
double nearestDouble(const DECIMAL& value);

DecimalNumber decimalNumberOf(const DECIMAL& value);
// A scaled integer such as a currency amount: value × 10^-scale.
DecimalNumber decimalNumberOf(WideInteger value, int scale);

bool isZero(const DecimalNumber& value);

// Accumulates the digits in a double one by one, then scales by the power of ten: measured, a long
// text such as "123456789012345678901234567890" gives 1.2345678901234566e+29, not the nearest double.
double toDouble(const DecimalNumber& value);

// The number as a DECIMAL, rounded half to even to the places that fit (at most 28); false when even
// its integer part needs more than 96 bits.
bool toDecimal(const DecimalNumber& value, DECIMAL& result);

} // namespace oleaut32
