// Random calls into every export but the font reader, one canonical line per call: the input as it was
// handed over, the result (or the HRESULT raised) and every output element's type and exact bits. The
// native build (our stand-ins) and the Windows build (the system's OLE Automation) print the same lines
// for the same seed unless they answer differently: scripts/lib/check-differential compares them.
//
// usage: differential_calls SEED COUNT [FIRST]   calls FIRST to FIRST + COUNT - 1 (FIRST 0 when left out)
//
// Nothing here depends on the C run-time's number formatting or mathematics, which differ between the two
// builds: values are made from integer arithmetic and printed as bits.
#include <WindowsUtils.h>

#include "support/SeededRandom.h"

#include <array>
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <deque>
#include <exception>
#include <functional>
#include <new>
#include <string>
#include <vector>

namespace {

using Random = TestSupport::SeededRandom;

// ---------------------------------------------------------------------------------------------------
// Printing

std::string Hex(std::uint64_t value, int digits) {
    std::string text(static_cast<std::size_t>(digits), '0');
    for (int index = digits - 1; index >= 0 && value != 0; --index, value >>= 4)
        text[static_cast<std::size_t>(index)] = "0123456789abcdef"[value & 15];
    return text;
}

template <class Integer>
std::string Decimal(Integer value) {
    std::array<char, 24> text{};
    return std::string(text.data(), std::to_chars(text.data(), text.data() + text.size(), value).ptr);
}

template <class Number>
std::string Bits(Number value) {
    if constexpr (sizeof(Number) == 8) {
        std::uint64_t bits = 0;
        std::memcpy(&bits, &value, 8);
        return Hex(bits, 16);
    } else if constexpr (sizeof(Number) == 4) {
        std::uint32_t bits = 0;
        std::memcpy(&bits, &value, 4);
        return Hex(bits, 8);
    } else if constexpr (sizeof(Number) == 2) {
        std::uint16_t bits = 0;
        std::memcpy(&bits, &value, 2);
        return Hex(bits, 4);
    } else {
        return Hex(static_cast<unsigned char>(value), 2);
    }
}

std::string Text(const WCHAR* text, std::size_t length) {
    std::string result = "\"";
    for (std::size_t index = 0; index < length; ++index) {
        const auto character = static_cast<std::uint16_t>(text[index]);
        if (character == '"' || character == '\\')
            result += '\\';
        if (character >= 0x20 && character < 0x7F)
            result += static_cast<char>(character);
        else
            result += "\\u" + Hex(character, 4);
    }
    return result + "\"";
}

std::string Text(BSTR text) {
    return text == nullptr ? "<null>" : Text(text, SysStringLen(text));
}

std::string DecimalBits(const DECIMAL& value) {
    return "s" + Bits(value.scale) + ":" + Bits(value.sign) + ":" + Bits(value.Hi32) + ":" + Bits(value.Lo64);
}

std::string Describe(const VARIANT& value);

// A scalar of type vt lying at data (a VARIANT's union, or what a reference points to).
std::string ScalarBits(VARTYPE vt, const void* data) {
    const auto field = [&](auto sample) {
        std::memcpy(&sample, data, sizeof sample);
        return Bits(sample);
    };
    switch (vt) {
    case VT_I1:
    case VT_UI1:
        return field(std::uint8_t{});
    case VT_I2:
    case VT_UI2:
    case VT_BOOL:
        return field(std::uint16_t{});
    case VT_I4:
    case VT_UI4:
    case VT_INT:
    case VT_UINT:
    case VT_R4:
    case VT_ERROR:
        return field(std::uint32_t{});
    case VT_I8:
    case VT_UI8:
    case VT_R8:
    case VT_CY:
    case VT_DATE:
        return field(std::uint64_t{});
    case VT_DECIMAL: {
        DECIMAL decimal;
        std::memcpy(&decimal, data, sizeof decimal);
        return DecimalBits(decimal);
    }
    case VT_BSTR: {
        BSTR text = nullptr;
        std::memcpy(&text, data, sizeof text);
        return Text(text);
    }
    case VT_DISPATCH:
    case VT_UNKNOWN: {
        void* object = nullptr;
        std::memcpy(&object, data, sizeof object);
        return object == nullptr ? "null" : "object";
    }
    default:
        return "";
    }
}

std::string DescribeArray(const SAFEARRAY* array, VARTYPE elementType) {
    if (array == nullptr)
        return "null";
    std::string text = "[d" + Decimal(array->cDims) + " f" + Hex(array->fFeatures, 4) + " cb" +
                       Decimal(array->cbElements) + " locks" + Decimal(array->cLocks);
    std::uint64_t cells = array->cDims == 0 ? 0 : 1;
    for (USHORT dimension = 0; dimension < array->cDims; ++dimension) {
        text += " (" + Decimal(array->rgsabound[dimension].cElements) + "," +
                Decimal(array->rgsabound[dimension].lLbound) + ")";
        cells *= array->rgsabound[dimension].cElements;
    }
    text += ":";
    const auto* data = static_cast<const unsigned char*>(array->pvData);
    for (std::uint64_t cell = 0; cell < cells && data != nullptr; ++cell) {
        const void* element = data + cell * array->cbElements;
        if (elementType == VT_VARIANT)
            text += " " + Describe(*static_cast<const VARIANT*>(element));
        else
            text += " " + ScalarBits(elementType, element);
    }
    return text + "]";
}

// The type and exact content of a value, references followed; no pointer value is printed.
std::string Describe(const VARIANT& value) {
    const VARTYPE vt = value.vt;
    const VARTYPE base = vt & VT_TYPEMASK;
    std::string text = Hex(vt, 4);
    if ((vt & VT_BYREF) != 0) {
        if (value.byref == nullptr)
            return text + "->null";
        if ((vt & VT_ARRAY) != 0)
            return text + "->" + DescribeArray(*value.pparray, base);
        if (base == VT_VARIANT)
            return text + "->" + Describe(*value.pvarVal);
        return text + "->" + ScalarBits(base, value.byref);
    }
    if ((vt & VT_ARRAY) != 0)
        return text + DescribeArray(value.parray, base);
    if (vt == VT_DECIMAL)
        return text + ":" + DecimalBits(value.decVal);
    const std::string bits = ScalarBits(vt, &value.llVal);
    return bits.empty() ? text : text + ":" + bits;
}

template <class Number>
std::string Numbers(const Number* numbers, std::uint64_t count) {
    std::string text = "n" + Decimal(count) + ":";
    for (std::uint64_t index = 0; index < count; ++index) {
        if constexpr (std::is_same_v<Number, long>)
            text += " " + Decimal(static_cast<long long>(numbers[index])); // whatever width a long has
        else if constexpr (std::is_same_v<Number, bool>)
            text += numbers[index] ? " 1" : " 0";
        else
            text += " " + Bits(numbers[index]);
    }
    return text;
}

template <class Number>
std::string Numbers(const SArray<Number>& numbers) {
    return Numbers(numbers.Data(), numbers.Count());
}

std::string Numbers(const std::vector<bool>& flags) {
    std::string text = "n" + Decimal(flags.size()) + ":";
    for (bool flag : flags)
        text += flag ? " 1" : " 0";
    return text;
}

std::string Numbers(const std::vector<std::byte>& bytes) {
    std::string text = "n" + Decimal(bytes.size()) + ":";
    for (std::byte byte : bytes)
        text += " " + Hex(static_cast<unsigned>(byte), 2);
    return text;
}

template <class Number>
std::string Numbers(const std::vector<Number>& numbers) {
    return Numbers(numbers.data(), numbers.size());
}

// Points and matrices are plain records of numbers: their bits, field by field.
template <class Point>
std::string Points(const Point* points, std::uint64_t count) {
    std::string text = "n" + Decimal(count) + ":";
    for (std::uint64_t index = 0; index < count; ++index) {
        if constexpr (std::is_same_v<Point, MbMatrix3D>) {
            text += " (" + Numbers(points[index].Data(), 16) + " flag" + Decimal(points[index].StoredFlag()) +
                    ")";
        } else {
            text += " (" + Bits(points[index].x) + "," + Bits(points[index].y);
            if constexpr (requires { points[index].z; })
                text += "," + Bits(points[index].z);
            text += ")";
        }
    }
    return text;
}

template <class Point>
std::string Points(const SArray<Point>& points) {
    return Points(points.Data(), points.Count());
}

template <class Point>
std::string Points(const std::vector<Point>& points) {
    return Points(points.data(), points.size());
}

std::string Strings(const PArray<old::string>& strings) {
    std::string text = "n" + Decimal(strings.Count()) + ":";
    for (std::uint64_t index = 0; index < strings.Count(); ++index) {
        const old::string* string = strings[index];
        if (string == nullptr)
            text += " <no string>";
        else
            text += " " + (string->Text() == nullptr ? std::string("<none>")
                                                     : Text(string->Text(), string->Length()));
    }
    return text;
}

std::string Strings(const std::vector<WideString>& strings) {
    std::string text = "n" + Decimal(strings.size()) + ":";
    for (const WideString& string : strings)
        text += " " + Text(string.data(), string.size());
    return text;
}

std::string Values(const RPArray<_variant_t>& values) {
    std::string text = "n" + Decimal(values.Count()) + ":";
    for (std::uint64_t index = 0; index < values.Count(); ++index)
        text += " " + Describe(*values[index]);
    return text;
}

// ---------------------------------------------------------------------------------------------------
// Inputs

BSTR MakeText(const std::string& text) {
    std::vector<OLECHAR> characters;
    for (char character : text) // the one character above ASCII written is the no-break space, 0xA0
        characters.push_back(static_cast<OLECHAR>(static_cast<unsigned char>(character)));
    return SysAllocStringLen(characters.data(), static_cast<UINT>(characters.size()));
}

// Values that live as long as one call: what references point to. Cleared after the call.
struct Arena {
    std::deque<VARIANT> values;
    VARIANT& New() {
        values.emplace_back();
        VariantInit(&values.back());
        return values.back();
    }
    ~Arena() {
        for (VARIANT& value : values)
            VariantClear(&value);
    }
};

class Inputs {
public:
    Inputs(Random& random, Arena& arena) : random(random), arena(arena) {}

