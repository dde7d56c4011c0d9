#include "support/ConversionTable.h"
#include "support/Platform.h"

#include <oleauto.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <utility>
#include <vector>

namespace TestSupport {

namespace {

// The VARTYPEs by value, 0 to 23 (15 has none), each with the width in bytes of its value when it is an
// integer type, negative for the signed ones.
const std::pair<std::string, int> types[] = {
    {"VT_EMPTY", 0},  {"VT_NULL", 0},  {"VT_I2", -2},     {"VT_I4", -4},     {"VT_R4", 0},
    {"VT_R8", 0},     {"VT_CY", -8},   {"VT_DATE", 0},    {"VT_BSTR", 0},    {"VT_DISPATCH", 0},
    {"VT_ERROR", -4}, {"VT_BOOL", -2}, {"VT_VARIANT", 0}, {"VT_UNKNOWN", 0}, {"VT_DECIMAL", 0},
    {"", 0},          {"VT_I1", -1},   {"VT_UI1", 1},     {"VT_UI2", 2},     {"VT_UI4", 4},
    {"VT_I8", -8},    {"VT_UI8", 8},   {"VT_INT", -4},    {"VT_UINT", 4}};

int integerWidth(VARTYPE vt) {
    return vt < std::size(types) ? types[vt].second : 0;
}

// "VT_BYREF|VT_R8", or a number ("0x000F") for a type that does not exist.
VARTYPE typeNamed(const std::string& name) {
    if (name.starts_with("0x"))
        return static_cast<VARTYPE>(std::stoul(name, nullptr, 16));
    VARTYPE vt = 0;
    std::istringstream parts(name);
    for (std::string part; std::getline(parts, part, '|');) {
        const auto index =
            std::ranges::find(types, part, &std::pair<std::string, int>::first) - std::begin(types);
        vt |= part == "VT_BYREF"          ? VARTYPE{VT_BYREF}
              : part == "VT_ARRAY"        ? VARTYPE{VT_ARRAY}
              : index < std::ssize(types) ? index
                                          : throw std::invalid_argument("no type " + part);
    }
    return vt;
}

// "\"1\\u00002\" (len 3)" → the characters between the quotes, escapes resolved.
std::basic_string<OLECHAR> unquote(const std::string& text) {
    std::basic_string<OLECHAR> result;
    for (std::size_t index = 1; index < text.rfind('"'); ++index) {
        if (text[index] == '\\' && text[index + 1] == 'u') {
            result.push_back(static_cast<OLECHAR>(std::stoul(text.substr(index + 2, 4), nullptr, 16)));
            index += 5;
        } else {
            result.push_back(static_cast<OLECHAR>(text[index] == '\\' ? text[++index] : text[index]));
        }
    }
    return result;
}

std::string quote(BSTR text) {
    if (text == nullptr)
        return "<null>";
    std::string result = "\"";
    for (UINT index = 0; index < SysStringLen(text); ++index) {
        const unsigned character = text[index];
        char escaped[8];
        std::snprintf(escaped, sizeof escaped,
                      character == '\\'                       ? "\\%c"
                      : character >= 0x20 && character < 0x7F ? "%c"
                                                              : "\\u%04X",
                      character);
        result += escaped;
    }
    return result + "\"";
}

std::string printed(const char* format, double value) {
    char text[40];
    std::snprintf(text, sizeof text, format, value);
    return std::isnan(value) ? "nan" : text;
}

// A value as the table prints it.
std::string describe(const VARIANT& value) {
    if (const int width = integerWidth(value.vt); width != 0) {
        std::uint64_t bits = 0;
        std::memcpy(&bits, &value.llVal, static_cast<std::size_t>(std::abs(width)));
        const int unused = 64 + 8 * width; // the bits above a signed value's width
        return width > 0 ? std::to_string(bits)
                         : std::to_string(static_cast<std::int64_t>(bits << unused) >> unused);
    }
    if (value.vt == VT_R4)
        return printed("%.9g", value.fltVal);
    if (value.vt == VT_R8 || value.vt == VT_DATE)
        return printed("%.17g", value.dblVal);
    if (value.vt == VT_BSTR)
        return quote(value.bstrVal);
    if (value.vt == VT_DECIMAL) { // only the "(mantissa e-scale)" part; our rows keep to 64-bit mantissas
        // Appended piece by piece: GCC 12 at -O3 sees a false overlap in a chain of operator+.
        std::string text = value.decVal.sign != 0 ? "(-" : "(";
        text.append(std::to_string(value.decVal.Lo64))
            .append("e-")
            .append(std::to_string(value.decVal.scale));
        text.append(value.decVal.Hi32 != 0 ? ") beyond 64 bits" : ")");
        return text;
    }
    if (value.vt == VT_DISPATCH || value.vt == VT_UNKNOWN)
        return value.punkVal == nullptr ? "null" : "object";
    return "";
}

// The row's result as describe() prints it.
std::string expectedValue(VARTYPE sourceType, VARTYPE resultType, const std::string& value) {
    if (resultType == VT_DECIMAL)
        return value.substr(value.find('('));
    // Text without a year takes the current one; the table was measured in 2026.
    if (sourceType == VT_BSTR && resultType == VT_DATE && !value.empty()) {
        using namespace std::chrono;
        const sys_days epoch{year{1899} / December / 30};
        const double serial = std::stod(value);
        const year_month_day measured{epoch + days{static_cast<int>(serial)}};
        const std::time_t now = std::time(nullptr);
        const year_month_day current{year{std::localtime(&now)->tm_year + 1900}, measured.month(),
                                     measured.day()};
        if (measured.year() == year{2026})
            return printed("%.17g", serial + (sys_days{current} - sys_days{measured}).count());
    }
    return value;
}

// A source VARIANT built from its text in the table, with what a reference source points at.
struct TableSource {
    VARIANT value{}, referenced{}, pointee{};

