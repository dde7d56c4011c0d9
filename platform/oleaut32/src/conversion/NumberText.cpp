#include "NumberText.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>

namespace oleaut32 {

namespace {

bool isBlank(char16_t character) {
    return character == u' ' || character == u'\t' || character == u'\u00A0';
}

bool isDigit(char16_t character) {
    return character >= u'0' && character <= u'9';
}

// The digit's value in the base, or -1.
int digitValue(char16_t character, unsigned base) {
    int value = -1;
    if (isDigit(character))
        value = character - u'0';
    else if (character >= u'a' && character <= u'f')
        value = character - u'a' + 10;
    else if (character >= u'A' && character <= u'F')
        value = character - u'A' + 10;
    return value >= 0 && static_cast<unsigned>(value) < base ? value : -1;
}

// The marks that may stand around the digits, each at most once.
struct Marks {
    bool plus = false;
    bool minus = false;
    bool open = false;
    bool close = false;
    bool currency = false;
};

// Records the mark; false when the character is no mark here or the mark was already seen.
bool takeMark(char16_t character, bool leading, Marks& marks) {
    bool* mark = nullptr;
    switch (character) {
    case u'+':
        mark = &marks.plus;
        break;
    case u'-':
        mark = &marks.minus;
        break;
    case u'$':
        mark = &marks.currency;
        break;
    case u'(':
        mark = leading ? &marks.open : nullptr;
        break;
    case u')':
        mark = !leading && marks.open ? &marks.close : nullptr;
        break;
    default:
        break;
    }
    if (mark == nullptr || *mark)
        return false;
    *mark = true;
    return true;
}

class NumberScanner {
public:
    explicit NumberScanner(std::u16string_view text) : text_(text.substr(0, text.find(u'\0'))) {}

    // Measured: a sign and parentheses may stand around hexadecimal and octal text too, where they change
    // nothing ("-&H1" is 1); a currency sign may not, before or after. Parentheses and a minus together
    // are one negative ("(-1)" is -1). A leading currency sign takes no exponent ("$1e5" is refused, "1e5$"
    // is not).
    HRESULT scan(ParsedNumber& number) {
        skipMarks(true);
        if (peek() == u'&') {
            bool overflow = false;
            HRESULT scanned = scanRadix(number, overflow);
            if (SUCCEEDED(scanned))
                scanned = checkEnd();
            if (SUCCEEDED(scanned) && marks_.currency)
                scanned = DISP_E_TYPEMISMATCH;
            return SUCCEEDED(scanned) && overflow ? DISP_E_OVERFLOW : scanned;
        }
        const bool leadingCurrency = marks_.currency;
        number.decimal = {};
        if (!scanDigits(number.decimal) || !scanExponent(number.decimal, !leadingCurrency))
            return DISP_E_TYPEMISMATCH;
        const HRESULT ended = checkEnd();
        number.decimal.negative = marks_.minus || marks_.open;
        return ended;
    }

private:
    char16_t peek() const { return position_ < text_.size() ? text_[position_] : u'\0'; }

    // The marks after the number, then the end of the text with every parenthesis closed.
    HRESULT checkEnd() {
        skipMarks(false);
        return position_ == text_.size() && marks_.open == marks_.close ? S_OK : DISP_E_TYPEMISMATCH;
    }

    void skipMarks(bool leading) {
        while (position_ < text_.size() && (isBlank(peek()) || takeMark(peek(), leading, marks_)))
            ++position_;
    }

    // Integer part with its thousands separators, then the fraction; at least one digit in all.
    bool scanDigits(DecimalNumber& number) {
        bool anyDigit = false;
        for (; isDigit(peek()) || (peek() == u',' && anyDigit); ++position_) {
            if (isDigit(peek())) {
                anyDigit = true;
                appendDigit(number, peek());
            }
        }
        if (peek() == u'.') {
            for (++position_; isDigit(peek()); ++position_) {
                anyDigit = true;
                appendDigit(number, peek());
                --number.exponent;
            }
        }
        return anyDigit;
    }