    std::uint64_t Bits64() { return random.Next(); }

    std::int64_t Integer(int bits, bool isSigned) {
        const std::uint64_t mask = bits == 64 ? ~0ull : (1ull << bits) - 1;
        const std::int64_t minimum = isSigned ? -static_cast<std::int64_t>((mask >> 1)) - 1 : 0;
        const std::int64_t maximum =
            static_cast<std::int64_t>(isSigned ? mask >> 1 : mask & 0x7FFFFFFFFFFFFFFFull);
        switch (random.Below(9)) {
        case 0:
            return random.Pick({std::int64_t{0}, std::int64_t{1}, std::int64_t{-1}, std::int64_t{2}});
        case 1:
            return random.Pick({minimum, maximum, minimum + 1, maximum - 1});
        case 2:
            return static_cast<std::int64_t>(random.Below(2001)) - 1000;
        case 3: {
            // The edges of the types a value is converted to, in a type wide enough to hold them.
            const std::int64_t edge = TargetEdge();
            if (edge >= minimum && edge <= maximum)
                return edge;
            return maximum;
        }
        default: {
            std::uint64_t value = random.Next() & mask;
            if (isSigned && bits < 64 && (value >> (bits - 1)) != 0)
                value |= ~mask; // sign-extended
            return static_cast<std::int64_t>(value);
        }
        }
    }

    // A value at or just beyond the range of one of the integer types the library converts to.
    std::int64_t TargetEdge() {
        static const std::int64_t edges[] = {127,           128,        -128,       -129,       255,
                                             256,           32767,      32768,      -32768,     -32769,
                                             65535,         65536,      2147483647, 2147483648, -2147483648LL,
                                             -2147483649LL, 4294967295, 4294967296};
        return random.Pick(edges);
    }

    double PowerOfTen(int exponent) {
        double power = 1;
        for (int step = 0; step < (exponent < 0 ? -exponent : exponent); ++step)
            power *= 10; // exact up to 10^22
        return exponent < 0 ? 1 / power : power;
    }

    // Doubles around every edge a conversion meets, and any bit pattern.
    double Real() {
        static const double edges[] = {0.0,
                                       -0.0,
                                       0.5,
                                       -0.5,
                                       1.5,
                                       2.5,
                                       -2.5,
                                       3.5,
                                       127.5,
                                       128.5,
                                       255.5,
                                       -128.5,
                                       32767.5,
                                       -32768.5,
                                       65535.5,
                                       2147483647.49,
                                       2147483647.5,
                                       -2147483648.5,
                                       -2147483648.51,
                                       4294967295.5,
                                       4294967294.5,
                                       9223372036854775807.0,
                                       -9223372036854775808.0,
                                       18446744073709551615.0,
                                       922337203685477.5807,
                                       -922337203685477.5808,
                                       0x1.fffffep127,
                                       0x1.ffffffp127,
                                       0x1.fffffefffffffp127,
                                       0x1.0p128,
                                       0x1.0p-149,
                                       0x1.0p-150,
                                       0x1.0p-1074,
                                       1.7976931348623157e308,
                                       2.2250738585072014e-308,
                                       0.1,
                                       1e15,
                                       1e16,
                                       123456789012345.678,
                                       -657434.0,
                                       2958465.0,
                                       2958466.0,
                                       -657435.0,
                                       1.0 / 3};
        std::uint64_t bits = 0;
        switch (random.Below(11)) {
        case 0:
        case 1:
            return random.Pick(edges);
        case 2:
            bits = random.Pick({0x7FF0000000000000ull, 0xFFF0000000000000ull, 0x7FF8000000000000ull,
                                0xFFF8000000000000ull, 0x7FF0000000000001ull, 0x0000000000000001ull});
            break;
        case 8:
            // At an integer target's edge, on it or half a unit either side.
            return static_cast<double>(TargetEdge()) + random.Pick({0.0, 0.0, 0.5, -0.5, 0.25, -0.25});
        case 3: {
            // A whole or half number near the integer types' edges.
            const std::int64_t whole = Integer(random.Pick({8, 16, 32, 32, 64}), random.Chance(500));
            return static_cast<double>(whole) + random.Pick({0.0, 0.5, -0.5, 0.25, 0.75});
        }
        case 4:
        case 5: {
            // A few decimal digits, scaled: what people type.
            const double digits = static_cast<double>(random.Below(2000001)) - 1000000;
            return digits / PowerOfTen(static_cast<int>(random.Below(9)));
        }
        case 6:
            // A date, sometimes just below midnight.
            return static_cast<double>(static_cast<std::int64_t>(random.Below(3615900)) - 657434) +
                   random.Pick({0.0, 0.5, 0.25, 0.999999, 0.99999999, 0.9999999999, 1e-7});
        default:
            bits = random.Next();
        }
        double value = 0;
        std::memcpy(&value, &bits, sizeof value);
        return value;
    }

