// Numbers read from and written as en-US text.
#pragma once

#include "DecimalNumber.h"

#include <optional>
#include <string>
#include <string_view>

namespace oleaut32 {

// What a text spells: decimal digits, or for "&H…" and "&O…" the integer they give.
struct ParsedNumber {
    DecimalNumber decimal;
    std::optional<std::uint64_t> radixValue;
};

// Blanks (space, tab, no-break space) around; a sign, "$" or parentheses before or after the digits;
// "," between digits ignored; "." decimal point; exponent "e" (not after a leading "$"); "&H" hexadecimal,
// "&O" octal, with a sign or parentheses around them but no "$". The text ends at its first NUL. DISP_E_TYPEMISMATCH for anything else, DISP_E_OVERFLOW for a hexadecimal or
// octal number beyond 64 bits.
HRESULT parseNumber(std::u16string_view text, ParsedNumber& number);

// "%G" with the given significant digits ("0.1", "1E+15"), "NAN", "INF", "-INF"; -0 as "0".
std::u16string formatNumber(double value, int significantDigits);
// Plain decimal notation without trailing zeros: "1.2345", "-0.5".
std::u16string formatNumber(const DecimalNumber& value);
std::u16string formatNumber(std::int64_t value);
std::u16string formatNumber(std::uint64_t value);

} // namespace oleaut32
