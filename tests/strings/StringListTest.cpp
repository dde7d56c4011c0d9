#include "TextValues.h"

#include "support/ArrayValues.h"

#include <gtest/gtest.h>

#include <functional>

using namespace TextValues;
using TestSupport::ExpectComError;
using TestSupport::ExpectUnlocked;

namespace {

_variant_t NullArray(VARTYPE elementType) {
    VARIANT value;
    VariantInit(&value);
    value.vt = static_cast<VARTYPE>(VT_ARRAY | elementType);
    value.parray = nullptr;
    return _variant_t(value, false);
}

// VT_ARRAY|VT_VARIANT of the values with a null BSTR in slot `nullAt`, put there last: a copy of a VARIANT
// makes a null BSTR an empty one.
_variant_t VariantArrayWithNullText(const std::vector<_variant_t>& values, std::size_t nullAt) {
    _variant_t array = TestSupport::VariantArray(values);
    VARIANT& slot = static_cast<VARIANT*>(array.parray->pvData)[nullAt];
    VariantClear(&slot);
    slot.vt = VT_BSTR;
    slot.bstrVal = nullptr;
    VARIANT value = array.Detach();
    return _variant_t(value, false);
}

// Both readers start from an output holding "old"; FillStrArray's result is in `result`.
struct ReadRow {
    const char* name;
    _variant_t input;
    bool result;
    std::vector<Text> strings;
    std::vector<Text> wideStrings;
};

TEST(StringReaders, FormsAndNullTexts) {
    const Text old = OLESTR("old");
    const Text x = OLESTR("x");
    const Text y = OLESTR("y");
    const ReadRow rows[] = {
        {"VT_EMPTY", _variant_t(), true, {}, {}},
        {"VT_BSTR", BstrValue(OLESTR("abc")), true, {OLESTR("abc")}, {OLESTR("abc")}},
        {"null VT_BSTR", BstrValue(std::nullopt), true, {std::nullopt}, {}},
        {"VT_BSTR with NUL", BstrValue(Wide(OLESTR("ab\0cd"), 5)), true, {OLESTR("ab")}, {OLESTR("ab")}},
        {"BSTR array",
         BstrArray({x, std::nullopt, Wide(OLESTR("y\0z"), 3)}),
         true,
         {x, std::nullopt, y},
         {x, y}},
        {"lower bound 1", BstrArray({x, y, OLESTR("z")}, 1), true, {x, y}, {x, y}},
        {"lower bound above count", BstrArray({x}, 2), true, {}, {}},
        {"no elements", BstrArray({}), true, {}, {}},
        {"two dimensions", TestSupport::TwoDimensionalArray(VT_BSTR, 2, 2), true, {}, {}},
        {"null BSTR array", NullArray(VT_BSTR), true, {}, {}},
        {"null VARIANT array", NullArray(VT_VARIANT), true, {}, {}},
        // VT_EMPTY converts to an empty but non-null BSTR, which the vector keeps.
        {"VARIANT array",
         VariantArrayWithNullText(
             {_variant_t(42L), BstrValue(x), _variant_t(), _variant_t(2.5), _variant_t()}, 2),
         true,
         {OLESTR("42"), x, std::nullopt, OLESTR("2.5"), std::nullopt},
         {OLESTR("42"), x, OLESTR("2.5"), WideString()}},
        {"refused VT_I4", _variant_t(7L), true, {old}, {old}},
        {"refused VT_ARRAY|VT_I4", TestSupport::OwnedArray(VT_I4, std::vector<LONG>{1}), true, {old}, {old}},
    };
    for (const ReadRow& row : rows) {
        SCOPED_TRACE(row.name);
        PArray<old::string> strings;
        AppendStrings(strings, {old});
        EXPECT_EQ(FillStrArray(row.input, strings), row.result);
        EXPECT_EQ(TextsOf(strings), row.strings);
        std::vector<WideString> wideStrings{*old};
        FillVectorToStrArray(row.input, wideStrings);
        EXPECT_EQ(TextsOf(wideStrings), row.wideStrings);
        ExpectUnlocked(row.input);
    }
}

TEST(StringReaders, UnreachableDataEmptiesTheOutput) {
    SAFEARRAY array{};
    array.cDims = 1;
    array.cbElements = sizeof(BSTR);
    array.rgsabound[0] = {2, 0};
    VARIANT input;
    VariantInit(&input);
    input.vt = VT_ARRAY | VT_BSTR;
    input.parray = &array;
    PArray<old::string> strings;
    AppendStrings(strings, {OLESTR("old")});
    EXPECT_FALSE(FillStrArray(input, strings));
    EXPECT_EQ(strings.Count(), 0u);
    std::vector<WideString> wideStrings{OLESTR("old")};
    FillVectorToStrArray(input, wideStrings);
    EXPECT_TRUE(wideStrings.empty());
    EXPECT_EQ(array.cLocks, 0u);
}

TEST(StringReaders, FailedConversionKeepsEarlierStrings) {
    VARIANT null;
    VariantInit(&null);
    null.vt = VT_NULL;
    const _variant_t input =
        TestSupport::VariantArray({BstrValue(OLESTR("a")), null, BstrValue(OLESTR("c"))});
    PArray<old::string> strings;
    ExpectComError(DISP_E_TYPEMISMATCH, [&] { FillStrArray(input, strings); });
    EXPECT_EQ(TextsOf(strings), std::vector<Text>{OLESTR("a")});
    ExpectUnlocked(input);
    std::vector<WideString> wideStrings;
    ExpectComError(DISP_E_TYPEMISMATCH, [&] { FillVectorToStrArray(input, wideStrings); });
    EXPECT_EQ(TextsOf(wideStrings), std::vector<Text>{OLESTR("a")});
    ExpectUnlocked(input);
}

// Each writer with its source; FillVectorToBSTRSafeArray reports nothing, so its row says true.
struct WriteRow {
    const char* name;
    std::function<bool(VARIANT&)> write;
    std::vector<Text> expected;
};

TEST(StringWriters, WriteTextsAsBstrArrays) {
    PArray<old::string> strings;
    AppendStrings(strings, {OLESTR("abc"), std::nullopt, WideString()});
    strings.Add(nullptr);
    const std::vector<WideString> wideStrings{OLESTR("abc"), WideString(), Wide(OLESTR("ab\0cd"), 5)};
    const Text empty = WideString();
    const WriteRow rows[] = {
        {"FillBSTRSafeArray",
         [&](VARIANT& output) { return FillBSTRSafeArray(output, strings); },
         {OLESTR("abc"), empty, empty, empty}},
        {"FillVectorToBSTRSafeArray",
         [&](VARIANT& output) {
             FillVectorToBSTRSafeArray(output, wideStrings);
             return true;
         },
         {OLESTR("abc"), empty, OLESTR("ab")}},
    };
    for (const WriteRow& row : rows) {
        SCOPED_TRACE(row.name);
        _variant_t output;
        EXPECT_TRUE(row.write(output));
        ASSERT_EQ(output.vt, VT_ARRAY | VT_BSTR);
        EXPECT_EQ(output.parray->cDims, 1u);
        EXPECT_EQ(output.parray->rgsabound[0].lLbound, 0);
        EXPECT_EQ(TextsOfArray(output), row.expected);
    }
}

TEST(StringWriters, EmptySourceOnlyNullsTheArrayPointer) {
    VARIANT output;
    output.vt = VT_R8;
    output.dblVal = 2.5;
    EXPECT_TRUE(FillBSTRSafeArray(output, PArray<old::string>()));
    EXPECT_EQ(output.vt, VT_R8);
    EXPECT_EQ(output.parray, nullptr);
    output.dblVal = 2.5;
    FillVectorToBSTRSafeArray(output, {});
    EXPECT_EQ(output.vt, VT_R8);
    EXPECT_EQ(output.parray, nullptr);
}

TEST(StringLists, RoundTrips) {
    const std::vector<Text> texts{OLESTR("first"), WideString(), OLESTR("third")};
    PArray<old::string> strings;
    AppendStrings(strings, texts);
    _variant_t written;
    ASSERT_TRUE(FillBSTRSafeArray(written, strings));
    PArray<old::string> read;
    EXPECT_TRUE(FillStrArray(written, read));
    // The empty text comes back as a string without text buffer.
    EXPECT_EQ(TextsOf(read), (std::vector<Text>{texts[0], std::nullopt, texts[2]}));

    const std::vector<WideString> wideStrings{OLESTR("first"), WideString(), OLESTR("third")};
    _variant_t wideWritten;
    FillVectorToBSTRSafeArray(wideWritten, wideStrings);
    std::vector<WideString> wideRead;
    FillVectorToStrArray(wideWritten, wideRead);
    EXPECT_EQ(wideRead, wideStrings);
}

} // namespace
