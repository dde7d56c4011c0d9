#include "frame/ArrayOutput.h"
#include "frame/ArrayValue.h"
#include "support/ArrayValues.h"

#include <gtest/gtest.h>

#include <stdexcept>

using namespace WindowsUtils;
using TestSupport::DoubleArray;
using TestSupport::OwnedArray;

namespace {

TEST(OneDimensionalCount, SubtractsTheLowerBoundOfTheFirstBound) {
    struct Row {
        ULONG elements;
        LONG lowerBound;
        LONG count;
        LONG total;
    };
    const Row rows[] = {{5, 0, 5, 5}, {5, 1, 4, 5}, {5, 5, 0, 5}, {5, 6, -1, 5}, {5, -2, 7, 5}, {0x80000000u, 0, INT32_MIN, INT32_MIN}};
    for (const Row& row : rows) {
        SAFEARRAY array{};
        array.cDims = 1;
        array.rgsabound[0] = {row.elements, row.lowerBound};
        EXPECT_EQ(OneDimensionalCount(array), row.count) << row.elements << " from " << row.lowerBound;
        EXPECT_EQ(ElementTotal(array), row.total) << row.elements << " from " << row.lowerBound;
    }
}

// One row per shape: what the array-value check gives for a VT_ARRAY|VT_R8 value of that shape.
TEST(CheckedArraySize, RefusesEveryMalformedOrEmptyArray) {
    struct Row {
        const char* shape;
        ULONG elements;
        LONG lowerBound;
        LONG oneDimensionalCount;
        LONG elementTotal;
    };
    const Row rows[] = {
        {"plain", 6, 0, 6, 6},
        {"lower bound 1", 5, 1, 4, 5},
        {"lower bound equal to the count", 5, 5, 0, 5},
        {"lower bound above the count", 5, 7, 0, 5},
        {"negative lower bound", 5, -1, 0, 5},
        {"no elements", 0, 0, 0, 0},
    };
    for (const Row& row : rows) {
        _variant_t value = OwnedArray(VT_R8, std::vector<double>(row.elements, 1.0), row.lowerBound);
        EXPECT_EQ(CheckedArraySize(value, VT_R8), row.oneDimensionalCount) << row.shape;
        EXPECT_EQ(CheckedArraySize(value, VT_R8, SizeRule::ElementTotal), row.elementTotal) << row.shape;
        EXPECT_EQ(CheckedArraySize(value, VT_R4), 0) << row.shape << " read as another type";
    }
}

TEST(CheckedArraySize, RefusesOtherFormsDimensionsAndLyingWidths) {
    _variant_t matrix = TestSupport::TwoDimensionalArray(VT_R8, 4, 4);
    EXPECT_EQ(CheckedArraySize(matrix, VT_R8), 0);

    VARIANT nullArray;
    VariantInit(&nullArray);
    nullArray.vt = VT_ARRAY | VT_R8;
    nullArray.parray = nullptr;
    EXPECT_EQ(CheckedArraySize(nullArray, VT_R8), 0);

    _variant_t byReference = DoubleArray({1, 2, 3});
    SAFEARRAY* array = byReference.parray;
    VARIANT reference;
    VariantInit(&reference);
    reference.vt = VT_BYREF | VT_ARRAY | VT_R8;
    reference.pparray = &array;
    EXPECT_EQ(CheckedArraySize(reference, VT_R8), 0);

    // An array that claims wider elements than its type has is never read.
    _variant_t lying = DoubleArray({1, 2, 3, 4});
    lying.parray->cbElements = 4;
    EXPECT_EQ(CheckedArraySize(lying, VT_R8), 0);
    lying.parray->cbElements = 8;
    EXPECT_EQ(CheckedArraySize(lying, VT_R8), 4);
}

TEST(ReadableSize, AcceptsAnEmptyArrayButNoMalformedOne) {
    _variant_t empty = DoubleArray({});
    EXPECT_EQ(ReadableSize(empty.parray, VT_R8, SizeRule::OneDimensionalCount), 0);
    EXPECT_EQ(ReadableSize(nullptr, VT_R8, SizeRule::OneDimensionalCount), -1);
    _variant_t shifted = OwnedArray(VT_R8, std::vector<double>(3, 0.0), 4);
    EXPECT_EQ(ReadableSize(shifted.parray, VT_R8, SizeRule::OneDimensionalCount), -1);
    EXPECT_EQ(ReadableSize(shifted.parray, VT_R8, SizeRule::ElementTotal), 3);
}

TEST(SelectInputForm, TakesTheTypedArrayOnlyWithAnArrayThenTheScalarThenTheVariantArray) {
    VARIANT value;
    VariantInit(&value);
    _variant_t array = DoubleArray({1});
    value.vt = VT_ARRAY | VT_R8;
    value.parray = array.parray;
    EXPECT_EQ(SelectInputForm(value, VT_R8), InputForm::TypedArray);
    value.parray = nullptr;
    EXPECT_EQ(SelectInputForm(value, VT_R8), InputForm::None);
    // A reader that names its element type with VT_ARRAY on takes an array without data as the scalar.
    EXPECT_EQ(SelectInputForm(value, VT_ARRAY | VT_R8), InputForm::Scalar);
    value.vt = VT_R8;
    EXPECT_EQ(SelectInputForm(value, VT_R8), InputForm::Scalar);
    value.vt = VT_ARRAY | VT_VARIANT;
    EXPECT_EQ(SelectInputForm(value, VT_R8), InputForm::VariantArray);
    value.vt = VT_BYREF | VT_R8;
    EXPECT_EQ(SelectInputForm(value, VT_R8), InputForm::None);
}

TEST(LockedData, ReleasesTheAccessOnEveryPath) {
    _variant_t value = DoubleArray({1, 2});
    {
        LockedData data(value.parray);
        ASSERT_TRUE(data);
        EXPECT_EQ(value.parray->cLocks, 1u);
        EXPECT_EQ(data.Elements<double>()[1], 2.0);
        EXPECT_TRUE(data.Release());
        EXPECT_EQ(value.parray->cLocks, 0u);
        EXPECT_FALSE(data.Release()) << "released twice";
    }
    EXPECT_EQ(value.parray->cLocks, 0u);

    EXPECT_THROW(
        {
            LockedData data(value.parray);
            throw std::runtime_error("reading failed");
        },
        std::runtime_error);
    EXPECT_EQ(value.parray->cLocks, 0u);

    LockedData none(nullptr);
    EXPECT_FALSE(none);
}

TEST(ArrayOutput, FreshArraysAreVectorsFromZeroAndLeaveTheOutputAloneWhenEmpty) {
    VARIANT output;
    VariantInit(&output);
    output.vt = VT_I4;
    output.lVal = 7;
    EXPECT_FALSE(WriteFreshArray(output, VT_R8, 0, [](ElementWriter&) { FAIL() << "nothing to put"; }));
    EXPECT_EQ(output.vt, VT_I4);
    EXPECT_EQ(output.lVal, 7);

    ASSERT_TRUE(WriteFreshArray(output, VT_R8, 3, [](ElementWriter& writer) {
        for (double x : {0.5, 1.5, 2.5})
            writer.PutValue(x);
    }));
    EXPECT_EQ(output.vt, VT_ARRAY | VT_R8);
    EXPECT_EQ(SafeArrayGetDim(output.parray), 1u);
    EXPECT_EQ(output.parray->rgsabound[0].lLbound, 0);
    EXPECT_EQ(TestSupport::ElementsOf<double>(output), (std::vector<double>{0.5, 1.5, 2.5}));
    VariantClear(&output);

    SAFEARRAY* bounded = CreateBoundedArray(VT_BSTR, 0);
    ASSERT_NE(bounded, nullptr);
    EXPECT_EQ(bounded->rgsabound[0].cElements, 0u);
    SafeArrayDestroy(bounded);
}

} // namespace
