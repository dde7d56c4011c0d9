#include "PointValues.h"

#include <gtest/gtest.h>

#include <numeric>

using namespace GeometryTest;
using TestSupport::ExpectComError;
using TestSupport::ExpectUnlocked;

namespace {

std::vector<double> Sequence(std::size_t count, double first) {
    std::vector<double> numbers(count);
    std::iota(numbers.begin(), numbers.end(), first);
    return numbers;
}

std::vector<double> ElementsOfMatrix(const MbMatrix3D& matrix) {
    return std::vector<double>(matrix.Data(), matrix.Data() + MbMatrix3D::elementCount);
}

TEST(MatrixReaders, TakeSixteenNumbersRowByRowFromAcceptedForms) {
    struct Row {
        const char* name;
        _variant_t value;
        bool single;          // CopyVariantToMbMatrix3D
        std::size_t appended; // matrices CopyVariantToSArray appends; 0: refused
    };
    const Row rows[] = {
        {"VT_R8", Numbers(VT_R8, Sequence(16, 1)), true, 1},
        {"VT_R4", Numbers(VT_R4, Sequence(16, 1)), true, 1},
        {"VT_VARIANT", Numbers(VT_VARIANT, Sequence(16, 1)), true, 1},
        {"32 numbers", Numbers(VT_R8, Sequence(32, 1)), false, 2},
        {"15 numbers", Numbers(VT_R8, Sequence(15, 1)), false, 0},
        {"17 numbers", Numbers(VT_R8, Sequence(17, 1)), false, 0},
        {"20 numbers", Numbers(VT_R8, Sequence(20, 1)), false, 0},
        // Only cElements counts for one matrix; the list reader subtracts the lower bound.
        {"16 from 1", Numbers(VT_R8, Sequence(16, 1), 1), true, 0},
        {"4 by 4", TestSupport::TwoDimensionalArray(VT_R8, 4, 4), false, 0},
        {"16 by none", TestSupport::TwoDimensionalArray(VT_R8, 0, 16), false, 0},
        {"VT_I4", Numbers(VT_I4, Sequence(16, 1)), false, 0},
        {"VT_R8 scalar", _variant_t(1.0), false, 0},
        {"VT_EMPTY", _variant_t(), false, 0},
    };
    for (const Row& row : rows) {
        MbMatrix3D matrix = MbMatrix3D::Scaling(2, 2, 2);
        const std::uint8_t flagBefore = matrix.CheckFlag();
        EXPECT_EQ(CopyVariantToMbMatrix3D(row.value, matrix), row.single) << row.name;
        EXPECT_EQ(ElementsOfMatrix(matrix),
                  row.single ? Sequence(16, 1) : ElementsOfMatrix(MbMatrix3D::Scaling(2, 2, 2)))
            << row.name;
        EXPECT_EQ(matrix.StoredFlag(), row.single ? MatrixFlag::stale : flagBefore) << row.name;

        SArray<MbMatrix3D> matrices;
        matrices.Add(MbMatrix3D());
        EXPECT_EQ(CopyVariantToSArray(row.value, matrices), row.appended != 0) << row.name;
        ASSERT_EQ(matrices.Count(), 1 + row.appended) << row.name;
        for (std::size_t group = 0; group < row.appended; ++group) {
            EXPECT_EQ(ElementsOfMatrix(matrices[1 + group]), Sequence(16, 1 + 16.0 * group)) << row.name;
            EXPECT_EQ(matrices[1 + group].StoredFlag(), MatrixFlag::stale) << row.name;
        }
        ExpectUnlocked(row.value);
    }
}

TEST(MatrixReaders, KeepTheMatrixWhenAnElementCannotBeCoerced) {
    std::vector<_variant_t> elements(32, _variant_t(0.5F));
    elements[1] = _variant_t(3L);
    elements[2] = _variant_t(OLESTR("2.5"));
    elements[20] = _variant_t(OLESTR("x"));
    _variant_t value = TestSupport::VariantArray(elements);
    SArray<MbMatrix3D> matrices;
    ExpectComError(DISP_E_TYPEMISMATCH, [&] { CopyVariantToSArray(value, matrices); });
    ASSERT_EQ(matrices.Count(), 1u);
    EXPECT_EQ(matrices[0][1], 3.0);
    EXPECT_EQ(matrices[0][2], 2.5);

    elements.resize(16);
    elements[15] = _variant_t(OLESTR("x"));
    _variant_t single = TestSupport::VariantArray(elements);
    MbMatrix3D matrix;
    ExpectComError(DISP_E_TYPEMISMATCH, [&] { CopyVariantToMbMatrix3D(single, matrix); });
    EXPECT_EQ(ElementsOfMatrix(matrix), ElementsOfMatrix(MbMatrix3D()));
    ExpectUnlocked(value);
    ExpectUnlocked(single);
}

TEST(MatrixWriter, WritesSixteenDoublesThatAreReadBackBitForBit) {
    MbMatrix3D matrix = MbMatrix3D::RotationZ(0.3);
    matrix.SetElement(3, 0, -0.0);
    matrix.SetElement(0, 3, 5e-324);
    const _variant_t text(OLESTR("kept"));
    VARIANT output = text; // initialised, not cleared: the string stays with its owner
    ASSERT_TRUE(MbMatrix3DToVariant(matrix, output));
    ASSERT_EQ(output.vt, VT_ARRAY | VT_R8);
    EXPECT_EQ(output.parray->rgsabound[0].cElements, 16u);
    EXPECT_EQ(output.parray->rgsabound[0].lLbound, 0);
    EXPECT_EQ(SysStringLen(text.bstrVal), 4u);

    MbMatrix3D back;
    ASSERT_TRUE(CopyVariantToMbMatrix3D(output, back));
    EXPECT_EQ(Bits(ElementsOfMatrix(back)), Bits(ElementsOfMatrix(matrix)));
    EXPECT_EQ(back.StoredFlag(), MatrixFlag::stale);
    ExpectUnlocked(output);
    VariantClear(&output);
}

} // namespace