    float Single() {
        if (random.Chance(300)) {
            const std::uint32_t bits = static_cast<std::uint32_t>(random.Next());
            float value = 0;
            std::memcpy(&value, &bits, sizeof value);
            return value;
        }
        return static_cast<float>(Real());
    }

    // A valid DECIMAL of any magnitude, or (now and then) one with a scale above 28 or a stray sign byte.
    DECIMAL Decimal96() {
        DECIMAL value{};
        const int width = random.Pick({8, 32, 64, 96, 96});
        const std::uint64_t low = random.Next(), high = random.Next();
        value.Lo64 = width >= 64 ? low : low & ((1ull << width) - 1);
        value.Hi32 = width == 96 ? static_cast<ULONG>(high) : 0;
        value.scale = static_cast<BYTE>(random.Below(29));
        value.sign = random.Chance(500) ? DECIMAL_NEG : 0;
        if (random.Chance(200)) {
            // An integer target's edge, or half a unit beyond it.
            const std::int64_t edge = TargetEdge();
            const bool half = random.Chance(500);
            value.Lo64 =
                static_cast<std::uint64_t>(edge < 0 ? -edge : edge) * (half ? 10 : 1) + (half ? 5 : 0);
            value.Hi32 = 0;
            value.scale = half ? 1 : 0;
            value.sign = edge < 0 ? DECIMAL_NEG : 0;
        }
        if (random.Chance(60))
            value.scale = static_cast<BYTE>(
                29 + random.Below(8)); // larger ones make Wine read past the digits when it formats them
        if (random.Chance(60))
            value.sign = static_cast<BYTE>(random.Pick({0x01, 0x40, 0x7F, 0x81, 0xFF}));
        return value;
    }

    // Numbers as people write them, in every notation the conversion reads, and text it does not read.
    std::string NumberText() {
        static const char* const words[] = {"True",
                                            "false",
                                            "#TRUE#",
                                            "#false#",
                                            "",
                                            " ",
                                            "abc",
                                            "1e400",
                                            "1e-400",
                                            "1.7976931348623157e308",
                                            "-1.7976931348623157e308",
                                            "4.9406564584124654e-324",
                                            "3.4028235e38",
                                            "3.402823466385289e38",
                                            "&H",
                                            "&HFFFFFFFF",
                                            "&H7FFFFFFF",
                                            "&H80000000",
                                            "&O777",
                                            "&O37777777777",
                                            "1,5",
                                            ",5",
                                            "1.2.3",
                                            "--1",
                                            "(1)",
                                            "$-1",
                                            "1-",
                                            "1$",
                                            ".",
                                            "e5",
                                            "1e",
                                            "123456789012345678901234567890",
                                            "0.000000000000000000000000000001",
                                            "79228162514264337593543950335",
                                            "79228162514264337593543950336",
                                            "2147483647.5",
                                            "-2147483648.5",
                                            "4294967295",
                                            "-0",
                                            "NaN",
                                            "Inf"};
        if (random.Chance(150))
            return random.Pick(words);
        std::string digits =
            Decimal(static_cast<std::uint64_t>(Integer(random.Pick({8, 16, 32, 64}), false)));
        if (random.Chance(200))
            digits = digits.substr(0, 1 + random.Below(static_cast<std::uint32_t>(digits.size())));
        std::string text;
        switch (random.Below(6)) {
        case 0: // a decimal point somewhere, perhaps with nothing on one side
            text = digits;
            text.insert(random.Below(static_cast<std::uint32_t>(text.size()) + 1), ".");
            break;
        case 1: // an exponent
            text = digits + random.Pick({"e", "E", "e+", "E-", "e-"}) + Decimal(random.Below(330));
            break;
        case 2: // thousands separators wherever
            text = digits;
            for (std::size_t index = text.size(); index > 3;) {
                index -= 3;
                if (random.Chance(700))
                    text.insert(index, ",");
            }
            break;
        case 3: { // hexadecimal or octal
            const std::uint64_t value =
                static_cast<std::uint64_t>(Integer(random.Pick({8, 16, 32, 64}), false));
            std::string radix;
            for (std::uint64_t rest = value, base = random.Chance(500) ? 16 : 8; rest != 0 || radix.empty();
                 rest /= base)
                radix.insert(radix.begin(), "0123456789ABCDEF"[rest % base]);
            text = std::string(radix.find_first_not_of("01234567") == std::string::npos && random.Chance(500)
                                   ? "&O"
                                   : random.Pick({"&H", "&h"})) +
                   radix;
            break;
        }
        default:
            text = digits;
        }
        switch (random.Below(8)) {
        case 0:
            text = "-" + text;
            break;
        case 1:
            text = text + "-";
            break;
        case 2:
            text = "(" + text + ")";
            break;
        case 3:
            text = random.Pick({"$", "$ ", "+"}) + text;
            break;
        default:
            break;
        }
        if (random.Chance(150))
            text = random.Pick({" ", "\t", "\xA0", "  "}) + text + random.Pick({"", " ", "\t"});
        return text;
    }

    BSTR NumberBstr() {
        if (random.Chance(20))
            return nullptr;
        std::string text = NumberText();
        if (random.Chance(20))
            text += std::string(1, '\0') + "9"; // text stops at the first NUL
        return MakeText(text);
    }

