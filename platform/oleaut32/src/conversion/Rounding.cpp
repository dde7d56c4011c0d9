#include "Rounding.h"

#include <cmath>
#include <limits>

namespace oleaut32 {

namespace {

// Adds one to a string of decimal digits.
void increment(std::string& digits) {
    for (auto digit = digits.rbegin(); digit != digits.rend(); ++digit) {
        if (*digit != '9') {
            ++*digit;
            return;
        }
        *digit = '0';
    }
    digits.insert(digits.begin(), '1');
}

bool endsOdd(const std::string& digits) {
    return !digits.empty() && (digits.back() - '0') % 2 == 1;
}

} // namespace

DecimalNumber roundToExponent(const DecimalNumber& value, int exponent) {
    if (value.exponent >= exponent)
        return value;
    // How many of the last digits fall below 10^exponent; more than there are means an implied zero
    // leads them, so they make less than a half.
    const auto dropped = static_cast<std::size_t>(static_cast<long long>(exponent) - value.exponent);
    const std::size_t kept = value.digits.size() > dropped ? value.digits.size() - dropped : 0;
    DecimalNumber result{value.negative, value.digits.substr(0, kept), exponent};
    if (dropped > value.digits.size())
        return result;
    const char first = value.digits[kept];
    const bool beyondHalf = value.digits.find_first_not_of('0', kept + 1) != std::string::npos;
    if (first > '5' || (first == '5' && (beyondHalf || endsOdd(result.digits))))
        increment(result.digits);
    return result;
}

bool roundHalfToEven(const DecimalNumber& value, WideInteger& result) {
    const DecimalNumber integer = roundToExponent(value, 0);
    constexpr std::uint64_t largest = std::numeric_limits<std::uint64_t>::max();
    std::uint64_t magnitude = 0;
    for (char digit : integer.digits) {
        const unsigned next = static_cast<unsigned>(digit - '0');
        if (magnitude > (largest - next) / 10)
            return false;
        magnitude = magnitude * 10 + next;
    }
    for (int zeros = integer.exponent; zeros > 0 && magnitude != 0; --zeros) {
        if (magnitude > largest / 10)
            return false;
        magnitude *= 10;
    }
    result = {value.negative && magnitude != 0, magnitude};
    return true;
}

bool roundHalfToEven(double value, WideInteger& result) {
    if (!std::isfinite(value))
        return false;
    const double magnitude = std::fabs(value);
    double rounded = std::floor(magnitude);
    const double fraction = magnitude - rounded; // exact for doubles
    if (fraction > 0.5 || (fraction == 0.5 && std::fmod(rounded, 2) == 1))
        rounded += 1;
    if (rounded >= 18446744073709551616.0) // 2^64
        return false;
    result = {value < 0 && rounded != 0, static_cast<std::uint64_t>(rounded)};
    return true;
}

} // namespace oleaut32
