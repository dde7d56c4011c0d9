#include "DateText.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <ctime>
#include <optional>
#include <vector>

namespace oleaut32 {

namespace {

using namespace std::chrono;

constexpr sys_days epoch = sys_days{year{1899} / December / 30};
constexpr int secondsPerDay = 24 * 60 * 60;

std::u16string widen(const std::string& text) {
    return {text.begin(), text.end()};
}

std::u16string twoDigits(long long value) {
    // Padded by insertion: GCC 12 at -O3 takes a literal + std::string for an overlapping copy.
    std::string digits = std::to_string(value);
    if (value < 10)
        digits.insert(digits.begin(), '0');
    return widen(digits);
}

std::u16string formatDay(const year_month_day& date) {
    return widen(std::to_string(unsigned{date.month()}) + "/" + std::to_string(unsigned{date.day()}) + "/" +
                 std::to_string(int{date.year()}));
}

std::u16string formatTime(long long seconds) {
    const long long hour = seconds / 3600;
    const long long hourOnClock = hour % 12 == 0 ? 12 : hour % 12;
    return widen(std::to_string(hourOnClock)) + u":" + twoDigits(seconds / 60 % 60) + u":" +
           twoDigits(seconds % 60) + (hour < 12 ? u" AM" : u" PM");
}

// One piece of a date text.
struct DateToken {
    enum Kind { Number, Word, DateSeparator, TimeSeparator };
    explicit DateToken(Kind kind) : kind(kind) {}
    Kind kind;
    unsigned value = 0;     // a number's value
    std::size_t digits = 0; // a number's digit count
    std::u16string word;    // a word, in upper case
};

bool isBlank(char16_t character) {
    return character == u' ' || character == u'\t' || character == u'\u00A0';
}

bool isLetter(char16_t character) {
    return (character >= u'a' && character <= u'z') || (character >= u'A' && character <= u'Z');
}

char16_t upper(char16_t character) {
    return character >= u'a' && character <= u'z' ? static_cast<char16_t>(character - u'a' + u'A')
                                                  : character;
}

// False when the text holds a character no date has.
bool tokenize(std::u16string_view text, std::vector<DateToken>& tokens) {
    for (std::size_t position = 0; position < text.size();) {
        const char16_t character = text[position];
        if (character >= u'0' && character <= u'9') {
            DateToken number{DateToken::Number};
            for (; position < text.size() && text[position] >= u'0' && text[position] <= u'9'; ++position) {
                number.value = std::min(number.value * 10 + (text[position] - u'0'), 100000u);
                ++number.digits;
            }
            tokens.push_back(number);
        } else if (isLetter(character)) {
            DateToken word{DateToken::Word};
            for (; position < text.size() && isLetter(text[position]); ++position)
                word.word.push_back(upper(text[position]));
            tokens.push_back(word);
        } else if (isBlank(character) || character == u'/' || character == u'-' || character == u',') {
            tokens.emplace_back(DateToken::DateSeparator);
            ++position;
        } else if (character == u':' || character == u'.') {
            tokens.emplace_back(DateToken::TimeSeparator);
            ++position;
        } else {
            return false;
        }
    }
    return true;
}

// What a date text names, before it is checked.
struct DateParts {
    std::vector<DateToken> dateNumbers;
    std::vector<unsigned> time; // hour, minute, second as far as given
    std::optional<bool> afternoon;
};

bool collectParts(const std::vector<DateToken>& tokens, DateParts& parts) {
    if (tokens.empty() || tokens.front().kind != DateToken::Number)
        return false;
    bool separated = true; // no two items without a separator between them, except a word after a number
    for (std::size_t index = 0; index < tokens.size(); ++index) {
        const DateToken& token = tokens[index];
        const bool timeFollows =
            index + 1 < tokens.size() && tokens[index + 1].kind == DateToken::TimeSeparator;
        if (token.kind == DateToken::Number && timeFollows) {
            if (!parts.time.empty() || !separated)
                return false;
            parts.time.push_back(token.value);
            while (index + 2 < tokens.size() && tokens[index + 1].kind == DateToken::TimeSeparator &&
                   tokens[index + 2].kind == DateToken::Number) {
                parts.time.push_back(tokens[index + 2].value);
                index += 2;
            }
            if (parts.time.size() > 3 ||
                (index + 1 < tokens.size() && tokens[index + 1].kind != DateToken::DateSeparator &&
                 tokens[index + 1].kind != DateToken::Word))
                return false;
            separated = false;
        } else if (token.kind == DateToken::Number) {
            if (!separated)
                return false;
            parts.dateNumbers.push_back(token);
            separated = false;
        } else if (token.kind == DateToken::Word) {
            if (parts.afternoon.has_value() || (token.word != u"AM" && token.word != u"PM"))
                return false;
            parts.afternoon = token.word == u"PM";
            separated = false;
        } else if (token.kind == DateToken::DateSeparator) {
            separated = true;
        } else {
            return false; // a time separator not between two numbers
        }
    }
    return !separated; // a separator cannot end the text
}

int yearOf(const DateToken& number) {
    const int value = static_cast<int>(number.value);
    return value < 30 ? 2000 + value : value < 100 ? 1900 + value : value;
}

int currentYear() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return local.tm_year + 1900;
}

std::optional<year_month_day> dateOf(int yearValue, unsigned monthValue, unsigned dayValue) {
    const year_month_day date{year{yearValue}, month{monthValue}, day{dayValue}};
    if (!date.ok() || yearValue < 100 || yearValue > 9999)
        return std::nullopt;
    return date;
}

// The calendar day the date numbers name, in en-US order; day 0 (30 December 1899) when there are none.
std::optional<year_month_day> dayOf(const std::vector<DateToken>& numbers) {
    switch (numbers.size()) {
    case 0:
        return year_month_day{epoch};
    case 2:
        // Month and day of this year; failing that, month and year.
        if (auto date = dateOf(currentYear(), numbers[0].value, numbers[1].value))
            return date;
        return dateOf(yearOf(numbers[1]), numbers[0].value, 1);
    case 3:
        if (auto date = dateOf(yearOf(numbers[2]), numbers[0].value, numbers[1].value))
            return date;
        if (numbers[0].digits > 2)
            return dateOf(yearOf(numbers[0]), numbers[1].value, numbers[2].value);
        return std::nullopt;
    default:
        return std::nullopt;
    }
}

// The fraction of a day, or nothing when a field is out of range.
std::optional<double> timeOf(const std::vector<unsigned>& time, std::optional<bool> afternoon) {
    unsigned hour = time.empty() ? 0 : time[0];
    const unsigned minute = time.size() > 1 ? time[1] : 0;
    const unsigned second = time.size() > 2 ? time[2] : 0;
    if (afternoon.has_value()) {
        if (hour < 1 || hour > 12)
            return std::nullopt;
        hour = hour % 12 + (*afternoon ? 12 : 0);
    }
    if (hour > 23 || minute > 59 || second > 59)
        return std::nullopt;
    // Summed in this order, "8.5" gives 0.33680555555555552 as measured.
    return hour / 24.0 + minute / 1440.0 + second / 86400.0;
}

} // namespace