    TableSource(VARTYPE vt, const std::string& text) { fill(value, vt, text); }
    ~TableSource() {
        for (VARIANT* part : {&value, &referenced, &pointee})
            VariantClear(part);
    }

    // A reference's text starts with "->"; null objects and arrays, and types that do not exist, stay 0.
    void fill(VARIANT& target, VARTYPE vt, const std::string& text) {
        const VARTYPE base = vt & ~VT_BYREF;
        const std::string referred = text.substr(std::min<std::size_t>(2, text.size()));
        if (vt != base && referred == "null") {
            target.byref = nullptr;
        } else if (vt != base && base == VT_VARIANT) {
            const std::size_t space = referred.find(' ');
            fill(referenced, typeNamed(referred.substr(0, space)), referred.substr(space + 1));
            target.pvarVal = &referenced;
        } else if (vt != base) {
            fill(pointee, base == VT_EMPTY ? VARTYPE{VT_R8} : base, referred);
            target.byref = base == VT_DECIMAL ? static_cast<void*>(&pointee.decVal) : &pointee.llVal;
        } else if (const int width = integerWidth(vt); width != 0) {
            const auto number = width < 0 ? std::stoll(text) : static_cast<long long>(std::stoull(text));
            std::memcpy(&target.llVal, &number, static_cast<std::size_t>(std::abs(width)));
        } else if (vt == VT_R4) {
            target.fltVal = std::strtof(text.c_str(), nullptr);
        } else if (vt == VT_R8 || vt == VT_DATE) {
            target.dblVal = std::strtod(text.c_str(), nullptr);
        } else if (vt == VT_BSTR && text != "<null>") {
            const std::basic_string<OLECHAR> characters = unquote(text);
            target.bstrVal = SysAllocStringLen(characters.data(), static_cast<UINT>(characters.size()));
        } else if (vt == VT_DECIMAL) { // "-2.5 (-25e-1)"
            const std::string exact = text.substr(text.find('(') + 1);
            target.decVal.sign = exact[0] == '-' ? DECIMAL_NEG : 0;
            target.decVal.Lo64 = std::stoull(exact.substr(exact[0] == '-' ? 1 : 0));
            target.decVal.scale = static_cast<BYTE>(std::stoi(exact.substr(exact.find("e-") + 2)));
        }
        target.vt = vt;
    }
};

// What the linked VariantChangeType does otherwise than the row's seven columns say; empty when it agrees.
// result_vt "untouched": the destination must stay as it was; note "in place": converted into itself.
std::string mismatchOf(const std::vector<std::string>& row) {
    const VARTYPE sourceType = typeNamed(row[0]);
    TableSource source(sourceType, row[1]);
    const HRESULT expectedResult = static_cast<HRESULT>(std::stoul(row[3], nullptr, 16));
    const bool inPlace = row[6] == "in place";
    const std::string sourceBefore = describe(source.value);
    // The destination starts out holding a string: a success must free it, a failure must leave it.
    TableSource sentinel(VT_BSTR, "\"sentinel\"");
    VARIANT& destination = inPlace ? source.value : sentinel.value;
    const VARTYPE typeBefore = destination.vt;
    const std::string before = describe(destination);

    const HRESULT result = VariantChangeType(&destination, &source.value, 0, typeNamed(row[2]));
    std::ostringstream problem;
    if (result != expectedResult)
        problem << "hresult " << std::hex << result << " instead of " << expectedResult << std::dec << "; ";
    const bool untouched = row[4] == "untouched";
    const VARTYPE expectedType = untouched ? typeBefore : typeNamed(row[4]);
    const std::string expected = untouched ? before : expectedValue(sourceType, expectedType, row[5]);
    if (destination.vt != expectedType || describe(destination) != expected)
        problem << "result vt " << destination.vt << " " << describe(destination) << " instead of vt "
                << expectedType << " " << expected << "; ";
    if (!inPlace && describe(source.value) != sourceBefore)
        problem << "source changed; ";
    return problem.str();
}

} // namespace

void CheckConversionTable(const std::string& path, std::size_t expectedRows) {
    std::ifstream file(path);
    EXPECT_TRUE(file.is_open()) << path;
    const bool wine = RunningUnderWine();
    std::size_t rows = 0;
    std::string line;
    for (int number = 1; std::getline(file, line); ++number) {
        if (number == 1 || line.empty())
            continue;
        std::vector<std::string> row(7);
        std::istringstream cells(line);
        for (std::string& cell : row)
            std::getline(cells, cell, '\t');
        ++rows;
        if (wine && row[6].find("Wine") != std::string::npos)
            continue;
        if (const std::string problem = mismatchOf(row); !problem.empty())
            ADD_FAILURE() << path << ":" << number << ": " << row[1] << " to " << row[2] << ": " << problem;
    }
    EXPECT_EQ(rows, expectedRows);
}

} // namespace TestSupport
