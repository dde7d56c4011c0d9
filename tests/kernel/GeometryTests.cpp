#include <gkern/Kernel.h>

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <numbers>

namespace {

constexpr double quarterTurn = std::numbers::pi / 2;

MbMatrix3D Perspective3D(double depthTerm) {
    MbMatrix3D matrix;
    matrix.SetElement(2, 3, depthTerm);
    return matrix;
}

TEST(KernelPoints, TransformThroughASpaceMatrix) {
    MbMatrix3D rotatedAndMoved = MbMatrix3D::RotationZ(quarterTurn);
    rotatedAndMoved.SetElement(3, 0, 1);
    MbMatrix3D sentToInfinity = MbMatrix3D::Translation(5, 0, 0);
    sentToInfinity.SetElement(3, 3, 0);
    struct Row {
        const char* name;
        MbMatrix3D matrix;
        MbCartPoint3D point;
        MbCartPoint3D image;
    };
    const Row rows[] = {
        {"identity", MbMatrix3D(), {1, 2, 3}, {1, 2, 3}},
        {"translation", MbMatrix3D::Translation(10, -20, 30), {1, 2, 3}, {11, -18, 33}},
        {"scaling", MbMatrix3D::Scaling(2, 3, -1), {1, 2, 3}, {2, 6, -3}},
        {"rotation", MbMatrix3D::RotationZ(quarterTurn), {1, 0, 5}, {0, 1, 5}},
        {"rotation, then translation", rotatedAndMoved, {1, 0, 0}, {1, 1, 0}},
        {"perspective", Perspective3D(0.5), {2, 4, 2}, {1, 2, 1}},
        {"perspective, negative weight", Perspective3D(-1), {2, 4, 3}, {-1, -2, -1.5}},
        {"weight 0 leaves the image undivided", sentToInfinity, {1, 2, 3}, {6, 2, 3}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        MbCartPoint3D point = row.point;
        EXPECT_EQ(&point.Transform(row.matrix), &point);
        EXPECT_NEAR(point.x, row.image.x, 1e-15);
        EXPECT_NEAR(point.y, row.image.y, 1e-15);
        EXPECT_NEAR(point.z, row.image.z, 1e-15);
    }
}

TEST(KernelPoints, TransformThroughAPlaneMatrix) {
    MbMatrix perspective;
    perspective.SetElement(0, 2, 1);
    MbMatrix rotatedAndMoved = MbMatrix::Rotation(quarterTurn);
    rotatedAndMoved.SetElement(2, 1, -1);
    struct Row {
        const char* name;
        MbMatrix matrix;
        MbCartPoint point;
        MbCartPoint image;
    };
    const Row rows[] = {
        {"identity", MbMatrix(), {1, 2}, {1, 2}},
        {"translation", MbMatrix::Translation(-4, 0.5), {1, 2}, {-3, 2.5}},
        {"scaling", MbMatrix::Scaling(-2, 3), {1, 2}, {-2, 6}},
        {"rotation", MbMatrix::Rotation(quarterTurn), {0, 1}, {-1, 0}},
        {"rotation, then translation", rotatedAndMoved, {2, 0}, {0, 1}},
        {"perspective", perspective, {3, 4}, {0.75, 1}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        MbCartPoint point = row.point;
        EXPECT_EQ(&point.Transform(row.matrix), &point);
        EXPECT_NEAR(point.x, row.image.x, 1e-15);
        EXPECT_NEAR(point.y, row.image.y, 1e-15);
    }
}

TEST(KernelMatrices, CheckFlagClassifiesStaleMatrices) {
    MbMatrix3D staleIdentity;
    staleIdentity.MarkStale();
    MbMatrix3D scaledBack = MbMatrix3D::Scaling(2, 2, 2);
    ASSERT_NE(scaledBack.CheckFlag(), MatrixFlag::identity);
    for (std::size_t diagonal = 0; diagonal < 3; ++diagonal)
        scaledBack.SetElement(diagonal, diagonal, 1);
    MbMatrix3D reset = MbMatrix3D::Translation(1, 1, 1);
    reset.Init();
    MbMatrix3D everything = MbMatrix3D::RotationZ(1);
    everything.SetElement(3, 2, 4);
    everything.SetElement(1, 3, 0.25);
    struct Row {
        const char* name;
        MbMatrix3D matrix;
        std::uint8_t flag;
    };
    const Row rows[] = {
        {"constructed", MbMatrix3D(), MatrixFlag::identity},
        {"identity marked stale", staleIdentity, MatrixFlag::identity},
        {"written back to the identity", scaledBack, MatrixFlag::identity},
        {"reset", reset, MatrixFlag::identity},
        {"translation", MbMatrix3D::Translation(0, 0, -1), MatrixFlag::translation},
        {"scaling", MbMatrix3D::Scaling(1, 1, 3), MatrixFlag::linear},
        {"rotation", MbMatrix3D::RotationZ(0.5), MatrixFlag::linear},
        {"perspective", Perspective3D(0.5), MatrixFlag::perspective},
        {"all three", everything, MatrixFlag::translation | MatrixFlag::linear | MatrixFlag::perspective},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(row.matrix.CheckFlag(), row.flag);
        EXPECT_EQ(row.matrix.StoredFlag(), row.flag);
    }

    MbMatrix plane = MbMatrix::Translation(1, 0);
    EXPECT_EQ(plane.CheckFlag(), MatrixFlag::translation);
    plane.SetElement(2, 0, 0);
    EXPECT_EQ(plane.StoredFlag(), MatrixFlag::stale);
    EXPECT_EQ(plane.CheckFlag(), MatrixFlag::identity);
    plane.SetElement(2, 2, 2);
    EXPECT_EQ(plane.CheckFlag(), MatrixFlag::perspective);
    EXPECT_EQ(plane.Init().CheckFlag(), MatrixFlag::identity);
    EXPECT_EQ(MbMatrix::Rotation(0.5).CheckFlag(), MatrixFlag::linear);
}

TEST(KernelMatrices, RecordIsElementsRowByRowThenTheFlagByte) {
    double values[16];
    for (int index = 0; index < 16; ++index)
        values[index] = 100.0 + index;
    MbMatrix3D matrix;
    matrix.SetElements(values);
    EXPECT_EQ(matrix(3, 1), 113);
    EXPECT_EQ(matrix[6], 106);

    std::uint8_t bytes[sizeof(MbMatrix3D)];
    std::memcpy(bytes, static_cast<const void*>(&matrix), sizeof bytes);
    EXPECT_EQ(std::memcmp(bytes, values, sizeof values), 0);
    EXPECT_EQ(bytes[128], MatrixFlag::stale);
    matrix.CheckFlag();
    std::memcpy(bytes, static_cast<const void*>(&matrix), sizeof bytes);
    EXPECT_EQ(bytes[128], MatrixFlag::translation | MatrixFlag::linear | MatrixFlag::perspective);
}

TEST(KernelPoints, FloatPointNarrowsBothCoordinates) {
    const MbFloatPoint point(0.1, 16777217.0);
    EXPECT_EQ(point.x, 0.1f);
    EXPECT_EQ(point.y, 16777216.0f);
}

TEST(KernelExceptionMode, ScopedSetterRestoresThePreviousSetting) {
    const bool initial = ExceptionMode::IsEnabled();
    {
        const ScopedExceptionMode on(true);
        EXPECT_TRUE(ExceptionMode::IsEnabled());
        {
            const ScopedExceptionMode off(false);
            EXPECT_FALSE(ExceptionMode::IsEnabled());
        }
        EXPECT_TRUE(ExceptionMode::IsEnabled());
    }
    EXPECT_EQ(ExceptionMode::IsEnabled(), initial);
    EXPECT_EQ(ExceptionMode::Enable(!initial), initial);
    EXPECT_EQ(ExceptionMode::Enable(initial), !initial);
}

} // namespace
