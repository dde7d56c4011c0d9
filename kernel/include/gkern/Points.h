// The kernel's point and vector types: plain records of public coordinates, copied as raw bytes by the
// arrays, so their field layout is fixed.
#pragma once

#include <gkern/Export.h>

#include <cstddef>

class MbMatrix;
class MbMatrix3D;

struct MbCartPoint {
    double x = 0;
    double y = 0;

    constexpr MbCartPoint() = default;
    constexpr MbCartPoint(double x, double y) : x(x), y(y) {}
    bool operator==(const MbCartPoint&) const = default;

    // Carries the point through the plane matrix, in place.
    GKERN_API MbCartPoint& Transform(const MbMatrix& matrix);
};

struct MbCartPoint3D {
    double x = 0;
    double y = 0;
    double z = 0;

    constexpr MbCartPoint3D() = default;
    constexpr MbCartPoint3D(double x, double y, double z) : x(x), y(y), z(z) {}
    bool operator==(const MbCartPoint3D&) const = default;

    // Carries the point through the matrix, in place.
    GKERN_API MbCartPoint3D& Transform(const MbMatrix3D& matrix);
};

struct MbFloatPoint {
    float x = 0;
    float y = 0;

    constexpr MbFloatPoint() = default;
    // Narrows both coordinates to float.
    GKERN_API MbFloatPoint(double x, double y);
    bool operator==(const MbFloatPoint&) const = default;
};

struct MbFloatPoint3D {
    float x = 0;
    float y = 0;
    float z = 0;

    constexpr MbFloatPoint3D() = default;
    constexpr MbFloatPoint3D(float x, float y, float z) : x(x), y(y), z(z) {}
    bool operator==(const MbFloatPoint3D&) const = default;
};

struct MbFloatVector3D {
    float x = 0;
    float y = 0;
    float z = 0;

    constexpr MbFloatVector3D() = default;
    constexpr MbFloatVector3D(float x, float y, float z) : x(x), y(y), z(z) {}
    MbFloatVector3D(const MbFloatVector3D&) = default;
    MbFloatVector3D& operator=(const MbFloatVector3D&) = default;
    GKERN_API ~MbFloatVector3D();
    bool operator==(const MbFloatVector3D&) const = default;
};

static_assert(sizeof(MbCartPoint) == 16 && offsetof(MbCartPoint, y) == 8);
static_assert(sizeof(MbCartPoint3D) == 24 && offsetof(MbCartPoint3D, y) == 8 &&
              offsetof(MbCartPoint3D, z) == 16);
static_assert(sizeof(MbFloatPoint) == 8 && offsetof(MbFloatPoint, y) == 4);
static_assert(sizeof(MbFloatPoint3D) == 12 && offsetof(MbFloatPoint3D, y) == 4 &&
              offsetof(MbFloatPoint3D, z) == 8);
static_assert(sizeof(MbFloatVector3D) == 12 && offsetof(MbFloatVector3D, y) == 4 &&
              offsetof(MbFloatVector3D, z) == 8);