    // One scalar of the given type, put straight into value (which holds nothing).
    void Scalar(VARTYPE vt, VARIANT& value) {
        VariantInit(&value);
        switch (vt) {
        case VT_I1:
            value.cVal = static_cast<CHAR>(Integer(8, true));
            break;
        case VT_UI1:
            value.bVal = static_cast<BYTE>(Integer(8, false));
            break;
        case VT_I2:
            value.iVal = static_cast<SHORT>(Integer(16, true));
            break;
        case VT_UI2:
            value.uiVal = static_cast<USHORT>(Integer(16, false));
            break;
        case VT_I4:
        case VT_INT:
            value.lVal = static_cast<LONG>(Integer(32, true));
            break;
        case VT_UI4:
        case VT_UINT:
            value.ulVal = static_cast<ULONG>(Integer(32, false));
            break;
        case VT_I8:
            value.llVal = Integer(64, true);
            break;
        case VT_UI8:
            value.ullVal = static_cast<ULONGLONG>(Integer(64, false));
            break;
        case VT_R4:
            value.fltVal = Single();
            break;
        case VT_R8:
        case VT_DATE:
            value.dblVal = Real();
            break;
        case VT_CY:
            value.cyVal.int64 =
                random.Chance(500) ? Integer(64, true)
                                   : Integer(32, true) * 10000 + random.Pick({0, 5000, -5000, 1, 4999, 5001});
            break;
        case VT_BSTR:
            value.bstrVal = NumberBstr();
            break;
        case VT_BOOL:
            value.boolVal = static_cast<VARIANT_BOOL>(random.Pick({0, -1, -1, 1, 2}));
            break;
        case VT_ERROR:
            value.scode = static_cast<SCODE>(random.Next());
            break;
        case VT_DECIMAL:
            value.decVal = Decimal96();
            break;
        default: // VT_EMPTY, VT_NULL, null objects and invalid types: the type alone
            break;
        }
        value.vt = vt; // after the DECIMAL, which overlays it
    }

    VARTYPE ScalarType() {
        static const VARTYPE types[] = {VT_I1,   VT_UI1,     VT_I2,      VT_UI2,   VT_I4,   VT_UI4,
                                        VT_INT,  VT_UINT,    VT_I8,      VT_UI8,   VT_R4,   VT_R8,
                                        VT_R8,   VT_R8,      VT_CY,      VT_DATE,  VT_BSTR, VT_BSTR,
                                        VT_BOOL, VT_DECIMAL, VT_DECIMAL, VT_EMPTY, VT_NULL, VT_ERROR};
        if (random.Chance(8))
            return random.Pick({VT_DISPATCH, VT_UNKNOWN});
        return random.Pick(types);
    }

    // A scalar value, by reference now and then (the referred value living in the arena).
    void AnyScalar(VARIANT& value, bool elementOfArray) {
        VARTYPE vt = ScalarType();
        if (elementOfArray && random.Chance(4))
            vt = random.Pick({VARTYPE{15}, VARTYPE{VT_CLSID}, VARTYPE{0xFFF}}); // not a type at all
        if (!random.Chance(70) || vt == VT_EMPTY || vt == VT_NULL || vt == 15 || vt == VT_CLSID ||
            vt == 0xFFF) {
            Scalar(vt, value);
            return;
        }
        VARIANT& referred = arena.New();
        Scalar(vt, referred);
        VariantInit(&value);
        if (random.Chance(150)) {
            value.vt = VT_BYREF | VT_VARIANT;
            value.pvarVal = &referred;
            return;
        }
        value.vt = static_cast<VARTYPE>(VT_BYREF | vt);
        value.byref =
            vt == VT_DECIMAL ? static_cast<void*>(&referred.decVal) : static_cast<void*>(&referred.llVal);
    }

    // How many elements: around the multiples a reader wants, or anything small.
    ULONG Length(ULONG multiple) {
        if (random.Chance(80))
            return random.Below(3) == 0 ? 0 : random.Below(40);
        return multiple * (1 + random.Below(4)) + (random.Chance(100) ? 1 : 0);
    }

    LONG LowerBound() {
        if (random.Chance(750))
            return 0;
        return random.Pick({1, -1, 2, 5, -3, 0x7FFFFFF0, -0x7FFFFFF0});
    }

    // An array value of that element type, sized about a multiple of `multiple`; owned by value.
    void Array(VARTYPE elementType, ULONG multiple, VARIANT& value) {
        VariantInit(&value);
        SAFEARRAY* array = nullptr;
        ULONG cells = 0;
        if (random.Chance(30)) {
            SAFEARRAYBOUND bounds[2] = {{multiple, LowerBound()}, {1 + random.Below(3), LowerBound()}};
            array = SafeArrayCreate(elementType, 2, bounds);
            cells = bounds[0].cElements * bounds[1].cElements;
        } else {
            cells = Length(multiple);
            array = random.Chance(500) ? SafeArrayCreateVector(elementType, LowerBound(), cells) : nullptr;
            if (array == nullptr) {
                SAFEARRAYBOUND bound{cells, LowerBound()};
                array = SafeArrayCreate(elementType, 1, &bound);
            }
        }
        value.vt = static_cast<VARTYPE>(VT_ARRAY | elementType);
        if (array == nullptr || random.Chance(15)) {
            SafeArrayDestroy(array);
            return; // a null array
        }
        value.parray = array;
        auto* data = static_cast<unsigned char*>(array->pvData);
        for (ULONG cell = 0; cell < cells; ++cell) {
            VARIANT element;
            if (elementType == VT_VARIANT) {
                // Mostly numbers, as a script sends them.
                if (random.Chance(600))
                    Scalar(random.Pick({VT_R8, VT_R8, VT_I4, VT_I2, VT_R4, VT_BSTR}), element);
                else
                    AnyScalar(element, true);
                std::memcpy(data + std::size_t{cell} * sizeof(VARIANT), &element, sizeof element);
                continue;
            }
            Scalar(elementType, element); // the array owns a BSTR from here on
            std::memcpy(data + std::size_t{cell} * array->cbElements,
                        elementType == VT_DECIMAL ? static_cast<void*>(&element.decVal)
                                                  : static_cast<void*>(&element.llVal),
                        array->cbElements);
        }
    }

    // Any value a reader might be handed: mostly an array of one of the element types it expects.
    void Value(std::initializer_list<VARTYPE> expected, ULONG multiple, VARIANT& value) {
        static const VARTYPE arrayTypes[] = {VT_I1,      VT_UI1,     VT_I2,     VT_UI2,  VT_I4,    VT_UI4,
                                             VT_INT,     VT_UINT,    VT_I8,     VT_UI8,  VT_R4,    VT_R8,
                                             VT_CY,      VT_DATE,    VT_BSTR,   VT_BOOL, VT_ERROR, VT_DECIMAL,
                                             VT_VARIANT, VT_VARIANT, VT_VARIANT};
        const std::uint32_t form = random.Below(100);
        if (form < 15) {
            AnyScalar(value, false);
            return;
        }
        const VARTYPE elementType =
            form < 75 ? *(expected.begin() + random.Below(static_cast<std::uint32_t>(expected.size())))
                      : random.Pick(arrayTypes);
        if (form >= 95) {
            // By reference: the array lives in the arena.
            VARIANT& referred = arena.New();
            Array(elementType, multiple, referred);
            VariantInit(&value);
            value.vt = static_cast<VARTYPE>(VT_BYREF | referred.vt);
            value.pparray = &referred.parray;
            return;
        }
        Array(elementType, multiple, value);
    }

