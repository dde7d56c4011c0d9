// Point lists read from array values: one reading procedure, handed per reader the forms it accepts
// (with their size rule and outcome), what happens to the output before the points are stored, and the
// number of coordinates each point takes from the array.
#include "geometry/FlatPointLayout.h"

#include <cstddef>
#include <cstring>
#include <iterator>

using namespace WindowsUtils;

namespace {

// What a reader does to its output before the first point is stored.
enum class OutputTreatment {
    Kept,            // the points follow whatever the output held
    CapacitySetToN,  // one capacity change to exactly n points, keeping what fits, then appended
    EmptiedWithRoom, // emptied with the storage kept, room for n points made
};

struct PointListReading {
    std::span<const AcceptedForm> forms; // tested in this order
    OutputTreatment treatment;
    bool allCoordinates = true; // false: the last coordinate is not in the array and is 0
};

template <class Point>
void Prepare(SArray<Point>& output, OutputTreatment treatment, LONG pointCount) {
    const auto n = static_cast<std::uint64_t>(pointCount);
    switch (treatment) {
    case OutputTreatment::Kept:
        break;
    // The outcome of the capacity change is not examined: the appends that follow report for themselves.
    case OutputTreatment::CapacitySetToN:
        output.SetCapacity(n, false);
        break;
    case OutputTreatment::EmptiedWithRoom:
        output.Clear();
        if (output.Capacity() < n)
            output.SetCapacity(n, false);
        break;
    }
}

// Vector readers always empty their output; reserving the whole count spares reallocation.
template <class Point>
void Prepare(std::vector<Point>& output, OutputTreatment, LONG pointCount) {
    output.clear();
    output.reserve(static_cast<std::size_t>(pointCount));
}

template <class Point, int k, VARTYPE Form, class Step, class Store>
void ReadPoints(const ElementType<Form>* numbers, LONG pointCount, Step step, Store store) {
    for (LONG i = 0; i < pointCount; ++i, numbers += k) {
        Point point = ReadPoint<Point, k, Form>(numbers);
        step(point);
        store(point);
    }
}

// Appends into the free slots of an SArray, as raw bytes like the kernel's own append, and sets the
// count on every way out, an exception included.
template <class Point>
class DirectAppend {
public:
    explicit DirectAppend(SArray<Point>& array) noexcept
        : array_(array), next_(array.Data() + array.Count()) {}
    ~DirectAppend() { array_.SetCount(static_cast<std::uint64_t>(next_ - array_.Data())); }
    DirectAppend(const DirectAppend&) = delete;
    DirectAppend& operator=(const DirectAppend&) = delete;

    void operator()(const Point& point) noexcept {
        std::memcpy(static_cast<void*>(next_++), static_cast<const void*>(&point), sizeof(Point));
    }

private:
    SArray<Point>& array_;
    Point* next_;
};

// Into an SArray by the kernel append: a point the array cannot take is left out. With room for every
// point the append never grows the array, so the points go straight into its free slots.
template <class Point, int k, VARTYPE Form, class Step>
void ReadPointsInto(SArray<Point>& output, const ElementType<Form>* numbers, LONG pointCount, Step step) {
    if (output.Capacity() - output.Count() >= static_cast<std::uint64_t>(pointCount)) {
        DirectAppend<Point> append(output);
        ReadPoints<Point, k, Form>(numbers, pointCount, step,
                                   [&append](const Point& point) { append(point); });
    } else {
        ReadPoints<Point, k, Form>(numbers, pointCount, step,
                                   [&output](const Point& point) { output.Add(point); });
    }
}

// The points of the array, each made (and carried through the step) when it is read: a vector appends a
// whole run of them in one insert, without a capacity test per point.
template <class Point, int k, VARTYPE Form, class Step>
class PointSequence {
public:
    using iterator_category = std::forward_iterator_tag;
    using value_type = Point;
    using difference_type = std::ptrdiff_t;
    using pointer = const Point*;
    using reference = Point;

    PointSequence(const ElementType<Form>* numbers, const Step& step) noexcept
        : numbers_(numbers), step_(&step) {}

