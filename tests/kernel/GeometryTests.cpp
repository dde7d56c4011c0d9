#include <gkern/Kernel.h>

#include <gtest/gtest.h>

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <numbers>
#include <tuple>

namespace {

constexpr double quarterTurn = std::numbers::pi / 2;

template <typename Matrix>
Matrix With(Matrix matrix, std::size_t row, std::size_t column, double value) {
    matrix.SetElement(row, column, value);
    return matrix;
}

double Gap(const MbCartPoint& a, const MbCartPoint& b) {
    return std::hypot(a.x - b.x, a.y - b.y);
}
double Gap(const MbCartPoint3D& a, const MbCartPoint3D& b) {
    return std::hypot(a.x - b.x, a.y - b.y, a.z - b.z);
}

// Rows of name, matrix, point, image: the point is carried to its image in place.
template <typename Matrix, typename Point, std::size_t count>
void ExpectImages(const std::tuple<const char*, Matrix, Point, Point> (&rows)[count]) {
    for (const auto& [name, matrix, point, image] : rows) {
        Point moved = point;
        EXPECT_EQ(&moved.Transform(matrix), &moved) << name;
        EXPECT_LT(Gap(moved, image), 1e-15) << name << ": " << moved.x << ", " << moved.y;
    }
}

TEST(KernelPoints, TransformThroughASpaceMatrix) {
    const std::tuple<const char*, MbMatrix3D, MbCartPoint3D, MbCartPoint3D> rows[] = {
        {"identity", MbMatrix3D(), {1, 2, 3}, {1, 2, 3}},
        {"translation", MbMatrix3D::Translation(10, -20, 30), {1, 2, 3}, {11, -18, 33}},
        {"scaling", MbMatrix3D::Scaling(2, 3, -1), {1, 2, 3}, {2, 6, -3}},
        {"rotation", MbMatrix3D::RotationZ(quarterTurn), {1, 0, 5}, {0, 1, 5}},
        {"rotation, then translation",
         With(MbMatrix3D::RotationZ(quarterTurn), 3, 0, 1),
         {1, 0, 0},
         {1, 1, 0}},
        {"perspective", With(MbMatrix3D(), 2, 3, 0.5), {2, 4, 2}, {1, 2, 1}},
        {"perspective, negative weight", With(MbMatrix3D(), 2, 3, -1), {2, 4, 3}, {-1, -2, -1.5}},
        {"weight 0 leaves the image undivided",
         With(MbMatrix3D::Translation(5, 0, 0), 3, 3, 0),
         {1, 2, 3},
         {6, 2, 3}},
    };
    ExpectImages(rows);
}

TEST(KernelPoints, TransformThroughAPlaneMatrix) {
    const std::tuple<const char*, MbMatrix, MbCartPoint, MbCartPoint> rows[] = {
        {"identity", MbMatrix(), {1, 2}, {1, 2}},
        {"translation", MbMatrix::Translation(-4, 0.5), {1, 2}, {-3, 2.5}},
        {"scaling", MbMatrix::Scaling(-2, 3), {1, 2}, {-2, 6}},
        {"rotation", MbMatrix::Rotation(quarterTurn), {0, 1}, {-1, 0}},
        {"rotation, then translation", With(MbMatrix::Rotation(quarterTurn), 2, 1, -1), {2, 0}, {0, 1}},
        {"perspective", With(MbMatrix(), 0, 2, 1), {3, 4}, {0.75, 1}},
    };
    ExpectImages(rows);
    EXPECT_EQ(MbFloatPoint(0.1, 16777217.0), MbFloatPoint(0.1f, 16777216.0f));
}

// Any write marks the flag byte stale; CheckFlag classifies exactly against the identity and caches.
TEST(KernelMatrices, CheckFlagClassifiesStaleMatrices) {
    MbMatrix3D staleIdentity;
    staleIdentity.MarkStale();
    MbMatrix3D scaledBack = MbMatrix3D::Scaling(2, 2, 2);
    ASSERT_NE(scaledBack.CheckFlag(), MatrixFlag::identity);
    for (std::size_t diagonal = 0; diagonal < 3; ++diagonal)
        scaledBack.SetElement(diagonal, diagonal, 1);
    double values[16];
    for (int index = 0; index < 16; ++index)
        values[index] = index % 5 == 0 ? 1.0 : 0.0;
    values[13] = 7;
    MbMatrix3D written;
    written.SetElements(values);
    EXPECT_EQ(written(3, 1), 7);
    const MbMatrix3D everything = With(With(MbMatrix3D::RotationZ(1), 3, 2, 4), 1, 3, 0.25);
    const std::tuple<const char*, MbMatrix3D, std::uint8_t> rows[] = {
        {"constructed", MbMatrix3D(), MatrixFlag::identity},
        {"identity marked stale", staleIdentity, MatrixFlag::identity},
        {"written back to the identity", scaledBack, MatrixFlag::identity},
        {"reset", MbMatrix3D::Translation(1, 1, 1).Init(), MatrixFlag::identity},
        {"written row by row", written, MatrixFlag::translation},
        {"translation", MbMatrix3D::Translation(0, 0, -1), MatrixFlag::translation},
        {"scaling", MbMatrix3D::Scaling(1, 1, 3), MatrixFlag::linear},
        {"rotation", MbMatrix3D::RotationZ(0.5), MatrixFlag::linear},
        {"perspective", With(MbMatrix3D(), 2, 3, 0.5), MatrixFlag::perspective},
        {"all three", everything, MatrixFlag::translation | MatrixFlag::linear | MatrixFlag::perspective},
    };
    for (const auto& [name, matrix, flag] : rows) {
        EXPECT_EQ(matrix.CheckFlag(), flag) << name;
        EXPECT_EQ(matrix.StoredFlag(), flag) << name;
    }

    EXPECT_EQ(MbMatrix::Translation(1, 0).Init().CheckFlag(), MatrixFlag::identity);
}

} // namespace
