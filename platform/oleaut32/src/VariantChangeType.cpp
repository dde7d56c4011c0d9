// VariantChangeType with flags 0 and the en-US locale: the value is read from the source, following
// references, converted to the target type in a temporary, and only then stored in the destination,
// which may be the source itself.
#include "ValueCopies.h"
#include "conversion/DateText.h"
#include "conversion/NumberText.h"
#include "conversion/Rounding.h"

#include <oleauto.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <optional>
#include <type_traits>
#include <variant>

using namespace oleaut32;

namespace {

// VARTYPE -> the C++ type of an integer VARIANT's value.
template <VARTYPE vt>
struct IntegerType;
template <>
struct IntegerType<VT_I1> {
    using type = std::int8_t;
};
template <>
struct IntegerType<VT_UI1> {
    using type = std::uint8_t;
};
template <>
struct IntegerType<VT_I2> {
    using type = std::int16_t;
};
template <>
struct IntegerType<VT_UI2> {
    using type = std::uint16_t;
};
template <>
struct IntegerType<VT_I4> {
    using type = std::int32_t;
};
template <>
struct IntegerType<VT_UI4> {
    using type = std::uint32_t;
};
template <>
struct IntegerType<VT_INT> {
    using type = std::int32_t;
};
template <>
struct IntegerType<VT_UINT> {
    using type = std::uint32_t;
};
template <>
struct IntegerType<VT_I8> {
    using type = std::int64_t;
};
template <>
struct IntegerType<VT_UI8> {
    using type = std::uint64_t;
};

// What a source holds once references are followed. Integers of every width widen to 64 bits; text
// becomes a DecimalNumber or a RadixInteger when a number is asked of it.
struct Empty {};
struct Null {};
struct ErrorCode {
    SCODE value;
};
struct Object {
    VARTYPE vt;
    IUnknown* pointer;
};
struct Boolean {
    VARIANT_BOOL value;
};
struct Date {
    DATE value;
};
struct Currency {
    LONGLONG value;
};
struct Text {
    BSTR value;
};
struct RadixInteger {
    std::uint64_t value;
};
using Value = std::variant<Empty, Null, ErrorCode, Object, Boolean, std::int64_t, std::uint64_t, float,
                           double, Date, Currency, DECIMAL, Text, DecimalNumber, RadixInteger>;

// Stores a conversion's result and reports success.
template <typename Field>
HRESULT assign(Field& field, std::type_identity_t<Field> value) {
    field = value;
    return S_OK;
}

template <typename... Handlers>
struct Overloaded : Handlers... {
    using Handlers::operator()...;
};
// Spelled out for compilers without deduction for aggregates (clang 14).
template <class... Handlers>
Overloaded(Handlers...) -> Overloaded<Handlers...>;

// The types a VARIANT holds one value of, besides VT_EMPTY and VT_NULL.
bool isScalarType(VARTYPE vt) {
    switch (vt) {
    case VT_I1:
    case VT_UI1:
    case VT_I2:
    case VT_UI2:
    case VT_I4:
    case VT_UI4:
    case VT_INT:
    case VT_UINT:
    case VT_I8:
    case VT_UI8:
    case VT_R4:
    case VT_R8:
    case VT_CY:
    case VT_DATE:
    case VT_BSTR:
    case VT_DISPATCH:
    case VT_ERROR:
    case VT_BOOL:
    case VT_UNKNOWN:
    case VT_DECIMAL:
        return true;
    default:
        return false;
    }
}

// Every scalar field starts the VARIANT's union, at the same place a reference points to.
template <typename Field>
Field fieldAt(const void* data) {
    Field value;
    std::memcpy(&value, data, sizeof value);
    return value;
}

template <typename Field>
void store(VARIANT& result, VARTYPE vt, Field value) {
    result.vt = vt;
    std::memcpy(&result.llVal, &value, sizeof value);
}

template <VARTYPE vt>
Value integerAt(const void* data) {
    using Integer = typename IntegerType<vt>::type;
    const Integer value = fieldAt<Integer>(data);
    if constexpr (std::is_signed_v<Integer>)
        return std::int64_t{value};
    else
        return std::uint64_t{value};
}

Value valueAt(VARTYPE vt, const void* data) {
    switch (vt) {
    case VT_NULL:
        return Null{};
    case VT_I1:
        return integerAt<VT_I1>(data);
    case VT_UI1:
        return integerAt<VT_UI1>(data);
    case VT_I2:
        return integerAt<VT_I2>(data);
    case VT_UI2:
        return integerAt<VT_UI2>(data);
    case VT_I4:
        return integerAt<VT_I4>(data);
    case VT_UI4:
        return integerAt<VT_UI4>(data);
    case VT_INT:
        return integerAt<VT_INT>(data);
    case VT_UINT:
        return integerAt<VT_UINT>(data);
    case VT_I8:
        return integerAt<VT_I8>(data);
    case VT_UI8:
        return integerAt<VT_UI8>(data);
    case VT_R4:
        return fieldAt<float>(data);
    case VT_R8:
        return fieldAt<double>(data);
    case VT_CY:
        return Currency{fieldAt<LONGLONG>(data)};
    case VT_DATE:
        return Date{fieldAt<DATE>(data)};
    case VT_BSTR:
        return Text{fieldAt<BSTR>(data)};
    case VT_DISPATCH:
    case VT_UNKNOWN:
        return Object{vt, fieldAt<IUnknown*>(data)};
    case VT_ERROR:
        return ErrorCode{fieldAt<SCODE>(data)};
    case VT_BOOL:
        return Boolean{fieldAt<VARIANT_BOOL>(data)};
    case VT_DECIMAL:
        return fieldAt<DECIMAL>(data);
    default:
        return Empty{};
    }
}

// Where the source's value lies once references are followed, and its type.
HRESULT locateValue(const VARIANT& source, VARTYPE& vt, const void*& data) {
    vt = source.vt & ~VT_BYREF;
    if ((source.vt & VT_ARRAY) != 0)
        return DISP_E_TYPEMISMATCH; // an array never becomes a scalar
    if (source.vt == vt) {
        if (vt != VT_EMPTY && vt != VT_NULL && !isScalarType(vt))
            return DISP_E_BADVARTYPE;
        data = vt == VT_DECIMAL ? static_cast<const void*>(&source.decVal) : &source.llVal;
        return S_OK;
    }
    if (vt != VT_VARIANT && !isScalarType(vt))
        return DISP_E_BADVARTYPE;
    if (source.byref == nullptr)
        return DISP_E_TYPEMISMATCH;
    if (vt == VT_VARIANT) {
        // The VARIANT referred to may hold a reference in turn, but not to yet another VARIANT.
        if (source.pvarVal->vt == (VT_BYREF | VT_VARIANT))
            return DISP_E_BADVARTYPE;
        return locateValue(*source.pvarVal, vt, data);
    }
    data = source.byref;
    return S_OK;
}

// A value converted to its own type is copied as it is, with no range check or rounding: a VT_DATE
// outside the years 100 to 9999 or a VT_BOOL of 1 comes back unchanged, a BSTR keeps every byte.
HRESULT copyValue(VARTYPE vt, const void* data, VARIANT& result) {
    VARIANT value;
    VariantInit(&value);
    std::memcpy(vt == VT_DECIMAL ? static_cast<void*>(&value.decVal) : &value.llVal, data, valueSize(vt));
    value.vt = vt; // after the DECIMAL, which overlays vt
    return VariantCopy(&result, &value);
}

HRESULT checkTarget(VARTYPE vt) {
    if ((vt & VT_ARRAY) != 0 && (vt & ~(VT_ARRAY | VT_TYPEMASK)) == 0)
        return DISP_E_TYPEMISMATCH;
    return vt == VT_EMPTY || vt == VT_NULL || isScalarType(vt) ? S_OK : DISP_E_BADVARTYPE;
}

// Null, error codes and objects convert to their own type only, and objects also to VT_EMPTY.
HRESULT checkConvertible(const Value& value, VARTYPE target) {
    return std::visit(Overloaded{
                          [&](Null) { return target == VT_NULL ? S_OK : DISP_E_TYPEMISMATCH; },
                          [&](ErrorCode) { return target == VT_ERROR ? S_OK : DISP_E_TYPEMISMATCH; },
                          [&](Object object) {
                              if (target == object.vt || target == VT_EMPTY)
                                  return S_OK;
                              // Measured for a null dispatch; one that is set fares like any other
                              // object: its default value is not fetched.
                              return object.vt == VT_DISPATCH && object.pointer == nullptr
                                         ? DISP_E_BADVARTYPE
                                         : DISP_E_TYPEMISMATCH;
                          },
                          [&](const auto&) {
                              return target == VT_NULL || target == VT_ERROR || target == VT_DISPATCH ||
                                             target == VT_UNKNOWN
                                         ? DISP_E_TYPEMISMATCH
                                         : S_OK;
                          },
                      },
                      value);
}

std::u16string_view textOf(Text text) {
    return {text.value, SysStringLen(text.value)};
}

// Text as the number it spells and a DECIMAL as its digits; other values as they are.
HRESULT numberOf(const Value& value, Value& number) {
    if (const auto* text = std::get_if<Text>(&value)) {
        ParsedNumber parsed;
        const HRESULT result = parseNumber(textOf(*text), parsed);
        if (SUCCEEDED(result))
            number = parsed.radixValue ? Value{RadixInteger{*parsed.radixValue}} : Value{parsed.decimal};
        return result;
    }
    if (const auto* decimal = std::get_if<DECIMAL>(&value)) {
        number = decimalNumberOf(*decimal);
        return S_OK;
    }
    number = value;
    return S_OK;
}

HRESULT overflowUnless(bool fits) {
    return fits ? S_OK : DISP_E_OVERFLOW;
}

template <typename Integer>
bool fitsIn(WideInteger value, Integer& result) {
    constexpr auto largest = static_cast<std::uint64_t>(std::numeric_limits<Integer>::max());
    if (!value.negative) {
        result = static_cast<Integer>(value.magnitude);
        return value.magnitude <= largest;
    }
    if constexpr (std::is_unsigned_v<Integer>) {
        return false;
    } else {
        result = static_cast<Integer>(-static_cast<std::int64_t>(value.magnitude - 1) - 1);
        return value.magnitude - 1 <= largest;
    }
}

// Hexadecimal and octal text gives a bit pattern, which VT_R4, VT_R8 and VT_BOOL take only up to
// 0x7FFFFFFF: measured, "&HFFFFFFFF" overflows there while VT_I4 reads it as -1.
HRESULT realOfRadix(RadixInteger integer, double& result) {
    result = static_cast<double>(integer.value);
    return overflowUnless(integer.value <= 0x7FFFFFFF);
}

HRESULT toReal(const Value& source, double& result) {
    Value number;
    const HRESULT parsed = numberOf(source, number);
    if (FAILED(parsed))
        return parsed;
    return std::visit(Overloaded{
                          [&](Empty) { return assign(result, 0); },
                          [&](Boolean boolean) { return assign(result, boolean.value); },
                          [&](std::int64_t integer) { return assign(result, static_cast<double>(integer)); },
                          [&](std::uint64_t integer) { return assign(result, static_cast<double>(integer)); },
                          [&](float real) { return assign(result, real); },
                          [&](double real) { return assign(result, real); },
                          [&](Date date) { return assign(result, date.value); },
                          [&](Currency currency) { return assign(result, currency.value / 10000.0); },
                          [&](const DecimalNumber& decimal) {
                              result = toDouble(decimal);
                              return overflowUnless(!std::isinf(result));
                          },
                          [&](RadixInteger integer) { return realOfRadix(integer, result); },
                          [&](const auto&) { return DISP_E_TYPEMISMATCH; },
                      },
                      number);
}

HRESULT toSingle(const Value& source, float& result) {
    if (const auto* single = std::get_if<float>(&source))
        return assign(result, *single);
    if (const auto* integer = std::get_if<std::int64_t>(&source))
        return assign(result, static_cast<float>(*integer));
    if (const auto* integer = std::get_if<std::uint64_t>(&source))
        return assign(result, static_cast<float>(*integer));
    double real = 0;
    const HRESULT converted = toReal(source, real);
    if (FAILED(converted))
        return converted;
    // From 2^128 - 2^103 on, a double rounds to the float infinity.
    if (std::fabs(real) >= 0x1.ffffffp127)
        return DISP_E_OVERFLOW;
    result = static_cast<float>(real);
    return S_OK;
}

WideInteger roundedCurrency(Currency currency, VARTYPE target) {
    WideInteger result = wideIntegerOf(currency.value / 10000);
    const LONGLONG remainder = currency.value % 10000;
    // Measured: to VT_I8 a negative half rounds away from zero (-0.5 gives -1), to the other types to even.
    const bool awayFromZero = target == VT_I8 && remainder == -5000;
    const LONGLONG distance = remainder < 0 ? -remainder : remainder;
    if (awayFromZero || distance > 5000 || (distance == 5000 && result.magnitude % 2 == 1)) {
        result.negative = currency.value < 0;
        ++result.magnitude;
    }
    return result;
}

HRESULT toWideInteger(const Value& number, VARTYPE target, WideInteger& result) {
    const auto rounded = [&](double real) { return overflowUnless(roundHalfToEven(real, result)); };
    return std::visit(
        Overloaded{
            [&](Empty) { return assign(result, {}); },
            [&](std::int64_t integer) { return assign(result, wideIntegerOf(integer)); },
            [&](std::uint64_t integer) {
                return assign(result, {false, integer});
            },
            [&](float real) { return rounded(real); },
            [&](double real) { return rounded(real); },
            [&](Date date) { return rounded(date.value); },
            [&](Currency currency) { return assign(result, roundedCurrency(currency, target)); },
            [&](const DecimalNumber& decimal) { return overflowUnless(roundHalfToEven(decimal, result)); },
            [&](const auto&) { return DISP_E_TYPEMISMATCH; },
        },
        number);
}

template <VARTYPE vt>
HRESULT toInteger(const Value& source, VARIANT& result) {
    using Integer = typename IntegerType<vt>::type;
    Value number;
    HRESULT converted = numberOf(source, number);
    if (FAILED(converted))
        return converted;
    if (const auto* boolean = std::get_if<Boolean>(&number)) {
        // Measured: a boolean keeps its bits, so VARIANT_TRUE gives 255 in VT_UI1 rather than an overflow.
        store(result, vt, static_cast<Integer>(boolean->value));
        return S_OK;
    }
    if (const auto* integer = std::get_if<RadixInteger>(&number)) {
        // Hexadecimal and octal fill the type's bits: "&HFF" is -1 in VT_I1, "&HFFFFFFFF" -1 in VT_I4.
        using Bits = std::make_unsigned_t<Integer>;
        if (integer->value > std::numeric_limits<Bits>::max())
            return DISP_E_OVERFLOW;
        store(result, vt, static_cast<Integer>(static_cast<Bits>(integer->value)));
        return S_OK;
    }
    WideInteger exact;
    converted = toWideInteger(number, vt, exact);
    Integer value{};
    if (SUCCEEDED(converted) && !fitsIn(exact, value))
        converted = DISP_E_OVERFLOW;
    if (SUCCEEDED(converted))
        store(result, vt, value);
    return converted;
}

// "True", "False", "#TRUE#" and "#FALSE#" in any case, blanks around.
std::optional<VARIANT_BOOL> booleanWordOf(std::u16string_view text) {
    text = text.substr(0, text.find(u'\0'));
    const std::size_t first = text.find_first_not_of(u" \t\u00A0");
    const std::size_t last = text.find_last_not_of(u" \t\u00A0");
    std::u16string word;
    for (std::size_t index = first; first != std::u16string_view::npos && index <= last; ++index) {
        const char16_t character = text[index];
        word.push_back(character >= u'a' && character <= u'z' ? character - u'a' + u'A' : character);
    }
    if (word == u"TRUE" || word == u"#TRUE#")
        return VARIANT_TRUE;
    if (word == u"FALSE" || word == u"#FALSE#")
        return VARIANT_FALSE;
    return std::nullopt;
}

HRESULT toBoolean(const Value& source, VARIANT_BOOL& result) {
    if (const auto* boolean = std::get_if<Boolean>(&source))
        return assign(result, boolean->value); // kept as it is: 1 stays 1
    if (const auto* text = std::get_if<Text>(&source)) {
        if (const auto word = booleanWordOf(textOf(*text)))
            return assign(result, *word);
    }
    // Through VT_R8: measured, "1e-400" is false and "1e400" overflows.
    double real = 0;
    const HRESULT converted = toReal(source, real);
    result = real != 0 ? VARIANT_TRUE : VARIANT_FALSE; // NaN is true
    return converted;
}

HRESULT toDate(const Value& source, DATE& result) {
    if (const auto* text = std::get_if<Text>(&source))
        return parseDate(textOf(*text), result);
    const HRESULT converted = toReal(source, result);
    return FAILED(converted) ? converted : overflowUnless(isDateInRange(result));
}

HRESULT toText(const Value& source, std::u16string& result) {
    return std::visit(
        Overloaded{
            [&](Empty) { return assign(result, u""); },
            [&](Boolean boolean) { return assign(result, formatNumber(std::int64_t{boolean.value})); },
            [&](std::int64_t integer) { return assign(result, formatNumber(integer)); },
            [&](std::uint64_t integer) { return assign(result, formatNumber(integer)); },
            [&](float real) { return assign(result, formatNumber(real, 7)); },
            [&](double real) { return assign(result, formatNumber(real, 15)); },
            [&](Date date) { return formatDate(date.value, result); },
            [&](Currency currency) {
                return assign(result, formatNumber(decimalNumberOf(wideIntegerOf(currency.value), 4)));
            },
            [&](const DECIMAL& decimal) { return assign(result, formatNumber(decimalNumberOf(decimal))); },
            [&](Text text) { return assign(result, std::u16string(textOf(text))); },
            [&](const auto&) { return DISP_E_TYPEMISMATCH; },
        },
        source);
}

// The exact digits of a number; doubles give their 15 significant digits and floats their 7.
HRESULT exactNumberOf(const Value& number, DecimalNumber& result) {
    const auto significant = [&](double real, int digits) {
        ParsedNumber parsed;
        if (!std::isfinite(real))
            return DISP_E_OVERFLOW;
        const HRESULT scanned = parseNumber(formatNumber(real, digits), parsed);
        result = parsed.decimal;
        return scanned;
    };
    return std::visit(
        Overloaded{
            [&](Empty) { return assign(result, {}); },
            [&](Boolean boolean) { return assign(result, decimalNumberOf(wideIntegerOf(boolean.value), 0)); },
            [&](std::int64_t integer) { return assign(result, decimalNumberOf(wideIntegerOf(integer), 0)); },
            [&](std::uint64_t integer) {
                return assign(result, decimalNumberOf({false, integer}, 0));
            },
            [&](float real) { return significant(real, 7); },
            [&](double real) { return significant(real, 15); },
            [&](Date date) { return significant(date.value, 15); },
            [&](Currency currency) {
                return assign(result, decimalNumberOf(wideIntegerOf(currency.value), 4));
            },
            [&](const DecimalNumber& decimal) { return assign(result, decimal); },
            [&](RadixInteger integer) {
                result = decimalNumberOf({false, integer.value}, 0);
                return overflowUnless(integer.value <= 0x7FFFFFFF);
            },
            [&](const auto&) { return DISP_E_TYPEMISMATCH; },
        },
        number);
}

HRESULT toCurrency(const Value& source, LONGLONG& result) {
    if (const auto* currency = std::get_if<Currency>(&source))
        return assign(result, currency->value);
    Value number;
    HRESULT converted = numberOf(source, number);
    WideInteger rounded;
    if (SUCCEEDED(converted) &&
        (std::holds_alternative<float>(number) || std::holds_alternative<double>(number) ||
         std::holds_alternative<Date>(number))) {
        double real = 0;
        converted = toReal(number, real);
        return FAILED(converted)
                   ? converted
                   : overflowUnless(roundHalfToEven(real * 10000, rounded) && fitsIn(rounded, result));
    }
    DecimalNumber exact;
    if (SUCCEEDED(converted))
        converted = exactNumberOf(number, exact);
    if (FAILED(converted))
        return converted;
    exact.exponent += 4;
    return overflowUnless(roundHalfToEven(exact, rounded) && fitsIn(rounded, result));
}

HRESULT toDecimal(const Value& source, DECIMAL& result) {
    if (const auto* decimal = std::get_if<DECIMAL>(&source))
        return assign(result, *decimal);
    Value number;
    DecimalNumber exact;
    HRESULT converted = numberOf(source, number);
    if (SUCCEEDED(converted))
        converted = exactNumberOf(number, exact);
    return FAILED(converted) ? converted : overflowUnless(toDecimal(exact, result));
}

HRESULT storeText(const std::u16string& text, VARIANT& result) {
    const BSTR string = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
    if (string == nullptr)
        return E_OUTOFMEMORY;
    store(result, VT_BSTR, string);
    return S_OK;
}

// Converts into result, which is left VT_EMPTY on failure.
HRESULT convert(const Value& source, VARTYPE target, VARIANT& result) {
    // Each case converts into a value of the target's C++ type and stores it when that succeeded.
    const auto convertAndStore = [&](auto value, auto conversion) {
        const HRESULT converted = conversion(source, value);
        if (SUCCEEDED(converted))
            store(result, target, value);
        return converted;
    };
    switch (target) {
    case VT_EMPTY:
    case VT_NULL:
        result.vt = target;
        return S_OK;
    case VT_ERROR:
        store(result, target, std::get<ErrorCode>(source).value);
        return S_OK;
    case VT_DISPATCH:
    case VT_UNKNOWN: {
        IUnknown* object = std::get<Object>(source).pointer;
        if (object != nullptr)
            object->AddRef();
        store(result, target, object);
        return S_OK;
    }
    case VT_I1:
        return toInteger<VT_I1>(source, result);
    case VT_UI1:
        return toInteger<VT_UI1>(source, result);
    case VT_I2:
        return toInteger<VT_I2>(source, result);
    case VT_UI2:
        return toInteger<VT_UI2>(source, result);
    case VT_I4:
        return toInteger<VT_I4>(source, result);
    case VT_UI4:
        return toInteger<VT_UI4>(source, result);
    case VT_INT:
        return toInteger<VT_INT>(source, result);
    case VT_UINT:
        return toInteger<VT_UINT>(source, result);
    case VT_I8:
        return toInteger<VT_I8>(source, result);
    case VT_UI8:
        return toInteger<VT_UI8>(source, result);
    case VT_R4:
        return convertAndStore(float{0}, toSingle);
    case VT_R8:
        return convertAndStore(double{0}, toReal);
    case VT_DATE:
        return convertAndStore(DATE{0}, toDate);
    case VT_BOOL:
        return convertAndStore(VARIANT_BOOL{VARIANT_FALSE}, toBoolean);
    case VT_CY:
        return convertAndStore(LONGLONG{0}, toCurrency);
    case VT_DECIMAL: {
        DECIMAL value{};
        const HRESULT converted = toDecimal(source, value);
        if (SUCCEEDED(converted)) {
            result.decVal = value; // overlays vt, so vt goes in afterwards
            result.vt = VT_DECIMAL;
        }
        return converted;
    }
    case VT_BSTR: {
        std::u16string text;
        const HRESULT converted = toText(source, text);
        return FAILED(converted) ? converted : storeText(text, result);
    }
    default:
        return DISP_E_BADVARTYPE;
    }
}

} // namespace

// Flags are not looked at: every conversion is the one flags 0 give in the en-US locale.
HRESULT WINAPI VariantChangeType(VARIANTARG* destination, const VARIANTARG* source, USHORT /*flags*/,
                                 VARTYPE vt) {
    if (destination == nullptr || source == nullptr)
        return E_INVALIDARG;
    VARTYPE sourceType = VT_EMPTY;
    const void* data = nullptr;
    HRESULT result = checkTarget(vt);
    if (SUCCEEDED(result))
        result = locateValue(*source, sourceType, data);
    VARIANT converted;
    VariantInit(&converted);
    if (SUCCEEDED(result) && sourceType == vt) {
        result = copyValue(vt, data, converted);
    } else if (SUCCEEDED(result)) {
        const Value value = valueAt(sourceType, data);
        result = checkConvertible(value, vt);
        if (SUCCEEDED(result))
            result = convert(value, vt, converted);
    }
    if (FAILED(result))
        return result;
    // Only now, with the source read completely, may the destination (perhaps the source) be cleared.
    result = VariantClear(destination);
    if (FAILED(result)) {
        VariantClear(&converted);
        return result;
    }
    *destination = converted;
    return S_OK;
}