    MbMatrix3D Matrix3D() {
        switch (random.Below(5)) {
        case 0:
            return MbMatrix3D();
        case 1:
            return MbMatrix3D::Translation(Plain(), Plain(), Plain());
        case 2:
            return MbMatrix3D::Scaling(Plain(), Plain(), Plain());
        default:
            return AnyElements<MbMatrix3D>();
        }
    }

    MbMatrix Matrix2D() {
        switch (random.Below(4)) {
        case 0:
            return MbMatrix();
        case 1:
            return MbMatrix::Translation(Plain(), Plain());
        default:
            return AnyElements<MbMatrix>();
        }
    }

    // Mostly plain coordinates, now and then any double at all; the classification left stale.
    template <class Matrix>
    Matrix AnyElements() {
        Matrix matrix;
        for (std::size_t index = 0; index < Matrix::elementCount; ++index)
            matrix.SetElement(index, random.Chance(900) ? Plain() : Real());
        return matrix;
    }

    // A coordinate as points have them.
    double Plain() {
        return random.Chance(900) ? (static_cast<double>(random.Below(20001)) - 10000) / 8 : Real();
    }

    std::uint32_t Count(std::uint32_t largest) { return random.Chance(100) ? 0 : 1 + random.Below(largest); }

    WideString Wide() {
        static const char* const texts[] = {"", "Wall", "a b", "\xA0", "12.5"};
        std::string text = random.Pick(texts);
        if (random.Chance(100))
            text += std::string(1, '\0') + "tail";
        WideString wide;
        for (char character : text)
            wide.push_back(static_cast<WCHAR>(static_cast<unsigned char>(character)));
        return wide;
    }

