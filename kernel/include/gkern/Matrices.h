// The kernel's transformation matrices. Points are row vectors multiplied from the left, so a matrix's
// translation stands in its last row and its perspective terms in its last column.
#pragma once

#include <gkern/Export.h>

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <cstdint>

// The classification byte a matrix caches. 0 and stale are fixed; the other bits describe what a
// non-identity matrix does and may combine.
namespace MatrixFlag {
inline constexpr std::uint8_t identity = 0x00;
inline constexpr std::uint8_t translation = 0x01;
inline constexpr std::uint8_t linear = 0x02; // rotation, scaling or shear
inline constexpr std::uint8_t perspective = 0x04;
inline constexpr std::uint8_t stale = 0x80;
} // namespace MatrixFlag

// The record both matrices share: order × order doubles row by row, then the classification byte.
// Writing an element marks the classification stale.
template <std::size_t order>
class SquareMatrix {
public:
    static constexpr std::size_t elementCount = order * order;

    double operator()(std::size_t row, std::size_t column) const { return element[row * order + column]; }
    double operator[](std::size_t index) const { return element[index]; }
    const double* Data() const { return element; }

    void SetElement(std::size_t row, std::size_t column, double value) {
        SetElement(row * order + column, value);
    }
    void SetElement(std::size_t index, double value) {
        element[index] = value;
        MarkStale();
    }
    // Overwrites all elements, row by row, from elementCount values.
    void SetElements(const double* values) {
        std::copy_n(values, elementCount, element);
        MarkStale();
    }

    // The byte as it stands, without classifying.
    std::uint8_t StoredFlag() const { return FlagByte().load(std::memory_order_relaxed); }
    void MarkStale() { FlagByte().store(MatrixFlag::stale, std::memory_order_relaxed); }

protected:
    SquareMatrix() noexcept {
        // The record is copied as raw bytes to and from arrays of numbers: elements first, flag last.
        static_assert(offsetof(SquareMatrix, element) == 0);
        static_assert(offsetof(SquareMatrix, flag) == elementCount * sizeof(double));
        SetIdentity();
    }

    void SetIdentity() {
        for (std::size_t index = 0; index < elementCount; ++index)
            element[index] = index % (order + 1) == 0 ? 1.0 : 0.0;
        flag = MatrixFlag::identity;
    }

    // Concurrent CheckFlag calls on one const matrix may both cache the classification.
    std::atomic_ref<std::uint8_t> FlagByte() const { return std::atomic_ref<std::uint8_t>(flag); }

private:
    static_assert(std::atomic_ref<std::uint8_t>::required_alignment == 1);

    double element[elementCount];
    mutable std::uint8_t flag;
};

class MbMatrix3D : public SquareMatrix<4> {
public:
    // The identity, already classified.
    MbMatrix3D() noexcept = default;
    MbMatrix3D(const MbMatrix3D&) = default;
    MbMatrix3D& operator=(const MbMatrix3D&) = default;
    GKERN_API ~MbMatrix3D();

    GKERN_API static MbMatrix3D Translation(double dx, double dy, double dz);
    GKERN_API static MbMatrix3D Scaling(double sx, double sy, double sz);
    // Counterclockwise about the z axis, in radians.
    GKERN_API static MbMatrix3D RotationZ(double angle);

    // Resets to the identity.
    GKERN_API MbMatrix3D& Init();
    // The classification byte, classifying first when it is stale; 0 exactly for the identity.
    GKERN_API std::uint8_t CheckFlag() const;
};

// The plane matrix.
class MbMatrix : public SquareMatrix<3> {
public:
    // The identity, already classified.
    MbMatrix() noexcept = default;

    GKERN_API static MbMatrix Translation(double dx, double dy);
    GKERN_API static MbMatrix Scaling(double sx, double sy);
    // Counterclockwise, in radians.
    GKERN_API static MbMatrix Rotation(double angle);

    // Resets to the identity.
    GKERN_API MbMatrix& Init();
    // The classification byte, classifying first when it is stale; 0 exactly for the identity.
    GKERN_API std::uint8_t CheckFlag() const;
};

static_assert(sizeof(MbMatrix3D) == 136 && alignof(MbMatrix3D) == 8);
static_assert(sizeof(MbMatrix) == 80 && alignof(MbMatrix) == 8);
