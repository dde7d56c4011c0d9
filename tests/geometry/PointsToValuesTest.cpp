#include "PointValues.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>

using namespace GeometryTest;
using TestSupport::ElementsOf;
using TestSupport::ExpectComError;
using TestSupport::ExpectUnlocked;

namespace {

// The same six numbers as space and as plane points, of every point type.
const std::vector<MbCartPoint3D> space = {{1, 2, 3}, {4, 5, 6}};
const std::vector<MbFloatPoint3D> floatSpace = {{1, 2, 3}, {4, 5, 6}};
const std::vector<MbCartPoint> plane = {{1, 2}, {3, 4}, {5, 6}};
const std::vector<MbFloatPoint> floatPlane = {{1.0, 2.0}, {3.0, 4.0}, {5.0, 6.0}};

using ListWriter = std::function<bool(VARIANT&, bool)>;

// A writer handed the points in an SArray, or an empty one.
template <class Point, class Write>
ListWriter FromSArray(const std::vector<Point>& points, Write write) {
    return [&points, write](VARIANT& output, bool any) {
        SArray<Point> array;
        if (any)
            AddAll(array, points);
        return write(array, output);
    };
}

template <class Point, class Write>
ListWriter FromVector(const std::vector<Point>& points, Write write) {
    return [&points, write](VARIANT& output, bool any) {
        return write(any ? points : std::vector<Point>{}, output);
    };
}

const auto copySArray = [](const auto& points, VARIANT& output) {
    return CopySArrayToVariant(points, output);
};
const auto copyVector = [](const auto& points, VARIANT& output) {
    return CopyVectorToVariant(points, output);
};
const auto fill = [](const auto& points, VARIANT& output) { return FillSafeArray(output, points, nullptr); };

const ListWriter listWriters[] = {
    FromSArray(space, copySArray),
    FromSArray(floatSpace, copySArray),
    FromSArray(floatPlane, copySArray),
    FromVector(floatSpace, copyVector),
    FromVector(floatPlane, copyVector),
    FromSArray(plane, fill),
    FromVector(space, fill),
    FromVector(plane, fill),
};

// The output shares a string with its owner: a writer neither frees it nor, without points, touches it.
TEST(PointWriters, WriteAFreshVectorOfDoublesOrNothingForNoPoints) {
    const _variant_t text(OLESTR("kept"));
    for (const ListWriter& write : listWriters) {
        VARIANT output = text;
        EXPECT_FALSE(write(output, false));
        EXPECT_TRUE(output.vt == VT_BSTR && output.bstrVal == text.bstrVal);
        ASSERT_TRUE(write(output, true));
        ASSERT_EQ(output.vt, VT_ARRAY | VT_R8);
        EXPECT_EQ(SafeArrayGetDim(output.parray), 1u);
        EXPECT_EQ(output.parray->rgsabound[0].lLbound, 0);
        EXPECT_EQ(ElementsOf<double>(output), oneToSix);
        ExpectUnlocked(output);
        VariantClear(&output);
    }
    EXPECT_EQ(SysStringLen(text.bstrVal), 4u);
}

// Readers and writers alike, each point by the matrix exactly when one is given that is not the identity.
TEST(OptionalMatrix, IsAppliedWhenGivenAndNotTheIdentity) {
    _variant_t six = Numbers(VT_R8, oneToSix);
    SArray<MbCartPoint> planeArray;
    AddAll(planeArray, plane);
    MbMatrix3D spaceIdentity;
    MbMatrix3D spaceShift = MbMatrix3D::Translation(10, 0, 0);
    MbMatrix planeIdentity;
    MbMatrix planeShift = MbMatrix::Translation(10, 0);
    struct Row {
        const MbMatrix3D* space;
        MbMatrix* plane;
        std::vector<double> spaceNumbers, planeNumbers;
    };
    const Row rows[] = {{nullptr, nullptr, oneToSix, oneToSix},
                        {&spaceIdentity, &planeIdentity, oneToSix, oneToSix},
                        {&spaceShift, &planeShift, {11, 2, 3, 14, 5, 6}, {11, 2, 13, 4, 15, 6}}};
    for (const Row& row : rows) {
        std::vector<MbCartPoint3D> readSpace;
        std::vector<MbCartPoint> readPlane;
        SArray<MbCartPoint> readPlaneArray;
        EXPECT_TRUE(FillMbCartPoint3DVector(six, readSpace, row.space));
        EXPECT_TRUE(FillMbCartPointVector(six, readPlane, row.plane));
        EXPECT_TRUE(FillMbCartPointArray(six, readPlaneArray, row.plane));
        EXPECT_EQ(Flatten(readSpace), row.spaceNumbers);
        EXPECT_EQ(Flatten(readPlane), row.planeNumbers);
        EXPECT_EQ(Flatten(readPlaneArray), row.planeNumbers);

        _variant_t spaceOutput, planeOutput, planeArrayOutput;
        ASSERT_TRUE(FillSafeArray(spaceOutput, space, row.space));
        ASSERT_TRUE(FillSafeArray(planeOutput, plane, row.plane));
        ASSERT_TRUE(FillSafeArray(planeArrayOutput, planeArray, row.plane));
        EXPECT_EQ(ElementsOf<double>(spaceOutput), row.spaceNumbers);
        EXPECT_EQ(ElementsOf<double>(planeOutput), row.planeNumbers);
        EXPECT_EQ(ElementsOf<double>(planeArrayOutput), row.planeNumbers);
    }
    EXPECT_EQ(NumbersOf(six), oneToSix);
    EXPECT_EQ(Flatten(space), oneToSix);
    EXPECT_EQ(Flatten(planeArray), oneToSix);
    ExpectUnlocked(six);
}

TEST(SinglePoints, GoOutAsBoundedArraysAndComeBackFromTheirFirstTwoElements) {
    _variant_t planeValue, spaceValue;
    EXPECT_TRUE(TransformMbCartPointToVariant(planeValue, {3, 4}));
    EXPECT_TRUE(TransformMbCartPoint3DToVariant(spaceValue, {1, 2, 3}));
    EXPECT_EQ(ElementsOf<double>(planeValue), (std::vector<double>{3, 4}));
    EXPECT_EQ(ElementsOf<double>(spaceValue), (std::vector<double>{1, 2, 3}));
    EXPECT_EQ(spaceValue.parray->rgsabound[0].lLbound, 0);

    _variant_t grid = TestSupport::TwoDimensionalArray(VT_R8, 2, 3);
    for (int i = 0; i < 6; ++i)
        static_cast<double*>(grid.parray->pvData)[i] = 1 + i;
    struct Row {
        const char* name;
        _variant_t value;
        bool result;
        MbCartPoint point; // from (-1, -1)
    };
    const Row rows[] = {
        {"VT_R8", Numbers(VT_R8, {7, 8, 9}), true, {7, 8}},
        {"VT_R4", Numbers(VT_R4, {0.5, 8}), true, {0.5, 8}},
        {"VT_VARIANT", TestSupport::VariantArray({_variant_t(short{3}), _variant_t(0.5F)}), true, {3, 0.5}},
        {"one element", Numbers(VT_R8, {7}), false, {-1, -1}},
        {"VT_I4", Numbers(VT_I4, {7, 8}), false, {-1, -1}},
        {"scalar", _variant_t(7.0), false, {-1, -1}},
        // Index 0 lies below the lower bound: that read fails unnoticed, index 1 is the first element.
        {"VT_R8 from 1", Numbers(VT_R8, {5, 6, 7}, 1), true, {-1, 5}},
        {"VT_R4 from 1", Numbers(VT_R4, {5, 6, 7}, 1), true, {0, 5}},
        {"VT_VARIANT from 1", Numbers(VT_VARIANT, {5, 6, 7}, 1), true, {0, 5}},
        // Indices (0, 0) and (1, 0), the first index running fastest through the data.
        {"two dimensions", grid, true, {1, 2}},
    };
    for (const Row& row : rows) {
        MbCartPoint point(-1, -1);
        EXPECT_EQ(TransformVariantToMbCartPoint(point, row.value), row.result) << row.name;
        EXPECT_EQ(point, row.point) << row.name;
        ExpectUnlocked(row.value);
    }
    _variant_t text = TestSupport::VariantArray({_variant_t(1.0), _variant_t(OLESTR("x"))});
    MbCartPoint point;
    ExpectComError(DISP_E_TYPEMISMATCH, [&] { TransformVariantToMbCartPoint(point, text); });
    EXPECT_EQ(point.x, 1.0);
}

// A writer followed by the matching reader gives back every bit, whatever the numbers.
TEST(PointWriters, AreReadBackBitForBit) {
    const double nan = std::bit_cast<double>(0x7FF4000000000123ULL);
    const double odd[] = {-0.0, 5e-324, nan, std::numeric_limits<double>::infinity(), -1.7976931348623157e308,
                          0.1};
    const std::vector<MbCartPoint3D> oddSpace = {{odd[0], odd[1], odd[2]}, {odd[3], odd[4], odd[5]}};
    const std::vector<MbCartPoint> oddPlane = {{odd[0], odd[1]}, {odd[2], odd[3]}, {odd[4], odd[5]}};
    SArray<MbCartPoint> planeArray;
    for (const MbCartPoint& point : oddPlane)
        planeArray.Add(point);
    _variant_t spaceValue, planeValue, planeArrayValue, singleValue;
    ASSERT_TRUE(FillSafeArray(spaceValue, oddSpace, nullptr));
    ASSERT_TRUE(FillSafeArray(planeValue, oddPlane, nullptr));
    ASSERT_TRUE(FillSafeArray(planeArrayValue, planeArray, nullptr));
    ASSERT_TRUE(TransformMbCartPointToVariant(singleValue, oddPlane[2]));

    std::vector<MbCartPoint3D> spaceBack;
    std::vector<MbCartPoint> planeBack;
    SArray<MbCartPoint> planeArrayBack;
    MbCartPoint singleBack;
    ASSERT_TRUE(FillMbCartPoint3DVector(spaceValue, spaceBack, nullptr));
    ASSERT_TRUE(FillMbCartPointVector(planeValue, planeBack, nullptr));
    ASSERT_TRUE(FillMbCartPointArray(planeArrayValue, planeArrayBack, nullptr));
    ASSERT_TRUE(TransformVariantToMbCartPoint(singleBack, singleValue));
    EXPECT_EQ(Bits(Flatten(spaceBack)), Bits(Flatten(oddSpace)));
    EXPECT_EQ(Bits(Flatten(planeBack)), Bits(Flatten(oddPlane)));
    EXPECT_EQ(Bits(Flatten(planeArrayBack)), Bits(Flatten(oddPlane)));
    EXPECT_EQ(Bits({singleBack.x, singleBack.y}), Bits({odd[4], odd[5]}));

    for (const _variant_t* value : {&spaceValue, &planeValue, &planeArrayValue, &singleValue})
        ExpectUnlocked(*value);
}

} // namespace
