// Point lists and single points written as VT_R8 array values in the flat point layout, and one plane
// point read back from the first two elements of an array value.
#include "geometry/FlatPointLayout.h"

#include "frame/ArrayOutput.h"
#include "frame/OwnedValues.h"

#include <climits>

using namespace WindowsUtils;

namespace {

template <class Point>
void PutCoordinates(ElementWriter& writer, const Point& point) {
    for (double x : CoordinatesOf(point))
        writer.PutValue(x);
}

template <class Point>
std::span<const Point> AllOf(const SArray<Point>& points) {
    return {points.Data(), static_cast<std::size_t>(points.Count())};
}

template <class Point>
std::span<const Point> AllOf(const std::vector<Point>& points) {
    return points;
}

// Fresh array output of every coordinate of every point, each point carried through the matrix by the
// optional-matrix rule (asked once the array is in the output). `start` says whether the output is
// initialised before the array is stored in it.
template <class Point, class Matrix>
bool WritePointList(VARIANT& output, std::span<const Point> points, OutputStart start, Matrix matrix) {
    constexpr std::size_t k = PointTraits<Point>::dimension;
    // The array's count and its indices are 32-bit: a longer list is refused, not cut short.
    if (points.size() > LONG_MAX / k)
        return false;
    const auto putPoints = [&](ElementWriter& writer) {
        WithOptionalMatrix(matrix, [&](auto step) {
            for (Point point : points) {
                step(point);
                PutCoordinates(writer, point);
            }
        });
    };
    return WriteFreshArray(output, VT_R8, k * points.size(), putPoints, start);
}

// Bounded array output of one point, stored in the output as it stands, whether or not the array could
// be created: without one, the puts do nothing.
template <class Point>
bool WriteSinglePoint(VARIANT& output, const Point& point) {
    SAFEARRAY* array = CreateBoundedArray(VT_R8, PointTraits<Point>::dimension);
    StoreArray(output, VT_R8, array, OutputStart::AsItStands);
    ElementWriter writer(array);
    PutCoordinates(writer, point);
    return true;
}

// Reads single elements by SafeArrayGetElement: index i along the first dimension, 0 along any other.
// The platform checks every index against the bounds; a read outside them fails and, unexamined, leaves
// the destination as it was.
class ElementReader {
public:
    explicit ElementReader(SAFEARRAY* array) : array_(array), indices_(array->cDims, 0) {}

    void Read(LONG index, void* destination) {
        indices_[0] = index;
        SafeArrayGetElement(array_, indices_.data(), destination);
    }

private:
    SAFEARRAY* array_;
    std::vector<LONG> indices_;
};

constexpr AcceptedForm planePointForms[] = {{VT_R8, byCount}, {VT_R4, byCount}, {VT_VARIANT, byCount}};

} // namespace

bool CopySArrayToVariant(const SArray<MbCartPoint3D>& points, VARIANT& output) {
    return WritePointList(output, AllOf(points), OutputStart::VariantInit, nullptr);
}

bool CopySArrayToVariant(const SArray<MbFloatPoint3D>& points, VARIANT& output) {
    return WritePointList(output, AllOf(points), OutputStart::VariantInit, nullptr);
}

bool CopySArrayToVariant(const SArray<MbFloatPoint>& points, VARIANT& output) {
    return WritePointList(output, AllOf(points), OutputStart::VariantInit, nullptr);
}

bool CopyVectorToVariant(const std::vector<MbFloatPoint3D>& points, VARIANT& output) {
    return WritePointList(output, AllOf(points), OutputStart::VariantInit, nullptr);
}

bool CopyVectorToVariant(const std::vector<MbFloatPoint>& points, VARIANT& output) {
    return WritePointList(output, AllOf(points), OutputStart::VariantInit, nullptr);
}

bool FillSafeArray(VARIANT& output, const SArray<MbCartPoint>& points, MbMatrix* matrix) {
    return WritePointList(output, AllOf(points), OutputStart::AsItStands,
                          static_cast<const MbMatrix*>(matrix));
}

bool FillSafeArray(VARIANT& output, const std::vector<MbCartPoint3D>& points, const MbMatrix3D* matrix) {
    return WritePointList(output, AllOf(points), OutputStart::VariantInit, matrix);
}

bool FillSafeArray(VARIANT& output, const std::vector<MbCartPoint>& points, const MbMatrix* matrix) {
    return WritePointList(output, AllOf(points), OutputStart::AsItStands, matrix);
}

bool TransformMbCartPoint3DToVariant(VARIANT& output, const MbCartPoint3D& point) {
    return WriteSinglePoint(output, point);
}

bool TransformMbCartPointToVariant(VARIANT& output, const MbCartPoint& point) {
    return WriteSinglePoint(output, point);
}

bool TransformVariantToMbCartPoint(MbCartPoint& point, const VARIANT& value) {
    const AcceptedForm* form = MatchingForm(value, planePointForms);
    SAFEARRAY* array = value.parray;
    if (form == nullptr || array == nullptr || array->cDims == 0 || OneDimensionalCount(*array) < 2)
        return false;
    // The platform checks the indices, not the descriptor: the elements land in scratch of the form's
    // width, so an array whose elements are of another width, or that has no data, is refused.
    if (array->cbElements != ElementWidth(form->element) || array->pvData == nullptr)
        return false;
    ElementReader reader(array);
    switch (form->element) {
    case VT_R8:
        reader.Read(0, &point.x);
        reader.Read(1, &point.y);
        break;
    case VT_R4: {
        // One scratch for both reads: a failed read passes on what the previous one left.
        FLOAT number = 0.0F;
        reader.Read(0, &number);
        point.x = number;
        reader.Read(1, &number);
        point.y = number;
        break;
    }
    default: {
        // A scratch per read, so that the copy of the first element is released before the second read;
        // a failed read leaves it VT_EMPTY, which gives 0.
        const auto readCoordinate = [&reader](LONG index) {
            ScratchVariant element;
            reader.Read(index, element.get());
            return Coerce<VT_R8>(*element);
        };
        point.x = readCoordinate(0);
        point.y = readCoordinate(1);
        break;
    }
    }
    return true;
}
