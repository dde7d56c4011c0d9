// Reading a point list: the numbers an automation client sends become kernel points, carried through a
// matrix on the way in.
#include <WindowsUtils.h>

#include <cstdio>

int main() {
    // The client's list: VT_ARRAY|VT_R8 holding x, y, z of each point.
    _variant_t value;
    CopyVectorToVariant(std::vector<double>{1, 2, 3, 4, 5, 6}, value);

    // Into a vector, through a translation: (11, 2, 3) and (14, 5, 6).
    const MbMatrix3D shift = MbMatrix3D::Translation(10, 0, 0);
    std::vector<MbCartPoint3D> points;
    const bool read = FillMbCartPoint3DVector(value, points, &shift);
    for (const MbCartPoint3D& point : points)
        std::printf("(%g, %g, %g)\n", point.x, point.y, point.z);

    // Into a kernel array, two numbers a point and z = 0: (1, 2, 0), (3, 4, 0), (5, 6, 0).
    SArray<MbCartPoint3D> plane;
    const bool readPlane = CopyVariantToSArray(value, plane, false);

    const std::vector<MbCartPoint3D> expected{{11, 2, 3}, {14, 5, 6}};
    return read && points == expected && readPlane && plane.Count() == 3 && plane[2] == MbCartPoint3D(5, 6, 0)
               ? 0
               : 1;
}
