#include "support/ConversionTable.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <map>
#include <sstream>

namespace TestSupport {

namespace {

const std::map<std::string, VARTYPE, std::less<>> typeNames = {
    {"VT_EMPTY", VT_EMPTY},     {"VT_NULL", VT_NULL},
    {"VT_I2", VT_I2},           {"VT_I4", VT_I4},
    {"VT_R4", VT_R4},           {"VT_R8", VT_R8},
    {"VT_CY", VT_CY},           {"VT_DATE", VT_DATE},
    {"VT_BSTR", VT_BSTR},       {"VT_DISPATCH", VT_DISPATCH},
    {"VT_ERROR", VT_ERROR},     {"VT_BOOL", VT_BOOL},
    {"VT_VARIANT", VT_VARIANT}, {"VT_UNKNOWN", VT_UNKNOWN},
    {"VT_DECIMAL", VT_DECIMAL}, {"VT_I1", VT_I1},
    {"VT_UI1", VT_UI1},         {"VT_UI2", VT_UI2},
    {"VT_UI4", VT_UI4},         {"VT_I8", VT_I8},
    {"VT_UI8", VT_UI8},         {"VT_INT", VT_INT},
    {"VT_UINT", VT_UINT},       {"VT_BYREF", VT_BYREF},
    {"VT_ARRAY", VT_ARRAY}};

// "VT_BYREF|VT_R8", or a number ("0x000F") for a type that does not exist.
VARTYPE typeNamed(const std::string& name) {
    if (name.rfind("0x", 0) == 0)
        return static_cast<VARTYPE>(std::stoul(name, nullptr, 16));
    VARTYPE vt = 0;
    std::istringstream parts(name);
    for (std::string part; std::getline(parts, part, '|');)
        vt |= typeNames.at(part);
    return vt;
}

// "\"1\\u00002\" (len 3)" → the characters between the quotes, escapes resolved.
std::basic_string<OLECHAR> unquote(const std::string& text) {
    std::basic_string<OLECHAR> result;
    const std::size_t end = text.rfind('"');
    for (std::size_t index = 1; index < end; ++index) {
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
        const OLECHAR character = text[index];
        char escaped[8];
        std::snprintf(escaped, sizeof escaped, "\\u%04X", static_cast<unsigned>(character));
        result += character == OLECHAR{'\\'}              ? std::string("\\\\")
                  : character >= 0x20 && character < 0x7F ? std::string(1, static_cast<char>(character))
                                                          : std::string(escaped);
    }
    return result + "\"";
}

std::string printed(const char* format, double value) {
    if (std::isnan(value))
        return "nan";
    char text[40];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

// A value as the table prints it.
std::string describe(const VARIANT& value) {
    switch (value.vt) {
    case VT_I1:
        return std::to_string(static_cast<int>(static_cast<signed char>(value.cVal)));
    case VT_UI1:
        return std::to_string(value.bVal);
    case VT_I2:
        return std::to_string(value.iVal);
    case VT_UI2:
        return std::to_string(value.uiVal);
    case VT_I4:
        return std::to_string(value.lVal);
    case VT_UI4:
        return std::to_string(value.ulVal);
    case VT_INT:
        return std::to_string(value.intVal);
    case VT_UINT:
        return std::to_string(value.uintVal);
    case VT_I8:
        return std::to_string(value.llVal);
    case VT_UI8:
        return std::to_string(value.ullVal);
    case VT_CY:
        return std::to_string(value.cyVal.int64);
    case VT_BOOL:
        return std::to_string(value.boolVal);
    case VT_ERROR:
        return std::to_string(value.scode);
    case VT_R4:
        return printed("%.9g", value.fltVal);
    case VT_R8:
        return printed("%.17g", value.dblVal);
    case VT_DATE:
        return printed("%.17g", value.date);
    case VT_BSTR:
        return quote(value.bstrVal);
    case VT_DECIMAL: { // only the "(mantissa e-scale)" part; our rows keep to 64-bit mantissas
        std::ostringstream text;
        text << "(" << (value.decVal.sign != 0 ? "-" : "") << value.decVal.Lo64 << "e-"
             << static_cast<int>(value.decVal.scale) << ")"
             << (value.decVal.Hi32 != 0 ? " beyond 64 bits" : "");
        return text.str();
    }
    case VT_DISPATCH:
    case VT_UNKNOWN:
        return value.punkVal == nullptr ? "null" : "object";
    default:
        return "";
    }
}

// The expected value as describe() prints it.
std::string expectedValue(const ConversionRow& row) {
    if (row.resultType == VT_DECIMAL)
        return row.value.substr(row.value.find('('));
    // Text without a year takes the current one; the table was measured in 2026.
    if (row.sourceType == VT_BSTR && row.resultType == VT_DATE && !row.value.empty()) {
        using namespace std::chrono;
        const double serial = std::stod(row.value);
        const sys_days epoch = sys_days{year{1899} / December / 30};
        const year_month_day measured{epoch + days{static_cast<int>(serial)}};
        const std::time_t now = std::time(nullptr);
        const std::tm local = *std::localtime(&now);
        if (measured.year() == year{2026}) {
            const year_month_day shifted{year{local.tm_year + 1900}, measured.month(), measured.day()};
            return printed("%.17g", (sys_days{shifted} - epoch).count() + (serial - std::floor(serial)));
        }
    }
    return row.value;
}

// A source VARIANT built from its text in the table, with what it refers to.
class TableSource {
public:
    TableSource(VARTYPE vt, const std::string& text) { fill(value_, vt, text); }
    ~TableSource() {
        VariantClear(&value_);
        VariantClear(&referenced_);
        VariantClear(&pointee_);
    }
    TableSource(const TableSource&) = delete;
    TableSource& operator=(const TableSource&) = delete;

    VARIANT& variant() { return value_; }

private:
    void fill(VARIANT& target, VARTYPE vt, const std::string& text) {
        VariantInit(&target);
        if ((vt & VT_BYREF) != 0) {
            const std::string referred = text.substr(2); // after "->"
            const VARTYPE base = vt & ~VT_BYREF;
            if (referred == "null") {
                target.byref = nullptr;
            } else if (base == VT_VARIANT) {
                const std::size_t space = referred.find(' ');
                fill(referenced_, typeNamed(referred.substr(0, space)), referred.substr(space + 1));
                target.pvarVal = &referenced_;
            } else {
                fill(pointee_, base == VT_EMPTY ? VARTYPE{VT_R8} : base, referred);
                target.byref = base == VT_DECIMAL ? static_cast<void*>(&pointee_.decVal) : &pointee_.llVal;
            }
        } else {
            fillValue(target, vt, text);
        }
        target.vt = vt;
    }

    static void fillValue(VARIANT& target, VARTYPE vt, const std::string& text) {
        switch (vt) {
        case VT_I1:
            target.cVal = static_cast<CHAR>(std::stoi(text));
            break;
        case VT_UI1:
            target.bVal = static_cast<BYTE>(std::stoul(text));
            break;
        case VT_I2:
            target.iVal = static_cast<SHORT>(std::stoi(text));
            break;
        case VT_UI2:
            target.uiVal = static_cast<USHORT>(std::stoul(text));
            break;
        case VT_I4:
            target.lVal = std::stoi(text);
            break;
        case VT_UI4:
            target.ulVal = static_cast<ULONG>(std::stoul(text));
            break;
        case VT_INT:
            target.intVal = std::stoi(text);
            break;
        case VT_UINT:
            target.uintVal = static_cast<UINT>(std::stoul(text));
            break;
        case VT_I8:
            target.llVal = std::stoll(text);
            break;
        case VT_UI8:
            target.ullVal = std::stoull(text);
            break;
        case VT_CY:
            target.cyVal.int64 = std::stoll(text);
            break;
        case VT_BOOL:
            target.boolVal = static_cast<VARIANT_BOOL>(std::stoi(text));
            break;
        case VT_ERROR:
            target.scode = std::stoi(text);
            break;
        case VT_R4:
            target.fltVal = std::strtof(text.c_str(), nullptr);
            break;
        case VT_R8:
            target.dblVal = std::strtod(text.c_str(), nullptr);
            break;
        case VT_DATE:
            target.date = std::strtod(text.c_str(), nullptr);
            break;
        case VT_BSTR:
            if (text != "<null>") {
                const std::basic_string<OLECHAR> characters = unquote(text);
                target.bstrVal = SysAllocStringLen(characters.data(), static_cast<UINT>(characters.size()));
            }
            break;
        case VT_DECIMAL: { // "-2.5 (-25e-1)"
            target.decVal = DECIMAL{};
            const std::string exact = text.substr(text.find('(') + 1);
            target.decVal.sign = exact[0] == '-' ? DECIMAL_NEG : 0;
            target.decVal.Lo64 = std::stoull(exact.substr(exact[0] == '-' ? 1 : 0));
            target.decVal.scale = static_cast<BYTE>(std::stoi(exact.substr(exact.find("e-") + 2)));
            break;
        }
        default: // "null" objects and arrays, and the types that do not exist
            break;
        }
    }

    VARIANT value_;
    VARIANT referenced_{};
    VARIANT pointee_{};
};

} // namespace

std::vector<ConversionRow> ReadConversionRows(const std::string& path) {
    std::ifstream file(path);
    EXPECT_TRUE(file.is_open()) << path;
    std::vector<ConversionRow> rows;
    std::string line;
    for (int number = 1; std::getline(file, line); ++number) {
        std::vector<std::string> columns;
        std::istringstream cells(line);
        for (std::string cell; std::getline(cells, cell, '\t');)
            columns.push_back(cell);
        columns.resize(7);
        if (number == 1 || line.empty())
            continue;
        const std::optional<VARTYPE> resultType =
            columns[4] == "untouched" ? std::nullopt : std::optional<VARTYPE>(typeNamed(columns[4]));
        rows.push_back({path, number, typeNamed(columns[0]), columns[1], typeNamed(columns[2]),
                        static_cast<HRESULT>(std::stoul(columns[3], nullptr, 16)), resultType, columns[5],
                        columns[6]});
    }
    return rows;
}

std::optional<std::string> MismatchOf(const ConversionRow& row) {
    TableSource source(row.sourceType, row.source);
    const bool inPlace = row.note == "in place";
    const std::string sourceBefore = describe(source.variant());
    // The destination starts out holding a string: a success must free it, a failure must leave it.
    VARIANT sentinel;
    VariantInit(&sentinel);
    sentinel.vt = VT_BSTR;
    sentinel.bstrVal = SysAllocString(OLESTR("sentinel"));
    VARIANT& destination = inPlace ? source.variant() : sentinel;
    const VARTYPE typeBefore = destination.vt;
    const std::string before = describe(destination);

    const HRESULT result = VariantChangeType(&destination, &source.variant(), 0, row.targetType);
    std::ostringstream problem;
    if (result != row.result)
        problem << "hresult " << std::hex << result << " instead of " << row.result << "; ";
    if (!row.resultType.has_value() && (destination.vt != typeBefore || describe(destination) != before))
        problem << "destination changed to " << describe(destination) << "; ";
    if (row.resultType.has_value() &&
        (destination.vt != *row.resultType || describe(destination) != expectedValue(row)))
        problem << "result vt " << destination.vt << " " << describe(destination) << " instead of "
                << expectedValue(row) << "; ";
    if (!inPlace && describe(source.variant()) != sourceBefore)
        problem << "source changed; ";
    VariantClear(&sentinel);
    if (problem.str().empty())
        return std::nullopt;
    return problem.str();
}

std::string Describe(const ConversionRow& row) {
    return row.file + ":" + std::to_string(row.line) + ": " + row.source + " to vt " +
           std::to_string(row.targetType);
}

} // namespace TestSupport
