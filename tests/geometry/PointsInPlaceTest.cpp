#include "PointValues.h"

#include <gtest/gtest.h>

using namespace GeometryTest;
using TestSupport::ElementsOf;
using TestSupport::ExpectComError;
using TestSupport::ExpectUnlocked;

namespace {

TEST(TransformPoints, ReplaceEveryPointOfAcceptedArraysByItsImage) {
    MbMatrix3D spaceShift = MbMatrix3D::Translation(1, 2, 3);
    MbMatrix planeShift = MbMatrix::Translation(1, 2);
    struct Row {
        const char* name;
        bool space; // MbMatrix3D, otherwise MbMatrix
        VARTYPE form;
        std::vector<double> numbers;
        LONG lowerBound;
        std::vector<double> after; // empty: refused, numbers unchanged
    };
    const Row rows[] = {
        {"space", true, VT_R8, {0, 0, 0, 1, 1, 1}, 0, {1, 2, 3, 2, 3, 4}},
        {"space, VT_VARIANT", true, VT_VARIANT, {0, 0, 0, 1, 1, 1}, 0, {1, 2, 3, 2, 3, 4}},
        {"space, four numbers", true, VT_R8, {0, 0, 0, 1}, 0, {}},
        {"space, VT_R4", true, VT_R4, {0, 0, 0}, 0, {}},
        {"plane", false, VT_R8, {0, 0, 1, 1}, 0, {1, 2, 2, 3}},
        {"plane, odd", false, VT_R8, {0, 0, 1}, 0, {}},
        {"plane, VT_VARIANT", false, VT_VARIANT, {0, 0, 1, 1}, 0, {}},
        // cElements 6 from lower bound 1: a total of 6 for VT_R8, a count of 5 for VT_VARIANT.
        {"space from 1", true, VT_R8, {0, 0, 0, 1, 1, 1}, 1, {1, 2, 3, 2, 3, 4}},
        {"space, VT_VARIANT from 1", true, VT_VARIANT, {0, 0, 0, 1, 1, 1}, 1, {}},
    };
    for (const Row& row : rows) {
        _variant_t value = Numbers(row.form, row.numbers, row.lowerBound);
        const bool result =
            row.space ? TransformPoints(value, spaceShift) : TransformPoints(value, planeShift);
        EXPECT_EQ(result, !row.after.empty()) << row.name;
        EXPECT_EQ(NumbersOf(value), row.after.empty() ? row.numbers : row.after) << row.name;
        ExpectUnlocked(value);
    }
}

TEST(TransformPoints, StoreIntoVariantElementsByTheDoubleAssignment) {
    MbMatrix3D shift = MbMatrix3D::Translation(1, 2, 3);
    _variant_t value =
        TestSupport::VariantArray({_variant_t(10L), _variant_t(20.0, VT_DATE), _variant_t(30.0)});
    ASSERT_TRUE(TransformPoints(value, shift));
    const std::vector<VARIANT> elements = ElementsOf<VARIANT>(value);
    ExpectNumber(elements[0], VT_R8, 11);
    ExpectNumber(elements[1], VT_DATE, 22);
    ExpectNumber(elements[2], VT_R8, 33);

    // Text in the second point: the first point is written, the rest keep their contents.
    _variant_t text = TestSupport::VariantArray({1.0, 1.0, 1.0, 1.0, _variant_t(OLESTR("x")), 1.0});
    ExpectComError(DISP_E_TYPEMISMATCH, [&] { TransformPoints(text, shift); });
    const std::vector<VARIANT> after = ElementsOf<VARIANT>(text);
    EXPECT_EQ(after[2].dblVal, 4.0);
    EXPECT_EQ(after[3].dblVal, 1.0);
    EXPECT_EQ(after[4].vt, VT_BSTR);
    ExpectUnlocked(value);
    ExpectUnlocked(text);
}

TEST(ResetPoints, OverwriteTheLeadingPointsOfLargeEnoughArrays) {
    const std::vector<MbCartPoint3D> two = {{1, 2, 3}, {4, 5, 6}};
    struct Row {
        const std::vector<MbCartPoint3D>& points;
        std::vector<double> numbers;
        std::vector<double> after; // empty: refused, numbers unchanged
    };
    const std::vector<MbCartPoint3D> none;
    const Row rows[] = {
        {two, {9, 9, 9, 9, 9, 9, 9, 9, 9}, {1, 2, 3, 4, 5, 6, 9, 9, 9}},
        {two, {9, 9, 9}, {}},
        {none, {9, 9, 9, 9, 9, 9}, {9, 9, 9, 9, 9, 9}},
        {none, {9, 9, 9, 9}, {}},
    };
    for (const Row& row : rows) {
        _variant_t value = Numbers(VT_R8, row.numbers);
        EXPECT_EQ(ResetPoints(value, row.points), !row.after.empty());
        EXPECT_EQ(ElementsOf<double>(value), row.after.empty() ? row.numbers : row.after);
        ExpectUnlocked(value);
    }
    // A string element is freed and becomes VT_R8; elements past the points stay as they were.
    _variant_t mixed = TestSupport::VariantArray({_variant_t(OLESTR("text")), 0.0, 0.0, _variant_t(7L), 0.0,
                                                  0.0, _variant_t(OLESTR("kept")), 0.0, 0.0});
    ASSERT_TRUE(ResetPoints(mixed, two));
    const std::vector<VARIANT> elements = ElementsOf<VARIANT>(mixed);
    ExpectNumber(elements[0], VT_R8, 1);
    ExpectNumber(elements[3], VT_R8, 4);
    ExpectNumber(elements[5], VT_R8, 6);
    EXPECT_EQ(elements[6].vt, VT_BSTR);
    ExpectUnlocked(mixed);
}

} // namespace
