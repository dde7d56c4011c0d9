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

bool isValid(const DECIMAL& value) {
    return value.scale <= 28 && (value.sign == 0 || value.sign == DECIMAL_NEG);
}

double nearestDouble(const DECIMAL& value) {
    // The 96-bit mantissa divided by 10^scale bit by bit, from its top bit down and on into the
    // fraction, until 54 quotient bits (53 and the rounding bit) stand after the first one; whatever
    // remains decides a tie. 10^28 < 2^94, so the remainder always fits 128 bits.
    __extension__ typedef unsigned __int128 Wide;
    const Wide mantissa = (Wide{value.Hi32} << 64) | value.Lo64;
    if (mantissa == 0)
        return 0.0; // measured: a negative zero too
    Wide divisor = 1;
    for (int place = 0; place < value.scale; ++place)
        divisor *= 10;
    std::uint64_t quotient = 0;
    int kept = 0;    // quotient bits from the first one on
    int weight = 96; // the exponent of the numerator bit brought down next, plus one
    Wide remainder = 0;
    while (kept < 54) {
        --weight;
        const unsigned bit = weight >= 0 ? static_cast<unsigned>((mantissa >> weight) & 1) : 0;
        remainder = (remainder << 1) | bit;
        const bool one = remainder >= divisor;
        if (one)
            remainder -= divisor;
        if (one || kept > 0) {
            quotient = (quotient << 1) | (one ? 1 : 0);
            ++kept;
        }
    }
    const bool sticky = remainder != 0 || (weight > 0 && (mantissa & ((Wide{1} << weight) - 1)) != 0);
    std::uint64_t significand = quotient >> 1;
    if ((quotient & 1) != 0 && (sticky || (significand & 1) != 0))
        ++significand; // 2^53 at most, which is still exact
    // The last quotient bit kept has the weight 2^weight, the significand's lowest 2^(weight + 1).
    const double magnitude = std::ldexp(static_cast<double>(significand), weight + 1);
    return (value.sign & DECIMAL_NEG) != 0 ? -magnitude : magnitude;
}

DecimalNumber decimalNumberOf(const DECIMAL& value) {
    Words96 words = {value.Hi32, value.Mid32, value.Lo32};
    // Measured: any sign byte but 0 is negative here. Only text still takes a DECIMAL whose sign byte is
    // neither 0 nor DECIMAL_NEG (numbers refuse it), and prints it with a minus.
    DecimalNumber number{value.sign != 0, {}, -static_cast<int>(value.scale)};
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
        // Beyond 10^308 the power itself is infinite: a tiny number is divided in two steps, so that it
        // becomes the subnormal it is (measured: "1e-320" is 9.99988671826831e-321, not 0).
        int exponent = value.exponent;
        if (exponent < -308) {
            result /= 1e308;
            exponent += 308;
        }
        const double scale = std::pow(10.0, std::abs(exponent));
        result = exponent < 0 ? result / scale : result * scale;
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
