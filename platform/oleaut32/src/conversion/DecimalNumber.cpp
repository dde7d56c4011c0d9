#include "DecimalNumber.h"
#include "Rounding.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>

namespace oleaut32 {

namespace {

// A DECIMAL's 96-bit magnitude, most significant word first.
using Words96 = std::array<std::uint32_t, 3>;

bool isZero(const Words96& words) {
    return std::all_of(words.begin(), words.end(), [](std::uint32_t word) { return word == 0; });
}

// words = words ÷ 10; gives the remainder.
unsigned divideByTen(Words96& words) {
    std::uint64_t remainder = 0;
    for (std::uint32_t& word : words) {
        const std::uint64_t current = (remainder << 32) | word;
        word = static_cast<std::uint32_t>(current / 10);
        remainder = current % 10;
    }
    return static_cast<unsigned>(remainder);
}

// words = words × 10 + digit; false when the result needs more than 96 bits.
bool multiplyByTenAndAdd(Words96& words, unsigned digit) {
    std::uint64_t carry = digit;
    for (auto word = words.rbegin(); word != words.rend(); ++word) {
        const std::uint64_t current = std::uint64_t{*word} * 10 + carry;
        *word = static_cast<std::uint32_t>(current);
        carry = current >> 32;
    }
    return carry == 0;
}

bool toWords96(const DecimalNumber& value, Words96& words) {
    words = {};
    for (char digit : value.digits)
        if (!multiplyByTenAndAdd(words, static_cast<unsigned>(digit - '0')))
            return false;
    for (int zeros = value.exponent; zeros > 0 && !isZero(words); --zeros)
        if (!multiplyByTenAndAdd(words, 0))
            return false;
    return true;
}

} // namespace

DecimalNumber decimalNumberOf(const DECIMAL& value) {
    Words96 words = {value.Hi32, value.Mid32, value.Lo32};
    DecimalNumber number{(value.sign & DECIMAL_NEG) != 0, {}, -static_cast<int>(value.scale)};
    while (!isZero(words))
        number.digits.push_back(static_cast<char>('0' + divideByTen(words)));
    std::reverse(number.digits.begin(), number.digits.end());
    return number;
}

DecimalNumber decimalNumberOf(WideInteger value, int scale) {
    std::array<char, 24> text{};
    const auto end = std::to_chars(text.data(), text.data() + text.size(), value.magnitude).ptr;
    return {value.negative, std::string(text.data(), end), -scale};
}

bool isZero(const DecimalNumber& value) {
    return std::all_of(value.digits.begin(), value.digits.end(), [](char digit) { return digit == '0'; });
}

double toDouble(const DecimalNumber& value) {
    double result = 0;
    for (char digit : value.digits)
        result = result * 10 + (digit - '0');
    if (result != 0) {
        const double scale = std::pow(10.0, std::abs(value.exponent));
        result = value.exponent < 0 ? result / scale : result * scale;
    }
    return value.negative ? -result : result;
}

bool toDecimal(const DecimalNumber& value, DECIMAL& result) {
    // Fewer places when the digits do not fit: 96 bits hold 28 to 29 significant digits.
    for (int exponent = std::min(std::max(value.exponent, -28), 0); exponent <= 0; ++exponent) {
        const DecimalNumber rounded = roundToExponent(value, exponent);
        Words96 words;
        if (!toWords96(rounded, words))
            continue;
        result = DECIMAL{};
        result.scale = static_cast<BYTE>(-std::min(rounded.exponent, 0));
        result.sign = value.negative && !isZero(words) ? DECIMAL_NEG : 0;
        result.Hi32 = words[0];
        result.Mid32 = words[1];
        result.Lo32 = words[2];
        return true;
    }
    return false;
}

} // namespace oleaut32