    Point operator*() const {
        Point point = ReadPoint<Point, k, Form>(numbers_);
        (*step_)(point);
        return point;
    }
    PointSequence& operator++() noexcept {
        numbers_ += k;
        return *this;
    }
    PointSequence operator++(int) noexcept {
        PointSequence before = *this;
        ++*this;
        return before;
    }
    bool operator==(const PointSequence& other) const noexcept { return numbers_ == other.numbers_; }

private:
    const ElementType<Form>* numbers_;
    const Step* step_;
};

// Into a vector, into the room reserved for all points. A coerced VARIANT may throw part-way, and the
// points before it stay stored: those are pushed back one by one. Plain numbers cannot fail and are
// appended in one insert.
template <class Point, int k, VARTYPE Form, class Step>
void ReadPointsInto(std::vector<Point>& output, const ElementType<Form>* numbers, LONG pointCount,
                    Step step) {
    if constexpr (Form == VT_VARIANT) {
        ReadPoints<Point, k, Form>(numbers, pointCount, step,
                                   [&output](const Point& point) { output.push_back(point); });
    } else {
        using Sequence = PointSequence<Point, k, Form, Step>;
        output.insert(output.end(), Sequence(numbers, step),
                      Sequence(numbers + std::ptrdiff_t{k} * pointCount, step));
    }
}

template <class Point, class Output, class Matrix>
bool ReadPointList(const VARIANT& value, Output& output, const PointListReading& reading, Matrix matrix) {
    constexpr int dimension = PointTraits<Point>::dimension;
    const LONG k = reading.allCoordinates ? dimension : dimension - 1;
    const CheckedForm checked = CheckFlatArray(value, reading.forms, k);
    if (checked.form == nullptr)
        return false;
    LockedData data(value.parray);
    if (!data)
        return false;
    const LONG pointCount = checked.size / k;
    Prepare(output, reading.treatment, pointCount);
    WithElementType<VT_R8, VT_R4, VT_I4, VT_VARIANT>(checked.form->element, [&](auto form) {
        constexpr VARTYPE Form = decltype(form)::value;
        const auto* numbers = data.Elements<const ElementType<Form>>();
        WithOptionalMatrix(matrix, [&](auto step) {
            if (reading.allCoordinates)
                ReadPointsInto<Point, dimension, Form>(output, numbers, pointCount, step);
            else
                ReadPointsInto<Point, dimension - 1, Form>(output, numbers, pointCount, step);
        });
    });
    const bool released = data.Release();
    return checked.form->outcome == Outcome::Released ? released : true;
}

constexpr AcceptedForm spaceForms[] = {{VT_R8, byCount}, {VT_R4, byCount}, {VT_VARIANT, byCount}};
constexpr AcceptedForm floatPlaneForms[] = {{VT_R8, byCount}, {VT_R4, byCount}};
constexpr AcceptedForm cartSpaceForms[] = {
    {VT_R8, byTotal}, {VT_R4, byTotal}, {VT_I4, byTotal}, {VT_VARIANT, byTotal}};
constexpr AcceptedForm cartPlaneArrayForms[] = {{VT_R8, byTotal}, {VT_R4, byTotal}, {VT_VARIANT, byTotal}};
// Only the VT_R8 array is sized by its element total and reports the release of its data.
constexpr AcceptedForm cartPlaneVectorForms[] = {{VT_R8, byTotal},
                                                 {VT_R4, byCount, Outcome::DataReached},
                                                 {VT_I4, byCount, Outcome::DataReached},
                                                 {VT_VARIANT, byCount, Outcome::DataReached}};

} // namespace

bool CopyVariantToSArray(const VARIANT& value, SArray<MbCartPoint3D>& points, bool allCoordinates) {
    return ReadPointList<MbCartPoint3D>(value, points, {spaceForms, OutputTreatment::Kept, allCoordinates},
                                        nullptr);
}

bool CopyVariantToSArray(const VARIANT& value, SArray<MbFloatPoint3D>& points) {
    return ReadPointList<MbFloatPoint3D>(value, points, {spaceForms, OutputTreatment::CapacitySetToN},
                                         nullptr);
}

bool CopyVariantToSArray(const VARIANT& value, SArray<MbFloatPoint>& points, bool allCoordinates) {
    return ReadPointList<MbFloatPoint>(value, points,
                                       {floatPlaneForms, OutputTreatment::Kept, allCoordinates}, nullptr);
}

bool CopyVariantToSArray(const VARIANT& value, SArray<MbFloatVector3D>& points) {
    return ReadPointList<MbFloatVector3D>(value, points, {spaceForms, OutputTreatment::CapacitySetToN},
                                          nullptr);
}

bool FillMbCartPoint3DVector(const VARIANT& value, std::vector<MbCartPoint3D>& points,
                             const MbMatrix3D* matrix) {
    return ReadPointList<MbCartPoint3D>(value, points, {cartSpaceForms, OutputTreatment::EmptiedWithRoom},
                                        matrix);
}

bool FillMbCartPointArray(const VARIANT& value, SArray<MbCartPoint>& points, MbMatrix* matrix) {
    return ReadPointList<MbCartPoint>(value, points, {cartPlaneArrayForms, OutputTreatment::EmptiedWithRoom},
                                      static_cast<const MbMatrix*>(matrix));
}

bool FillMbCartPointVector(const VARIANT& value, std::vector<MbCartPoint>& points, const MbMatrix* matrix) {
    return ReadPointList<MbCartPoint>(value, points, {cartPlaneVectorForms, OutputTreatment::EmptiedWithRoom},
                                      matrix);
}
