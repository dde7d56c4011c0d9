#include <gkern/Matrices.h>
#include <gkern/Points.h>

#include <array>
#include <cstddef>
#include <cstdint>

namespace {

// The image of a point under an order × order matrix, order = dimension + 1, the point being the row
// (coordinates, 1) multiplied from the left. The result is divided by its weight when the matrix has
// perspective terms, unless the weight is 0: a point sent to infinity keeps its undivided image.
template <std::size_t dimension>
std::array<double, dimension> Image(const std::array<double, dimension>& point, const double* element,
                                    std::uint8_t flag) {
    constexpr std::size_t order = dimension + 1;
    std::array<double, dimension> image{};
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

MbFloatPoint::MbFloatPoint(double x, double y) : x(static_cast<float>(x)), y(static_cast<float>(y)) {}

MbFloatVector3D::~MbFloatVector3D() = default;
