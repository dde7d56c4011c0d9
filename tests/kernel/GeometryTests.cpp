#include <gkern/Kernel.h>

#include <gtest/gtest.h>

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <numbers>
#include <tuple>

namespace {

constexpr double quarterTurn = std::numbers::pi / 2;

// The distance between two points, from two-argument hypot only: Wine's msvcp140_2 leaves the
// three-argument one unimplemented.
double Distance(const MbCartPoint3D& from, const MbCartPoint3D& to) {
    return std::hypot(std::hypot(from.x - to.x, from.y - to.y), from.z - to.z);
}

template <typename Matrix>
Matrix With(Matrix matrix, std::size_t row, std::size_t column, double value) {
    matrix.SetElement(row, column, value);
    return matrix;
}

// Points are carried to their images in place; a perspective image is divided by its weight unless that
// is 0. Rows of name, matrix, point, image.
TEST(KernelPoints, TransformThroughSpaceAndPlaneMatrices) {
    const MbMatrix3D turned = MbMatrix3D::RotationZ(quarterTurn);
    const std::tuple<const char*, MbMatrix3D, MbCartPoint3D, MbCartPoint3D> rows[] = {
        {"identity", MbMatrix3D(), {1, 2, 3}, {1, 2, 3}},
        {"translation", MbMatrix3D::Translation(10, -20, 30), {1, 2, 3}, {11, -18, 33}},
        {"scaling", MbMatrix3D::Scaling(2, 3, -1), {1, 2, 3}, {2, 6, -3}},
        {"rotation", turned, {1, 0, 5}, {0, 1, 5}},
        {"rotation, then translation", With(turned, 3, 0, 1), {1, 0, 0}, {1, 1, 0}},
        {"perspective", With(MbMatrix3D(), 2, 3, 0.5), {2, 4, 2}, {1, 2, 1}},
        {"perspective, negative weight", With(MbMatrix3D(), 2, 3, -1), {2, 4, 3}, {-1, -2, -1.5}},
        {"weight 0", With(MbMatrix3D::Translation(5, 0, 0), 3, 3, 0), {1, 2, 3}, {6, 2, 3}},
    };
    for (const auto& [name, matrix, point, image] : rows) {
        MbCartPoint3D moved = point;
        EXPECT_EQ(&moved.Transform(matrix), &moved) << name;
        EXPECT_LT(Distance(moved, image), 1e-15) << name;
    }
    const MbMatrix planeTurned = MbMatrix::Rotation(quarterTurn);
    const std::tuple<const char*, MbMatrix, MbCartPoint, MbCartPoint> planeRows[] = {
        {"identity", MbMatrix(), {1, 2}, {1, 2}},
        {"translation", MbMatrix::Translation(-4, 0.5), {1, 2}, {-3, 2.5}},
        {"scaling", MbMatrix::Scaling(-2, 3), {1, 2}, {-2, 6}},
        {"rotation", planeTurned, {0, 1}, {-1, 0}},
        {"rotation, then translation", With(planeTurned, 2, 1, -1), {2, 0}, {0, 1}},
        {"perspective", With(MbMatrix(), 0, 2, 1), {3, 4}, {0.75, 1}},
    };
    for (const auto& [name, matrix, point, image] : planeRows) {
        MbCartPoint moved = point;
        EXPECT_EQ(&moved.Transform(matrix), &moved) << name;
        EXPECT_LT(std::hypot(moved.x - image.x, moved.y - image.y), 1e-15) << name;
    }
    const MbFloatPoint narrowed(0.1, 16777217.0);
    EXPECT_EQ(std::tuple(narrowed.x, narrowed.y), std::tuple(0.1f, 16777216.0f));
}

// Any write marks the flag byte stale; CheckFlag classifies exactly against the identity (0) and caches.
TEST(KernelMatrices, CheckFlagClassifiesStaleMatrices) {
    MbMatrix3D staleIdentity, scaledBack = MbMatrix3D::Scaling(2, 2, 2), written;
    staleIdentity.MarkStale();
    ASSERT_NE(scaledBack.CheckFlag(), MatrixFlag::identity);
    for (std::size_t diagonal = 0; diagonal < 3; ++diagonal)
        scaledBack.SetElement(diagonal, diagonal, 1);
    double values[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 7, 0, 1};
    written.SetElements(values);
    EXPECT_EQ(written(3, 1), 7);
    // Name, matrix, whether it is the identity.
    const std::tuple<const char*, MbMatrix3D, bool> rows[] = {
        {"constructed", MbMatrix3D(), true},
        {"identity marked stale", staleIdentity, true},
        {"written back to the identity", scaledBack, true},
        {"reset", MbMatrix3D::Translation(1, 1, 1).Init(), true},
        {"written row by row", written, false},
        {"scaling", MbMatrix3D::Scaling(1, 1, 3), false},
        {"rotation", MbMatrix3D::RotationZ(0.5), false},
        {"perspective", With(MbMatrix3D(), 2, 3, 0.5), false},
    };
    for (const auto& [name, matrix, identity] : rows) {
        const std::uint8_t flag = matrix.CheckFlag();
        EXPECT_EQ(std::tuple(flag == MatrixFlag::identity, matrix.StoredFlag()), std::tuple(identity, flag))
            << name;
    }
    EXPECT_EQ(MbMatrix::Translation(1, 0).Init().CheckFlag(), MatrixFlag::identity);
}

} // namespace
