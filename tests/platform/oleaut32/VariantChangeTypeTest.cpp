// VariantChangeType against the conversions measured on a real OLE Automation (one row per conversion),
// plus rows of our own for what the measurements leave out.
#include <oleauto.h>

#include <gtest/gtest.h>

#include "support/ConversionTable.h"
#include "support/CountingObject.h"

#include <cstdint>
#include <cstring>
#include <string_view>
#include <tuple>

namespace {

TEST(VariantChangeType, ReproducesEveryMeasuredRowAndOurOwn) {
    TestSupport::CheckConversionTable(WINDOWSUTILS_TEST_DATA "/variant-change-type.tsv", 2560);
    TestSupport::CheckConversionTable(WINDOWSUTILS_TEST_DATA "/variant-change-type-extra.tsv", 115);
}

// Objects convert to their own type (one more reference) and to VT_EMPTY; a set object gives no default
// value, and a failure takes no reference.
TEST(VariantChangeType, ObjectsAreReferencedOnlyWhenCopied) {
    CountingObject object;
    VARIANT source{}, destination{};
    source.vt = VT_DISPATCH;
    source.pdispVal = &object;
    for (VARTYPE vt : {VT_I4, VT_BSTR})
        EXPECT_EQ(VariantChangeType(&destination, &source, 0, vt), DISP_E_TYPEMISMATCH) << vt;
    ASSERT_EQ(VariantChangeType(&destination, &source, 0, VT_DISPATCH), S_OK);
    EXPECT_EQ(std::tuple(destination.pdispVal, object.references()), std::tuple(&object, 2));
    ASSERT_EQ(VariantChangeType(&destination, &source, 0, VT_EMPTY), S_OK);
    EXPECT_EQ(std::tuple(destination.vt, object.references()), std::tuple(VT_EMPTY, 1));
    source.vt = VT_UNKNOWN;
    EXPECT_EQ(VariantChangeType(&destination, &source, 0, VT_R8), DISP_E_TYPEMISMATCH);
    EXPECT_EQ(std::tuple(destination.vt, object.references()), std::tuple(VT_EMPTY, 1));
    EXPECT_EQ(std::tuple(VariantChangeType(nullptr, &source, 0, VT_I4),
                         VariantChangeType(&destination, nullptr, 0, VT_I4)),
              std::tuple(E_INVALIDARG, E_INVALIDARG));
}

VARIANT DecimalOf(BYTE scale, BYTE sign, ULONG high, ULONGLONG low) {
    VARIANT value{};
    value.decVal.scale = scale;
    value.decVal.sign = sign;
    value.decVal.Hi32 = high;
    value.decVal.Lo64 = low;
    value.vt = VT_DECIMAL; // after the DECIMAL, which overlays it
    return value;
}

// A DECIMAL becomes the double nearest to its exact value, ties to even, in one rounding. The expected bits
// are the exact quotients rounded by hand (big-integer arithmetic); summing digits in doubles and dividing
// by 10^scale misses every row marked "twice".
TEST(VariantChangeType, DecimalToDoubleRoundsOnce) {
    const std::tuple<BYTE, BYTE, ULONG, ULONGLONG, std::uint64_t> rows[] = {
        // scale, sign, Hi32, Lo64, bits of the nearest double
        {0, DECIMAL_NEG, 0, 0xb69884969890e927, 0xc3e6d31092d3121d}, // twice: ...121c
        {0, 0, 0, 0x20000000000001, 0x4340000000000000},             // 2^53 + 1: a tie, to even
        {0, 0, 0, 0x20000000000003, 0x4340000000000002},             // 2^53 + 3: a tie, to even
        {0, 0, 0x20000000, 0x10000000001, 0x45c0000000000001},       // just above a tie, 2^-93 below
        {0, 0, 0xffffffff, 0xffffffffffffffff, 0x45f0000000000000},  // 2^96 - 1 rounds to 2^96; twice
        {1, 0, 0, 1, 0x3fb999999999999a},                            // 0.1
        {1, 0, 0, 5, 0x3fe0000000000000},                            // 0.5 exactly
        {28, 0, 0, 1, 0x3a1fb0f6be506019},                           // 1e-28; twice
        {28, 0, 0xffffffff, 0xffffffffffffffff, 0x401fb0f6be506019}, // the largest at scale 28; twice
        {11, 0, 0xbde5c099, 0x4164d8399f767c45, 0x43a04fe3b8255969}, // twice
        {26, 0, 0xf1446bea, 0xb0c11fdecb91ce37, 0x4087557d0240853e}, // twice
        {1, 0, 0xa6233255, 0x3fc1ea36f17fd374, 0x45b09d1ea21ff9cb},  // twice
        {11, 0, 0x1cfb10f6, 0x2827688de6a16a3b, 0x4373ea57f04317f6}, // twice
        {5, DECIMAL_NEG, 0, 0, 0x0000000000000000},                  // a negative zero is 0
    };
    for (const auto& [scale, sign, high, low, expected] : rows) {
        const VARIANT source = DecimalOf(scale, sign, high, low);
        VARIANT result{};
        const HRESULT converted = VariantChangeType(&result, &source, 0, VT_R8);
        std::uint64_t bits = 0;
        std::memcpy(&bits, &result.dblVal, sizeof bits);
        EXPECT_EQ(std::tuple(converted, result.vt, bits), std::tuple(S_OK, VT_R8, expected))
            << std::hex << low;
    }
}

// A DECIMAL with a scale above 28 or a sign byte other than 0 and 0x80 is no number: every numeric target
// refuses it, by value or by reference. VT_EMPTY and text still take it; a copy stays a copy.
TEST(VariantChangeType, InvalidDecimalBecomesNoNumber) {
    const std::tuple<BYTE, BYTE, VARTYPE, HRESULT> rows[] = {
        // scale, sign, target, result
        {29, 0, VT_R8, E_INVALIDARG},
        {29, DECIMAL_NEG, VT_R4, E_INVALIDARG},
        {255, 0, VT_I4, E_INVALIDARG},
        {0, 0x01, VT_I8, E_INVALIDARG},
        {0, 0x40, VT_UI8, E_INVALIDARG},
        {0, 0x7f, VT_BOOL, E_INVALIDARG},
        {0, 0x81, VT_DATE, E_INVALIDARG},
        {30, 0, VT_CY, E_INVALIDARG},
        {29, 0, VT_UI1, E_INVALIDARG},
        {29, 0, VT_INT, E_INVALIDARG},
        {29, 0, VT_ERROR, DISP_E_TYPEMISMATCH}, // refused as any DECIMAL is, before its digits are looked at
        {29, 0, VT_EMPTY, S_OK},
        {29, 0, VT_BSTR, S_OK},
        {0, 0x40, VT_DECIMAL, S_OK},
        {28, DECIMAL_NEG, VT_R8, S_OK}, // the edges themselves are numbers
        {28, DECIMAL_NEG, VT_I4, S_OK},
    };
    for (const auto& [scale, sign, target, expected] : rows) {
        VARIANT source = DecimalOf(scale, sign, 0, 5);
        VARIANT reference{};
        reference.vt = VT_BYREF | VT_DECIMAL;
        reference.pdecVal = &source.decVal;
        VARIANT byValue{}, byReference{};
        EXPECT_EQ(std::tuple(VariantChangeType(&byValue, &source, 0, target),
                             VariantChangeType(&byReference, &reference, 0, target)),
                  std::tuple(expected, expected))
            << int{scale} << " " << int{sign} << " " << target;
        VariantClear(&byValue);
        VariantClear(&byReference);
    }
}

// Text still takes a DECIMAL that is no number, every digit of it: any sign byte but 0 prints a minus.
TEST(VariantChangeType, InvalidDecimalAsText) {
    const std::tuple<BYTE, BYTE, ULONGLONG, std::u16string_view> rows[] = {
        // scale, sign, Lo64, text
        {0, 0x40, 5, u"-5"},
        {0, 0x01, 5, u"-5"},
        {13, 0x7f, 150, u"-0.000000000015"},
        {29, 0, 5, u"0.00000000000000000000000000005"},
        {31, DECIMAL_NEG, 7, u"-0.0000000000000000000000000000007"},
        {28, 0x7f, 0, u"0"},
    };
    for (const auto& [scale, sign, low, text] : rows) {
        const VARIANT source = DecimalOf(scale, sign, 0, low);
        VARIANT result{};
        ASSERT_EQ(VariantChangeType(&result, &source, 0, VT_BSTR), S_OK) << int{scale} << " " << int{sign};
        EXPECT_EQ(std::u16string_view(result.bstrVal, SysStringLen(result.bstrVal)), text);
        VariantClear(&result);
    }
}

} // namespace
