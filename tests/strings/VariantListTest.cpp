#include "TextValues.h"

#include "support/ArrayValues.h"
#include "support/CountingObject.h"

#include <gtest/gtest.h>

#include <vector>

using namespace TextValues;
using TestSupport::ExpectComError;
using TestSupport::ExpectUnlocked;

namespace {

_variant_t ValueOfType(VARTYPE vt) {
    VARIANT value;
    VariantInit(&value);
    value.vt = vt;
    return _variant_t(value, false);
}

void ExpectSameValue(const VARIANT& actual, const VARIANT& expected) {
    ASSERT_EQ(actual.vt, expected.vt);
    switch (actual.vt) {
    case VT_EMPTY:
        break;
    case VT_I4:
        EXPECT_EQ(actual.lVal, expected.lVal);
        break;
    case VT_R4:
        EXPECT_EQ(actual.fltVal, expected.fltVal);
        break;
    case VT_R8:
        EXPECT_EQ(actual.dblVal, expected.dblVal);
        break;
    case VT_BSTR:
        EXPECT_NE(actual.bstrVal, nullptr);
        EXPECT_EQ(TextOf(actual.bstrVal), TextOf(expected.bstrVal));
        break;
    default:
        ADD_FAILURE() << "no comparison for vt " << actual.vt;
    }
}

void ExpectSameValues(const RPArray<_variant_t>& actual, const std::vector<_variant_t>& expected) {
    ASSERT_EQ(actual.Count(), expected.size());
    for (std::size_t index = 0; index < expected.size(); ++index)
        ExpectSameValue(*actual[index], expected[index]);
}

// The output starts with one owned element, which every path destroys.
struct ReadRow {
    const char* name;
    _variant_t input;
    bool result;
    std::vector<_variant_t> expected;
};

TEST(VariantListReader, Paths) {
    _variant_t byReference = ValueOfType(VT_BYREF | VT_ARRAY | VT_R8);
    byReference.pparray = nullptr;
    const ReadRow rows[] = {
        {"doubles", TestSupport::DoubleArray({1.5, 2.5}), true, {_variant_t(1.5), _variant_t(2.5)}},
        {"doubles in two dimensions", TestSupport::TwoDimensionalArray(VT_R8, 2, 2), false, {}},
        {"null double array", ValueOfType(VT_ARRAY | VT_R8), false, {}},
        {"floats", TestSupport::OwnedArray(VT_R4, std::vector<float>{0.5f}), true, {_variant_t(0.5f)}},
        {"VT_UI4 bits kept",
         TestSupport::OwnedArray(VT_UI4, std::vector<ULONG>{4294967295u, 7u}),
         true,
         {_variant_t(-1L), _variant_t(7L)}},
        {"VT_INT", TestSupport::OwnedArray(VT_INT, std::vector<INT>{-5}), true, {_variant_t(-5L)}},
        {"texts",
         BstrArray({OLESTR("a"), std::nullopt, Wide(OLESTR("b\0c"), 3)}),
         true,
         {BstrValue(OLESTR("a")), BstrValue(WideString()), BstrValue(OLESTR("b"))}},
        {"VT_BSTR value", BstrValue(OLESTR("plain")), true, {BstrValue(OLESTR("plain"))}},
        {"VT_EMPTY value", _variant_t(), true, {_variant_t()}},
        {"VT_I4 value", _variant_t(3L), true, {_variant_t(3L)}},
        {"VARIANT array from lower bound 1",
         TestSupport::VariantArray({_variant_t(1L), _variant_t(2.5), BstrValue(OLESTR("x"))}, 1),
         true,
         {_variant_t(1L), _variant_t(2.5)}},
        {"null VARIANT array", ValueOfType(VT_ARRAY | VT_VARIANT), true, {}},
        {"VARIANT array in two dimensions", TestSupport::TwoDimensionalArray(VT_VARIANT, 2, 1), true, {}},
        {"VT_ARRAY|VT_I2", TestSupport::OwnedArray(VT_I2, std::vector<SHORT>{1}), false, {}},
        {"VT_ARRAY|VT_BOOL", TestSupport::OwnedArray(VT_BOOL, std::vector<VARIANT_BOOL>{-1}), false, {}},
        {"by reference", byReference, false, {}},
    };
    for (const ReadRow& row : rows) {
        SCOPED_TRACE(row.name);
        PArray<_variant_t> output;
        output.Add(new _variant_t(BstrValue(OLESTR("old"))));
        EXPECT_EQ(CopyVariantToSArray(row.input, output), row.result);
        ExpectSameValues(output, row.expected);
        ExpectUnlocked(row.input);
    }
}

TEST(VariantListReader, ErrorsKeepEarlierElements) {
    PArray<_variant_t> output;
    output.Add(new _variant_t(1L));
    // The 32-bit integer reader takes a null array as a scalar, which does not convert.
    ExpectComError(DISP_E_TYPEMISMATCH, [&] { CopyVariantToSArray(ValueOfType(VT_ARRAY | VT_I4), output); });
    EXPECT_EQ(output.Count(), 0u);

    ExpectComError(DISP_E_BADVARTYPE, [&] { CopyVariantToSArray(ValueOfType(15), output); });
    EXPECT_EQ(output.Count(), 0u);

    const _variant_t input = TestSupport::VariantArray({_variant_t(1L), _variant_t(2L), _variant_t(3L)});
    static_cast<VARIANT*>(input.parray->pvData)[1].vt = 15;
    ExpectComError(DISP_E_BADVARTYPE, [&] { CopyVariantToSArray(input, output); });
    ExpectSameValues(output, {_variant_t(1L)});
    ExpectUnlocked(input);
}

TEST(VariantListReader, CopiesAreDeep) {
    CountingObject object;
    const _variant_t nested = TestSupport::DoubleArray({1.0, 2.0});
    const _variant_t input = TestSupport::VariantArray(
        {BstrValue(OLESTR("text")), _variant_t(static_cast<IDispatch*>(&object)), nested});
    const LONG references = object.references();
    const VARIANT* source = static_cast<const VARIANT*>(input.parray->pvData);
    {
        PArray<_variant_t> output;
        EXPECT_TRUE(CopyVariantToSArray(input, output));
        ASSERT_EQ(output.Count(), 3u);
        ExpectSameValue(*output[0], source[0]);
        EXPECT_NE(output[0]->bstrVal, source[0].bstrVal);
        ASSERT_EQ(output[1]->vt, VT_DISPATCH);
        EXPECT_EQ(output[1]->pdispVal, &object);
        EXPECT_EQ(object.references(), references + 1);
        ASSERT_EQ(output[2]->vt, VT_ARRAY | VT_R8);
        EXPECT_NE(output[2]->parray, source[2].parray);
        EXPECT_EQ(TestSupport::ElementsOf<double>(*output[2]), (std::vector<double>{1.0, 2.0}));
    }
    EXPECT_EQ(object.references(), references);
    ExpectUnlocked(input);
}

TEST(VariantListReader, OwnedElementsDestroyedOthersForgotten) {
    const _variant_t inputs[] = {BstrValue(OLESTR("x")),
                                 TestSupport::OwnedArray(VT_I2, std::vector<SHORT>{1})};
    for (const _variant_t& input : inputs) {
        CountingObject object;
        PArray<_variant_t> owning;
        owning.Add(new _variant_t(static_cast<IDispatch*>(&object)));
        CopyVariantToSArray(input, owning);
        EXPECT_EQ(object.references(), 1);

        _variant_t kept(static_cast<IDispatch*>(&object));
        PArray<_variant_t> borrowing;
        borrowing.SetOwnsElements(false);
        borrowing.Add(&kept);
        CopyVariantToSArray(input, borrowing);
        borrowing.SetOwnsElements(true);
        EXPECT_EQ(kept.vt, VT_DISPATCH);
        EXPECT_EQ(object.references(), 2);
        for (std::uint64_t index = 0; index < borrowing.Count(); ++index)
            EXPECT_NE(borrowing[index], &kept);
    }
}

TEST(VariantListWriter, WritesCopies) {
    _variant_t output(7L);
    EXPECT_FALSE(CopySArrayToVariant(PArray<_variant_t>(), output));
    ExpectSameValue(output, _variant_t(7L));

    CountingObject object;
    PArray<_variant_t> values;
    values.Add(new _variant_t(BstrValue(OLESTR("a"))));
    values.Add(new _variant_t(static_cast<IDispatch*>(&object)));
    const BSTR text = values[0]->bstrVal;
    ASSERT_TRUE(CopySArrayToVariant(values, output));
    ASSERT_EQ(output.vt, VT_ARRAY | VT_VARIANT);
    const std::vector<VARIANT> written = TestSupport::ElementsOf<VARIANT>(output);
    ASSERT_EQ(written.size(), 2u);
    ExpectSameValue(written[0], *values[0]);
    EXPECT_NE(written[0].bstrVal, text);
    EXPECT_EQ(values[0]->bstrVal, text);
    EXPECT_EQ(written[1].pdispVal, &object);
    EXPECT_EQ(object.references(), 3);
    output.Clear();
    EXPECT_EQ(object.references(), 2);
}

TEST(VariantLists, RoundTrip) {
    const std::vector<_variant_t> values{_variant_t(1.5), BstrValue(OLESTR("b")), _variant_t(-1L),
                                         _variant_t()};
    PArray<_variant_t> source;
    for (const _variant_t& value : values)
        source.Add(new _variant_t(value));
    _variant_t written;
    ASSERT_TRUE(CopySArrayToVariant(source, written));
    PArray<_variant_t> read;
    EXPECT_TRUE(CopyVariantToSArray(written, read));
    ExpectSameValues(read, values);
}

} // namespace