bool isDateInRange(double value) {
    return !(value <= -657435.0 || value >= 2958466.0);
}

HRESULT formatDate(DATE value, std::u16string& text) {
    if (std::isnan(value) || !isDateInRange(value))
        return E_INVALIDARG;
    const double wholeDays = std::trunc(value);
    long long days = static_cast<long long>(wholeDays);
    long long seconds = std::llround(std::fabs(value - wholeDays) * secondsPerDay);
    if (seconds == secondsPerDay) {
        seconds = 0;
        ++days;
    }
    const year_month_day date{epoch + std::chrono::days{days}};
    if (int{date.year()} < 100 || int{date.year()} > 9999)
        return E_INVALIDARG;
    if (days == 0)
        text = formatTime(seconds);
    else if (seconds == 0)
        text = formatDay(date);
    else
        text = formatDay(date) + u" " + formatTime(seconds);
    return S_OK;
}

HRESULT parseDate(std::u16string_view text, DATE& value) {
    text = text.substr(0, text.find(u'\0'));
    const std::size_t first = text.find_first_not_of(u" \t\u00A0");
    if (first == std::u16string_view::npos)
        return DISP_E_TYPEMISMATCH;
    text = text.substr(first, text.find_last_not_of(u" \t\u00A0") + 1 - first);

    std::vector<DateToken> tokens;
    DateParts parts;
    if (!tokenize(text, tokens) || !collectParts(tokens, parts))
        return DISP_E_TYPEMISMATCH;
    // "3 PM": a lone number with a meridiem is the hour.
    if (parts.afternoon.has_value() && parts.time.empty() && parts.dateNumbers.size() == 1) {
        parts.time.push_back(parts.dateNumbers.front().value);
        parts.dateNumbers.clear();
    }
    if (parts.time.empty() && (parts.afternoon.has_value() || parts.dateNumbers.empty()))
        return DISP_E_TYPEMISMATCH;

    const std::optional<year_month_day> date = dayOf(parts.dateNumbers);
    const std::optional<double> time = timeOf(parts.time, parts.afternoon);
    if (!date.has_value() || !time.has_value())
        return DISP_E_TYPEMISMATCH;
    const double days = static_cast<double>((sys_days{*date} - epoch).count());
    value = days < 0 ? days - *time : days + *time;
    return S_OK;
}

} // namespace oleaut32
