// Point array values changed where they stand: every point carried through a matrix, or the leading
// points overwritten from a vector. The array keeps its bounds and element type.
#include "geometry/FlatPointLayout.h"

using namespace WindowsUtils;

namespace {

// The frame of the in-place operations: the array-value check with whole points of the Point type and
// at least `minimumSize` numbers, locked data access, then change(form, numbers, pointCount) on the data.
// The result is the outcome of SafeArrayUnaccessData.
template <class Point, class Change>
bool ChangeInPlace(VARIANT& value, std::span<const AcceptedForm> forms, long long minimumSize,
                   Change change) {
    constexpr LONG k = PointTraits<Point>::dimension;
    const CheckedForm checked = CheckFlatArray(value, forms, k);
    if (checked.form == nullptr || checked.size < minimumSize)
        return false;
    LockedData data(value.parray);
    if (!data)
        return false;
    WithElementType<VT_R8, VT_VARIANT>(checked.form->element, [&](auto form) {
        change(form, data.Elements<ElementType<decltype(form)::value>>(), checked.size / k);
    });
    return data.Release();
}

// Every point replaced by its image, without asking whether the matrix is the identity.
template <class Point, class Matrix>
bool TransformInPlace(VARIANT& value, std::span<const AcceptedForm> forms, const Matrix& matrix) {
    return ChangeInPlace<Point>(value, forms, 0, [&matrix](auto form, auto* numbers, LONG pointCount) {
        constexpr int k = PointTraits<Point>::dimension;
        for (LONG i = 0; i < pointCount; ++i, numbers += k) {
            Point point = ReadPoint<Point, k, decltype(form)::value>(numbers);
            point.Transform(matrix);
            WritePoint(numbers, point);
        }
    });
}

constexpr AcceptedForm spaceForms[] = {{VT_R8, byTotal}, {VT_VARIANT, byCount}};
constexpr AcceptedForm planeForms[] = {{VT_R8, byTotal}};

} // namespace

bool TransformPoints(VARIANT& value, const MbMatrix3D& matrix) {
    return TransformInPlace<MbCartPoint3D>(value, spaceForms, matrix);
}

bool TransformPoints(VARIANT& value, const MbMatrix& matrix) {
    return TransformInPlace<MbCartPoint>(value, planeForms, matrix);
}

bool ResetPoints(VARIANT& value, const std::vector<MbCartPoint3D>& points) {
    // Taken as a 32-bit count: a vector too long for one reads as negative and writes nothing.
    const auto pointCount = static_cast<LONG>(points.size());
    constexpr LONG k = PointTraits<MbCartPoint3D>::dimension;
    return ChangeInPlace<MbCartPoint3D>(value, spaceForms, static_cast<long long>(k) * pointCount,
                                        [&](auto, auto* numbers, LONG) {
                                            for (LONG i = 0; i < pointCount; ++i, numbers += k)
                                                WritePoint(numbers, points[static_cast<std::size_t>(i)]);
                                        });
}