    static void appendDigit(DecimalNumber& number, char16_t digit) {
        if (!number.digits.empty() || digit != u'0')
            number.digits.push_back(static_cast<char>(digit));
    }

    bool scanExponent(DecimalNumber& number, bool allowed) {
        if (peek() != u'e' && peek() != u'E')
            return true;
        if (!allowed)
            return false;
        ++position_;
        const bool negative = peek() == u'-';
        if (peek() == u'-' || peek() == u'+')
            ++position_;
        if (!isDigit(peek()))
            return false;
        // Far beyond any double's range already: more digits change nothing.
        constexpr int saturated = 100000;
        int exponent = 0;
        for (; isDigit(peek()); ++position_)
            exponent = std::min(exponent * 10 + (peek() - u'0'), saturated);
        number.exponent += negative ? -exponent : exponent;
        return true;
    }

    // The digits after "&H" or "&O"; overflow tells whether they need more than 64 bits.
    HRESULT scanRadix(ParsedNumber& number, bool& overflow) {
        ++position_;
        const char16_t kind = peek();
        const unsigned base = kind == u'H' || kind == u'h' ? 16 : kind == u'O' || kind == u'o' ? 8 : 0;
        if (base == 0)
            return DISP_E_TYPEMISMATCH;
        ++position_;
        std::uint64_t value = 0;
        bool anyDigit = false;
        for (int digit; (digit = digitValue(peek(), base)) >= 0; ++position_) {
            anyDigit = true;
            overflow = overflow || value > (UINT64_MAX - static_cast<unsigned>(digit)) / base;
            value = value * base + static_cast<unsigned>(digit);
        }
        if (!anyDigit)
            return DISP_E_TYPEMISMATCH;
        number.radixValue = value;
        return S_OK;
    }

    std::u16string_view text_;
    std::size_t position_ = 0;
    Marks marks_;
};

std::u16string widen(std::string_view text) {
    return {text.begin(), text.end()};
}

template <typename Integer>
std::u16string formatInteger(Integer value) {
    std::array<char, 24> text{};
    const auto end = std::to_chars(text.data(), text.data() + text.size(), value).ptr;
    return widen({text.data(), end});
}

} // namespace

HRESULT parseNumber(std::u16string_view text, ParsedNumber& number) {
    number = {};
    return NumberScanner(text).scan(number);
}

std::u16string formatNumber(double value, int significantDigits) {
    if (std::isnan(value))
        return u"NAN";
    if (std::isinf(value))
        return value < 0 ? u"-INF" : u"INF";
    if (value == 0)
        return u"0";
    std::array<char, 64> text{};
    const auto end = std::to_chars(text.data(), text.data() + text.size(), value, std::chars_format::general,
                                   significantDigits)
                         .ptr;
    std::u16string result = widen({text.data(), end});
    for (char16_t& character : result)
        if (character == u'e')
            character = u'E';
    return result;
}

std::u16string formatNumber(const DecimalNumber& value) {
    const std::size_t first = value.digits.find_first_not_of('0');
    if (first == std::string::npos)
        return u"0";
    std::string digits = value.digits.substr(first);
    std::string text;
    if (value.exponent >= 0) {
        text = digits + std::string(static_cast<std::size_t>(value.exponent), '0');
    } else {
        const auto places = static_cast<std::size_t>(-static_cast<long long>(value.exponent));
        if (digits.size() <= places)
            digits.insert(0, places - digits.size() + 1, '0');
        std::string fraction = digits.substr(digits.size() - places);
        fraction.erase(fraction.find_last_not_of('0') + 1);
        text = digits.substr(0, digits.size() - places);
        if (!fraction.empty())
            text += '.' + fraction;
    }
    return widen((value.negative ? "-" : "") + text);
}

std::u16string formatNumber(std::int64_t value) {
    return formatInteger(value);
}

std::u16string formatNumber(std::uint64_t value) {
    return formatInteger(value);
}

} // namespace oleaut32