    Random& random;

private:
    Arena& arena;
};

// ---------------------------------------------------------------------------------------------------
// Calls

std::string Raised(const _com_error& error) {
    return "throw " + Hex(static_cast<std::uint32_t>(error.Error()), 8);
}

// Runs the call; its result, or what it raised. The outputs are printed afterwards in either case.
template <class Call>
std::string Outcome(Call call) {
    try {
        return call();
    } catch (const _com_error& error) {
        return Raised(error);
    } catch (const std::bad_alloc&) {
        return "throw bad_alloc";
    }
}

std::string Flag(bool value) {
    return value ? "true" : "false";
}

struct CallText {
    std::string name, input, result, output;
};

// A reader of one value into a container printed by `print`.
template <class Container, class Read, class Print>
CallText Reader(const char* name, Inputs& inputs, std::initializer_list<VARTYPE> expected, ULONG multiple,
                Read read, Print print, Container& target) {
    VARIANT value;
    inputs.Value(expected, multiple, value);
    CallText text{name, Describe(value), "", ""};
    text.result = Outcome([&] { return read(value, target); });
    text.output = print(target) + " | after " + Describe(value);
    VariantClear(&value);
    return text;
}

template <class Number>
void Prefill(Inputs& inputs, SArray<Number>& target) {
    if (inputs.random.Chance(300))
        target.Add(static_cast<Number>(7));
}

template <class Number>
void Prefill(Inputs& inputs, std::vector<Number>& target) {
    if (inputs.random.Chance(300))
        target.push_back(static_cast<Number>(7));
}

template <class Number>
SArray<Number>& FillNumbers(Inputs& inputs, SArray<Number>& numbers, Number (*make)(Inputs&)) {
    for (std::uint32_t count = inputs.Count(12); count > 0 && numbers.Count() == 0; --count) {
        for (std::uint32_t index = 0; index < count; ++index)
            numbers.Add(make(inputs));
    }
    return numbers;
}

short MakeShort(Inputs& inputs) {
    return static_cast<short>(inputs.Integer(16, true));
}
unsigned int MakeUnsigned(Inputs& inputs) {
    return static_cast<unsigned int>(inputs.Integer(32, false));
}
long MakeLong(Inputs& inputs) {
    return static_cast<long>(inputs.Integer(32, true));
}
float MakeFloat(Inputs& inputs) {
    return inputs.Single();
}
double MakeDouble(Inputs& inputs) {
    return inputs.Real();
}
long long MakeLongLong(Inputs& inputs) {
    return inputs.Integer(64, true);
}

// A writer into a VARIANT that starts empty; the array it made is printed, then released.
template <class Write>
CallText Writer(const char* name, std::string input, Write write) {
    VARIANT output;
    VariantInit(&output);
    CallText text{name, std::move(input), "", ""};
    text.result = Outcome([&] { return write(output); });
    text.output = Describe(output);
    VariantClear(&output);
    return text;
}

template <class Number>
CallText NumberWriter(Inputs& inputs, Number (*make)(Inputs&)) {
    SArray<Number> numbers;
    if (!inputs.random.Chance(50))
        for (std::uint32_t count = inputs.Count(12); count > 0; --count)
            numbers.Add(make(inputs));
    return Writer("CopySArrayToVariant(SArray<number>)", Numbers(numbers),
                  [&](VARIANT& output) { return Flag(CopySArrayToVariant(numbers, output)); });
}

template <class Number>
std::vector<Number> NumberVector(Inputs& inputs, Number (*make)(Inputs&)) {
    std::vector<Number> numbers;
    if (!inputs.random.Chance(50))
        for (std::uint32_t count = inputs.Count(12); count > 0; --count)
            numbers.push_back(make(inputs));
    return numbers;
}

template <class Number, class Make>
CallText VectorWriter(const char* name, Inputs& inputs, Make make) {
    const std::vector<Number> numbers = NumberVector<Number>(inputs, make);
    return Writer(name, Numbers(numbers), [&](VARIANT& output) {
        if constexpr (std::is_void_v<decltype(CopyVectorToVariant(numbers, output))>) {
            CopyVectorToVariant(numbers, output);
            return std::string("done");
        } else {
            return Flag(CopyVectorToVariant(numbers, output));
        }
    });
}

template <class Number>
CallText SArrayReader(const char* name, Inputs& inputs, std::initializer_list<VARTYPE> expected) {
    SArray<Number> target;
    Prefill(inputs, target);
    return Reader(
        name, inputs, expected, 1,
        [](const VARIANT& value, SArray<Number>& numbers) {
            return Flag(CopyVariantToSArray(value, numbers));
        },
        [](const SArray<Number>& numbers) { return Numbers(numbers); }, target);
}

template <class Number>
CallText VectorReader(const char* name, Inputs& inputs, std::initializer_list<VARTYPE> expected) {
    std::vector<Number> target;
    Prefill(inputs, target);
    return Reader(
        name, inputs, expected, 1,
        [](const VARIANT& value, std::vector<Number>& numbers) {
            CopyVariantToVector(value, numbers);
            return std::string("done");
        },
        [](const std::vector<Number>& numbers) { return Numbers(numbers); }, target);
}

template <class Point>
CallText PointReader(const char* name, Inputs& inputs, std::initializer_list<VARTYPE> expected,
                     ULONG multiple, bool (*read)(const VARIANT&, SArray<Point>&)) {
    SArray<Point> target;
    return Reader(
        name, inputs, expected, multiple,
        [&](const VARIANT& value, SArray<Point>& points) { return Flag(read(value, points)); },
        [](const SArray<Point>& points) { return Points(points); }, target);
}

MbCartPoint3D Point3D(Inputs& inputs) {
    return {inputs.Plain(), inputs.Plain(), inputs.Plain()};
}
MbCartPoint Point2D(Inputs& inputs) {
    return {inputs.Plain(), inputs.Plain()};
}
MbFloatPoint3D FloatPoint3D(Inputs& inputs) {
    return {static_cast<float>(inputs.Plain()), static_cast<float>(inputs.Plain()),
            static_cast<float>(inputs.Plain())};
}
MbFloatPoint FloatPoint2D(Inputs& inputs) {
    return MbFloatPoint(inputs.Plain(), inputs.Plain());
}

template <class Point>
SArray<Point>& PointArray(Inputs& inputs, SArray<Point>& points, Point (*make)(Inputs&)) {
    for (std::uint32_t count = inputs.random.Chance(50) ? 0 : inputs.Count(6); count > 0; --count)
        points.Add(make(inputs));
    return points;
}

template <class Point>
std::vector<Point> PointVector(Inputs& inputs, Point (*make)(Inputs&)) {
    std::vector<Point> points;
    for (std::uint32_t count = inputs.random.Chance(50) ? 0 : inputs.Count(6); count > 0; --count)
        points.push_back(make(inputs));
    return points;
}

// A point array value for the in-place operations: VT_R8 or VT_VARIANT mostly.
void PointValue(Inputs& inputs, ULONG multiple, VARIANT& value) {
    inputs.Value({VT_R8, VT_R8, VT_VARIANT}, multiple, value);
}

std::string MatrixText(const MbMatrix3D* matrix) {
    return matrix == nullptr ? "no matrix" : Points(matrix, 1);
}
std::string MatrixText(const MbMatrix* matrix) {
    if (matrix == nullptr)
        return "no matrix";
    return "(" + Numbers(matrix->Data(), 9) + " flag" + Decimal(matrix->StoredFlag()) + ")";
}

// A Fill reader: the points of a value, carried through the matrix when one is given (half the calls).
template <class PointList, class Matrix, class Fill>
CallText FillReader(const char* name, Inputs& inputs, std::initializer_list<VARTYPE> expected, ULONG multiple,
                    Matrix matrix, Fill fill) {
    Matrix* given = inputs.random.Chance(500) ? &matrix : nullptr;
    PointList points;
    CallText text = Reader(
        name, inputs, expected, multiple,
        [&](const VARIANT& value, PointList& read) { return Flag(fill(value, read, given)); },
        [](const PointList& read) { return Points(read); }, points);
    text.input += " " + MatrixText(given);
    return text;
}

// FillSafeArray: the points written, carried through the matrix when one is given (half the calls).
template <class PointList, class Matrix>
CallText FillWriter(const char* name, Inputs& inputs, const PointList& points, Matrix matrix) {
    Matrix* given = inputs.random.Chance(500) ? &matrix : nullptr;
    return Writer(name, Points(points) + " " + MatrixText(given),
                  [&](VARIANT& output) { return Flag(FillSafeArray(output, points, given)); });
}

CallText InPlace(const char* name, Inputs& inputs, ULONG multiple, const std::string& argument,
                 const std::function<bool(VARIANT&)>& operate) {
    VARIANT value;
    PointValue(inputs, multiple, value);
    CallText text{name, Describe(value) + " " + argument, "", ""};
    text.result = Outcome([&] { return Flag(operate(value)); });
    text.output = Describe(value);
    VariantClear(&value);
    return text;
}

CallText Call(std::uint32_t function, Inputs& inputs) {
    Random& random = inputs.random;
    switch (function) {
    case 0: {
        const auto vt = static_cast<unsigned short>(
            random.Chance(500) ? random.Next() : random.Below(80) | (random.Chance(500) ? VT_ARRAY : 0));
        bool isArray = random.Chance(500);
        const bool result = IsInt(vt, isArray);
        return {"IsInt", Hex(vt, 4), Flag(result), Flag(isArray)};
    }
    case 1: {
        const auto vt = static_cast<unsigned short>(random.Chance(300) ? random.Next() : random.Below(40));
        return {"IsSimpleVariantType", Hex(vt, 4), Flag(IsSimpleVariantType(vt)), ""};
    }
    case 2:
        return NumberWriter<short>(inputs, MakeShort);
    case 3:
        return NumberWriter<unsigned int>(inputs, MakeUnsigned);
    case 4:
        return NumberWriter<long>(inputs, MakeLong);
    case 5:
        return NumberWriter<float>(inputs, MakeFloat);
    case 6:
        return NumberWriter<double>(inputs, MakeDouble);
    case 7:
        return NumberWriter<long long>(inputs, MakeLongLong);
    case 8:
        return SArrayReader<unsigned char>("CopyVariantToSArray(SArray<unsigned char>)", inputs,
                                           {VT_UI1, VT_I1, VT_VARIANT});
    case 9:
        return SArrayReader<short>("CopyVariantToSArray(SArray<short>)", inputs, {VT_BOOL, VT_VARIANT});
    case 10:
        return SArrayReader<long>("CopyVariantToSArray(SArray<long>)", inputs,
                                  {VT_I4, VT_UI4, VT_INT, VT_UINT, VT_VARIANT});
    case 11:
        return SArrayReader<float>("CopyVariantToSArray(SArray<float>)", inputs, {VT_R4, VT_VARIANT});
    case 12:
        return SArrayReader<double>("CopyVariantToSArray(SArray<double>)", inputs,
                                    {VT_R8, VT_VARIANT, VT_VARIANT});
    case 13:
        return VectorReader<int>("CopyVariantToVector(int)", inputs,
                                 {VT_I4, VT_UI4, VT_INT, VT_UINT, VT_VARIANT});
    case 14:
        return VectorReader<unsigned int>("CopyVariantToVector(unsigned int)", inputs,
                                          {VT_I4, VT_UINT, VT_VARIANT});
    case 15:
        return VectorReader<long>("CopyVariantToVector(long)", inputs, {VT_I4, VT_UI4, VT_VARIANT});
    case 16:
        return VectorReader<float>("CopyVariantToVector(float)", inputs, {VT_R4, VT_R8, VT_VARIANT});
    case 17:
        return VectorReader<double>("CopyVariantToVector(double)", inputs, {VT_R8, VT_VARIANT, VT_VARIANT});
    case 18:
        return VectorReader<std::byte>("CopyVariantToVector(std::byte)", inputs, {VT_UI1, VT_I1, VT_VARIANT});
    case 19:
        return VectorReader<bool>("CopyVariantToVector(bool)", inputs, {VT_BOOL, VT_VARIANT});
    case 20:
        return VectorWriter<double>("CopyVectorToVariant(double)", inputs, MakeDouble);
    case 21:
        return VectorWriter<bool>(
            "CopyVectorToVariant(bool)", inputs, +[](Inputs& in) { return in.random.Chance(500); });
    case 22:
        return VectorWriter<unsigned char>(
            "CopyVectorToVariant(unsigned char)", inputs,
            +[](Inputs& in) { return static_cast<unsigned char>(in.random.Next()); });
    case 23:
        return VectorWriter<int>(
            "CopyVectorToVariant(int)", inputs,
            +[](Inputs& in) { return static_cast<int>(in.Integer(32, true)); });
    case 24:
        return VectorWriter<long>("CopyVectorToVariant(long)", inputs, MakeLong);
    case 25: {
        const bool all = random.Chance(600);
        return PointReader<MbCartPoint3D>(
            all ? "CopyVariantToSArray(SArray<MbCartPoint3D>, true)"
                : "CopyVariantToSArray(SArray<MbCartPoint3D>, false)",
            inputs, {VT_R8, VT_R4, VT_VARIANT}, all ? 3 : 2,
            all ? +[](const VARIANT& v, SArray<MbCartPoint3D>& p) { return CopyVariantToSArray(v, p, true); }
                : +[](const VARIANT& v, SArray<MbCartPoint3D>& p) {
                      return CopyVariantToSArray(v, p, false);
                  });
    }
    case 26:
        return PointReader<MbFloatPoint3D>(
            "CopyVariantToSArray(SArray<MbFloatPoint3D>)", inputs, {VT_R8, VT_R4, VT_VARIANT}, 3,
            +[](const VARIANT& v, SArray<MbFloatPoint3D>& p) { return CopyVariantToSArray(v, p); });
    case 27: {
        const bool all = random.Chance(600);
        return PointReader<MbFloatPoint>(
            all ? "CopyVariantToSArray(SArray<MbFloatPoint>, true)"
                : "CopyVariantToSArray(SArray<MbFloatPoint>, false)",
            inputs, {VT_R8, VT_R4}, all ? 2 : 1,
            all ? +[](const VARIANT& v, SArray<MbFloatPoint>& p) { return CopyVariantToSArray(v, p, true); }
                : +[](const VARIANT& v, SArray<MbFloatPoint>& p) {
                      return CopyVariantToSArray(v, p, false);
                  });
    }
    case 28:
        return PointReader<MbFloatVector3D>(
            "CopyVariantToSArray(SArray<MbFloatVector3D>)", inputs, {VT_R8, VT_R4, VT_VARIANT}, 3,
            +[](const VARIANT& v, SArray<MbFloatVector3D>& p) { return CopyVariantToSArray(v, p); });
    case 29:
        return FillReader<std::vector<MbCartPoint3D>>(
            "FillMbCartPoint3DVector", inputs, {VT_R8, VT_R4, VT_I4, VT_VARIANT}, 3, inputs.Matrix3D(),
            [](const VARIANT& v, std::vector<MbCartPoint3D>& p, MbMatrix3D* m) {
                return FillMbCartPoint3DVector(v, p, m);
            });
    case 30:
        return FillReader<SArray<MbCartPoint>>("FillMbCartPointArray", inputs, {VT_R8, VT_R4, VT_VARIANT}, 2,
                                               inputs.Matrix2D(),
                                               [](const VARIANT& v, SArray<MbCartPoint>& p, MbMatrix* m) {
                                                   return FillMbCartPointArray(v, p, m);
                                               });
    case 31:
        return FillReader<std::vector<MbCartPoint>>(
            "FillMbCartPointVector", inputs, {VT_R8, VT_R4, VT_I4, VT_VARIANT}, 2, inputs.Matrix2D(),
            [](const VARIANT& v, std::vector<MbCartPoint>& p, MbMatrix* m) {
                return FillMbCartPointVector(v, p, m);
            });
    case 32: {
        SArray<MbCartPoint3D> points;
        PointArray(inputs, points, Point3D);
        return Writer("CopySArrayToVariant(SArray<MbCartPoint3D>)", Points(points),
                      [&](VARIANT& o) { return Flag(CopySArrayToVariant(points, o)); });
    }
    case 33: {
        SArray<MbFloatPoint3D> points;
        PointArray(inputs, points, FloatPoint3D);
        return Writer("CopySArrayToVariant(SArray<MbFloatPoint3D>)", Points(points),
                      [&](VARIANT& o) { return Flag(CopySArrayToVariant(points, o)); });
    }
    case 34: {
        SArray<MbFloatPoint> points;
        PointArray(inputs, points, FloatPoint2D);
        return Writer("CopySArrayToVariant(SArray<MbFloatPoint>)", Points(points),
                      [&](VARIANT& o) { return Flag(CopySArrayToVariant(points, o)); });
    }
    case 35: {
        const std::vector<MbFloatPoint3D> points = PointVector(inputs, FloatPoint3D);
        return Writer("CopyVectorToVariant(MbFloatPoint3D)", Points(points),
                      [&](VARIANT& o) { return Flag(CopyVectorToVariant(points, o)); });
    }
    case 36: {
        const std::vector<MbFloatPoint> points = PointVector(inputs, FloatPoint2D);
        return Writer("CopyVectorToVariant(MbFloatPoint)", Points(points),
                      [&](VARIANT& o) { return Flag(CopyVectorToVariant(points, o)); });
    }
    case 37: {
        SArray<MbCartPoint> points;
        PointArray(inputs, points, Point2D);
        return FillWriter("FillSafeArray(SArray<MbCartPoint>)", inputs, points, inputs.Matrix2D());
    }
    case 38: {
        const std::vector<MbCartPoint3D> points = PointVector(inputs, Point3D);
        return FillWriter("FillSafeArray(MbCartPoint3D)", inputs, points, inputs.Matrix3D());
    }
    case 39: {
        const std::vector<MbCartPoint> points = PointVector(inputs, Point2D);
        return FillWriter("FillSafeArray(MbCartPoint)", inputs, points, inputs.Matrix2D());
    }
    case 40: {
        const MbCartPoint3D point = Point3D(inputs);
        return Writer("TransformMbCartPoint3DToVariant", Points(&point, 1),
                      [&](VARIANT& o) { return Flag(TransformMbCartPoint3DToVariant(o, point)); });
    }
    case 41: {
        const MbCartPoint point = Point2D(inputs);
        return Writer("TransformMbCartPointToVariant", Points(&point, 1),
                      [&](VARIANT& o) { return Flag(TransformMbCartPointToVariant(o, point)); });
    }
    case 42: {
        MbCartPoint point(-1, -2);
        return Reader(
            "TransformVariantToMbCartPoint", inputs, {VT_R8, VT_R4, VT_VARIANT}, 2,
            [](const VARIANT& v, MbCartPoint& p) { return Flag(TransformVariantToMbCartPoint(p, v)); },
            [](const MbCartPoint& p) { return Points(&p, 1); }, point);
    }
    case 43: {
        const MbMatrix3D matrix = inputs.Matrix3D();
        return InPlace("TransformPoints(MbMatrix3D)", inputs, 3, MatrixText(&matrix),
                       [&](VARIANT& v) { return TransformPoints(v, matrix); });
    }
    case 44: {
        const MbMatrix matrix = inputs.Matrix2D();
        return InPlace("TransformPoints(MbMatrix)", inputs, 2, MatrixText(&matrix),
                       [&](VARIANT& v) { return TransformPoints(v, matrix); });
    }
    case 45: {
        const std::vector<MbCartPoint3D> points = PointVector(inputs, Point3D);
        return InPlace("ResetPoints", inputs, 3, Points(points),
                       [&](VARIANT& v) { return ResetPoints(v, points); });
    }
    case 46: {
        MbMatrix3D matrix = MbMatrix3D::Translation(1, 2, 3);
        return Reader(
            "CopyVariantToMbMatrix3D", inputs, {VT_R8, VT_R4, VT_VARIANT}, 16,
            [](const VARIANT& v, MbMatrix3D& m) { return Flag(CopyVariantToMbMatrix3D(v, m)); },
            [](const MbMatrix3D& m) { return Points(&m, 1); }, matrix);
    }
    case 47:
        return PointReader<MbMatrix3D>(
            "CopyVariantToSArray(SArray<MbMatrix3D>)", inputs, {VT_R8, VT_R4, VT_VARIANT}, 16,
            +[](const VARIANT& v, SArray<MbMatrix3D>& m) { return CopyVariantToSArray(v, m); });
    case 48: {
        const MbMatrix3D matrix = inputs.Matrix3D();
        return Writer("MbMatrix3DToVariant", MatrixText(&matrix),
                      [&](VARIANT& o) { return Flag(MbMatrix3DToVariant(matrix, o)); });
    }
    case 49: {
        PArray<old::string> strings;
        std::vector<WideString> texts;
        for (std::uint32_t count = random.Chance(50) ? 0 : inputs.Count(5); count > 0; --count) {
            texts.push_back(inputs.Wide());
            strings.Add(random.Chance(50) ? new old::string() : new old::string(texts.back().c_str()));
        }
        if (random.Chance(30))
            strings.Add(nullptr);
        return Writer("FillBSTRSafeArray", Strings(strings),
                      [&](VARIANT& o) { return Flag(FillBSTRSafeArray(o, strings)); });
    }
    case 50: {
        std::vector<WideString> texts;
        for (std::uint32_t count = random.Chance(50) ? 0 : inputs.Count(5); count > 0; --count)
            texts.push_back(inputs.Wide());
        return Writer("FillVectorToBSTRSafeArray", Strings(texts), [&](VARIANT& o) {
            FillVectorToBSTRSafeArray(o, texts);
            return std::string("done");
        });
    }
    case 51: {
        PArray<old::string> strings;
        if (random.Chance(300))
            strings.Add(new old::string(OLESTR("old")));
        return Reader(
            "FillStrArray", inputs, {VT_BSTR, VT_VARIANT}, 1,
            [](const VARIANT& v, PArray<old::string>& s) { return Flag(FillStrArray(v, s)); },
            [](const PArray<old::string>& s) { return Strings(s); }, strings);
    }
    case 52: {
        std::vector<WideString> texts;
        return Reader(
            "FillVectorToStrArray", inputs, {VT_BSTR, VT_VARIANT}, 1,
            [](const VARIANT& v, std::vector<WideString>& s) {
                FillVectorToStrArray(v, s);
                return std::string("done");
            },
            [](const std::vector<WideString>& s) { return Strings(s); }, texts);
    }
    case 53: {
        // Borrowed values: any value at all, arrays included.
        std::vector<_variant_t> values(random.Chance(50) ? 0 : inputs.Count(4));
        RPArray<_variant_t> list;
        for (_variant_t& value : values) {
            VARIANT made;
            if (random.Chance(300))
                inputs.Value({VT_R8, VT_BSTR, VT_VARIANT}, 3, made);
            else
                inputs.AnyScalar(made, true);
            std::memcpy(static_cast<VARIANT*>(&value), &made, sizeof made); // the value owns what made did
            list.Add(&value);
        }
        std::string input = Values(list);
        CallText text = Writer("CopySArrayToVariant(RPArray<_variant_t>)", input,
                               [&](VARIANT& o) { return Flag(CopySArrayToVariant(list, o)); });
        for (_variant_t& value : values)
            if ((value.vt & VT_BYREF) != 0 || value.vt == 15 || value.vt == VT_CLSID || value.vt == 0xFFF)
                value.vt = VT_EMPTY; // borrowed, or not a type VariantClear takes
        return text;
    }
    default: {
        PArray<_variant_t> values;
        if (random.Chance(300))
            values.Add(new _variant_t(1.0));
        return Reader(
            "CopyVariantToSArray(PArray<_variant_t>)", inputs,
            {VT_R8, VT_R4, VT_I4, VT_UI4, VT_BSTR, VT_VARIANT}, 1,
            [](const VARIANT& v, PArray<_variant_t>& o) { return Flag(CopyVariantToSArray(v, o)); },
            [](const PArray<_variant_t>& o) { return Values(o); }, values);
    }
    }
}

constexpr std::uint32_t functionCount = 55;

} // namespace

int main(int argc, char** argv) {
    std::uint64_t seed = 0, count = 0, first = 0;
    if (argc < 3 || std::from_chars(argv[1], argv[1] + std::strlen(argv[1]), seed).ec != std::errc() ||
        std::from_chars(argv[2], argv[2] + std::strlen(argv[2]), count).ec != std::errc() ||
        (argc > 3 && std::from_chars(argv[3], argv[3] + std::strlen(argv[3]), first).ec != std::errc())) {
        std::fputs("usage: differential_calls SEED COUNT [FIRST]\n", stderr);
        return 2;
    }
    for (std::uint64_t index = first; index < first + count; ++index) {
        // Each call has a generator of its own, so that one call can be run again alone.
        Random random(seed * 0x100000001B3ull + index);
        Arena arena;
        Inputs inputs(random, arena);
        const std::uint32_t function = static_cast<std::uint32_t>(index % functionCount);
        const CallText text = Call(function, inputs);
        const std::string line = Decimal(index) + " " + text.name + " | " + text.input + " | " + text.result +
                                 " | " + text.output + "\n";
        std::fwrite(line.data(), 1, line.size(), stdout);
    }
    return 0;
}
