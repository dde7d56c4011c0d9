// The flat point layout shared by the point and matrix conversions: a list of points (or matrices) lies
// in one array of numbers, k numbers per point in coordinate order, from the first element of the data
// on. Here are the pieces every such conversion is made of: which array forms it accepts, how one number
// is read or stored, how k numbers become a point, and the optional-matrix rule.
#pragma once

#include <WindowsUtils.h>

#include "frame/ArrayValue.h"
#include "frame/Coercion.h"

#include <array>
#include <cstddef>
#include <span>
#include <type_traits>

namespace WindowsUtils {

// Whether a reader's result is the outcome of SafeArrayUnaccessData, or true once the data were reached.
enum class Outcome { Released, DataReached };

// One array form a conversion accepts: VT_ARRAY|element, sized by `size`.
struct AcceptedForm {
    VARTYPE element;
    SizeRule size;
    Outcome outcome = Outcome::Released;
};

inline constexpr SizeRule byCount = SizeRule::OneDimensionalCount;
inline constexpr SizeRule byTotal = SizeRule::ElementTotal;

// The first of `forms` whose array type the value has exactly (no VT_BYREF form matches), or null.
const AcceptedForm* MatchingForm(const VARIANT& value, std::span<const AcceptedForm> forms) noexcept;

struct CheckedForm {
    const AcceptedForm* form = nullptr; // null: refused
    LONG size = 0;
};

// The matching form, with the array's size by its rule, when the value passes the array-value check
// (array there, one dimension, readable, size not 0) and holds whole groups of `groupSize` numbers.
CheckedForm CheckFlatArray(const VARIANT& value, std::span<const AcceptedForm> forms,
                           LONG groupSize) noexcept;

// Calls visit(std::integral_constant<VARTYPE, E>{}) for the one E of Elements that `element` names, so
// that each element type gets a loop of its own.
template <VARTYPE... Elements, class Visit>
void WithElementType(VARTYPE element, Visit visit) {
    (void)((element == Elements ? (visit(std::integral_constant<VARTYPE, Elements>{}), true) : false) || ...);
}

// One stored number as a coordinate of type Coordinate: numbers are converted exactly or rounded to
// nearest, VARIANT elements coerced to Coordinate.
template <VARTYPE Coordinate, VARTYPE Form>
ElementType<Coordinate> ReadNumber(const ElementType<Form>& element) {
    if constexpr (Form == VT_VARIANT)
        return Coerce<Coordinate>(element);
    else
        return static_cast<ElementType<Coordinate>>(element);
}

// Stores a coordinate into an element: a double as it is, a VARIANT by the double assignment.
inline void StoreNumber(double& element, double x) noexcept {
    element = x;
}
inline void StoreNumber(VARIANT& element, double x) {
    AssignDouble(element, x);
}

// What each point type is made of: its number of coordinates, the type a coordinate is read as, and how
// a point is made of its coordinates.
template <class Point>
struct PointTraits;

template <>
struct PointTraits<MbCartPoint3D> {
    static constexpr int dimension = 3;
    static constexpr VARTYPE coordinateType = VT_R8;
    static MbCartPoint3D Make(double x, double y, double z) { return {x, y, z}; }
};

template <>
struct PointTraits<MbCartPoint> {
    static constexpr int dimension = 2;
    static constexpr VARTYPE coordinateType = VT_R8;
    static MbCartPoint Make(double x, double y) { return {x, y}; }
};

template <>
struct PointTraits<MbFloatPoint3D> {
    static constexpr int dimension = 3;
    static constexpr VARTYPE coordinateType = VT_R8;
    // Rounded to the nearest float; beyond the float range an infinity.
    static MbFloatPoint3D Make(double x, double y, double z) {
        return {static_cast<float>(x), static_cast<float>(y), static_cast<float>(z)};
    }
};

template <>
struct PointTraits<MbFloatPoint> {
    static constexpr int dimension = 2;
    static constexpr VARTYPE coordinateType = VT_R8;
    // The kernel narrows the doubles itself.
    static MbFloatPoint Make(double x, double y) { return MbFloatPoint(x, y); }
};

template <>
struct PointTraits<MbFloatVector3D> {
    static constexpr int dimension = 3;
    // Elements of a VARIANT array are coerced straight to VT_R4: beyond the float range that raises.
    static constexpr VARTYPE coordinateType = VT_R4;
    static MbFloatVector3D Make(float x, float y, float z) { return {x, y, z}; }
};

// The point made of the k numbers at `numbers`; a coordinate that the layout leaves out (k below the
// point's dimension) is 0. The numbers are read in coordinate order.
template <class Point, int k, VARTYPE Form>
Point ReadPoint(const ElementType<Form>* numbers) {
    using Traits = PointTraits<Point>;
    static_assert(k >= 1 && k <= Traits::dimension);
    std::array<ElementType<Traits::coordinateType>, Traits::dimension> coordinates{};
    for (int c = 0; c < k; ++c)
        coordinates[c] = ReadNumber<Traits::coordinateType, Form>(numbers[c]);
    if constexpr (Traits::dimension == 3)
        return Traits::Make(coordinates[0], coordinates[1], coordinates[2]);
    else
        return Traits::Make(coordinates[0], coordinates[1]);
}

// The coordinates of a point, widened to 64 bits.
template <class Point>
std::array<double, PointTraits<Point>::dimension> CoordinatesOf(const Point& point) noexcept {
    if constexpr (PointTraits<Point>::dimension == 3)
        return {point.x, point.y, point.z};
    else
        return {point.x, point.y};
}

// Stores the coordinates of a point into the numbers at `numbers`.
template <class Point, class Element>
void WritePoint(Element* numbers, const Point& point) {
    for (double x : CoordinatesOf(point))
        StoreNumber(*numbers++, x);
}

// The optional-matrix rule, asked once per call: runs `loop(step)`, where step(point) transforms the
// point exactly when the matrix is given and not the identity, and does nothing otherwise. Loops thus
// exist twice, one transforming and one not, and decide nothing per point.
template <class Matrix, class Loop>
void WithOptionalMatrix(const Matrix* matrix, Loop loop) {
    if (matrix != nullptr && matrix->CheckFlag() != 0)
        loop([matrix](auto& point) { point.Transform(*matrix); });
    else
        loop([](auto&) {});
}

// A conversion that takes no matrix.
template <class Loop>
void WithOptionalMatrix(std::nullptr_t, Loop loop) {
    loop([](auto&) {});
}

} // namespace WindowsUtils
