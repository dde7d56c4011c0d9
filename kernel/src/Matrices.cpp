#include <gkern/Matrices.h>
#include <gkern/Points.h>

#include <array>
#include <cmath>
#include <cstddef>
#include <cstdint>

namespace {

// What an order × order matrix does to row vectors: its translation row, its linear block and its
// perspective column, each compared exactly with the identity's.
std::uint8_t Classify(const double* element, std::size_t order) {
    const std::size_t last = order - 1;
    std::uint8_t flag = MatrixFlag::identity;
    for (std::size_t row = 0; row < order; ++row)
        for (std::size_t column = 0; column < order; ++column) {
            const double value = element[row * order + column];
            if (value == (row == column ? 1.0 : 0.0))
                continue;
            if (column == last)
                flag |= MatrixFlag::perspective;
            else if (row == last)
                flag |= MatrixFlag::translation;
            else
                flag |= MatrixFlag::linear;
        }
    return flag;
}

template <std::size_t order>
std::uint8_t CachedClassification(std::atomic_ref<std::uint8_t> flagByte, const double* element) {
    std::uint8_t flag = flagByte.load(std::memory_order_relaxed);
    if (flag == MatrixFlag::stale) {
        flag = Classify(element, order);
        flagByte.store(flag, std::memory_order_relaxed);
    }
    return flag;
}

// The image of a point under an order × order matrix, order = dimension + 1, the point being the row
// (coordinates, 1) multiplied from the left. The result is divided by its weight when the matrix has
// perspective terms, unless the weight is 0: a point sent to infinity keeps its undivided image.
template <std::size_t dimension>
std::array<double, dimension> Image(const std::array<double, dimension>& point, const double* element,
                                    std::uint8_t flag) {
    constexpr std::size_t order = dimension + 1;
    std::array<double, dimension> image{};
    // Moving point clouds is the common case: no products with the unit block.
    if (flag == MatrixFlag::translation) {
        for (std::size_t column = 0; column < dimension; ++column)
            image[column] = point[column] + element[dimension * order + column];
        return image;
    }
    for (std::size_t column = 0; column < dimension; ++column) {
        image[column] = element[dimension * order + column];
        for (std::size_t row = 0; row < dimension; ++row)
            image[column] += point[row] * element[row * order + column];
    }
    if ((flag & MatrixFlag::perspective) == 0)
        return image;
    double weight = element[dimension * order + dimension];
    for (std::size_t row = 0; row < dimension; ++row)
        weight += point[row] * element[row * order + dimension];
    if (weight != 0.0)
        for (double& coordinate : image)
            coordinate /= weight;
    return image;
}

} // namespace

MbMatrix3D::~MbMatrix3D() = default;

MbMatrix3D MbMatrix3D::Translation(double dx, double dy, double dz) {
    MbMatrix3D matrix;
    matrix.SetElement(3, 0, dx);
    matrix.SetElement(3, 1, dy);
    matrix.SetElement(3, 2, dz);
    return matrix;
}

MbMatrix3D MbMatrix3D::Scaling(double sx, double sy, double sz) {
    MbMatrix3D matrix;
    matrix.SetElement(0, 0, sx);
    matrix.SetElement(1, 1, sy);
    matrix.SetElement(2, 2, sz);
    return matrix;
}

MbMatrix3D MbMatrix3D::RotationZ(double angle) {
    MbMatrix3D matrix;
    matrix.SetElement(0, 0, std::cos(angle));
    matrix.SetElement(0, 1, std::sin(angle));
    matrix.SetElement(1, 0, -std::sin(angle));
    matrix.SetElement(1, 1, std::cos(angle));
    return matrix;
}

MbMatrix3D& MbMatrix3D::Init() {
    SetIdentity();
    return *this;
}

std::uint8_t MbMatrix3D::CheckFlag() const {
    return CachedClassification<4>(FlagByte(), Data());
}

MbMatrix MbMatrix::Translation(double dx, double dy) {
    MbMatrix matrix;
    matrix.SetElement(2, 0, dx);
    matrix.SetElement(2, 1, dy);
    return matrix;
}

MbMatrix MbMatrix::Scaling(double sx, double sy) {
    MbMatrix matrix;
    matrix.SetElement(0, 0, sx);
    matrix.SetElement(1, 1, sy);
    return matrix;
}

MbMatrix MbMatrix::Rotation(double angle) {
    MbMatrix matrix;
    matrix.SetElement(0, 0, std::cos(angle));
    matrix.SetElement(0, 1, std::sin(angle));
    matrix.SetElement(1, 0, -std::sin(angle));
    matrix.SetElement(1, 1, std::cos(angle));
    return matrix;
}

MbMatrix& MbMatrix::Init() {
    SetIdentity();
    return *this;
}

std::uint8_t MbMatrix::CheckFlag() const {
    return CachedClassification<3>(FlagByte(), Data());
}

MbCartPoint& MbCartPoint::Transform(const MbMatrix& matrix) {
    const std::uint8_t flag = matrix.CheckFlag();
    if (flag != MatrixFlag::identity) {
        const auto image = Image<2>({x, y}, matrix.Data(), flag);
        x = image[0];
        y = image[1];
    }
    return *this;
}

MbCartPoint3D& MbCartPoint3D::Transform(const MbMatrix3D& matrix) {
    const std::uint8_t flag = matrix.CheckFlag();
    if (flag != MatrixFlag::identity) {
        const auto image = Image<3>({x, y, z}, matrix.Data(), flag);
        x = image[0];
        y = image[1];
        z = image[2];
    }
    return *this;
}
