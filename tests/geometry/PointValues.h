// Helpers of the geometry tests: points seen as flat lists of coordinates, and array values whose
// descriptor is made to lie for a while.
#pragma once

#include <WindowsUtils.h>

#include "support/ArrayValues.h"

#include <bit>
#include <cstdint>
#include <vector>

namespace GeometryTest {

inline const std::vector<double> oneToSix = {1, 2, 3, 4, 5, 6};

template <class Point>
void AppendCoordinates(std::vector<double>& flat, const Point& point) {
    flat.push_back(point.x);
    flat.push_back(point.y);
    if constexpr (requires { point.z; })
        flat.push_back(point.z);
}

// Every coordinate of every point, in order, widened.
template <class Points>
std::vector<double> Flatten(const Points& points) {
    std::vector<double> flat;
    for (const auto& point : points)
        AppendCoordinates(flat, point);
    return flat;
}

// The bit patterns of numbers, so that -0.0 and NaN payloads compare too.
inline std::vector<std::uint64_t> Bits(const std::vector<double>& numbers) {
    std::vector<std::uint64_t> bits;
    for (double x : numbers)
        bits.push_back(std::bit_cast<std::uint64_t>(x));
    return bits;
}

template <class Point>
Point Filled(double x) {
    Point point{};
    point.x = static_cast<decltype(point.x)>(x);
    point.y = static_cast<decltype(point.y)>(x);
    if constexpr (requires { point.z; })
        point.z = static_cast<decltype(point.z)>(x);
    return point;
}

template <class Point>
void Add(SArray<Point>& points, const Point& point) {
    points.Add(point);
}
template <class Point>
void Add(std::vector<Point>& points, const Point& point) {
    points.push_back(point);
}

template <class Point>
void AddAll(SArray<Point>& array, const std::vector<Point>& points) {
    for (const Point& point : points)
        array.Add(point);
}

// A VT_R8 or VT_DATE element holding x.
inline void ExpectNumber(const VARIANT& element, VARTYPE vt, double x) {
    EXPECT_EQ(element.vt, vt);
    EXPECT_EQ(element.dblVal, x);
}

inline _variant_t Numbers(VARTYPE elementType, const std::vector<double>& numbers, LONG lowerBound = 0) {
    switch (elementType) {
    case VT_R4:
        return TestSupport::OwnedArray(VT_R4, std::vector<float>(numbers.begin(), numbers.end()), lowerBound);
    case VT_I4:
        return TestSupport::OwnedArray(VT_I4, std::vector<LONG>(numbers.begin(), numbers.end()), lowerBound);
    case VT_VARIANT:
        return TestSupport::VariantArray(std::vector<_variant_t>(numbers.begin(), numbers.end()), lowerBound);
    default:
        return TestSupport::OwnedArray(VT_R8, numbers, lowerBound);
    }
}

// The elements of a one-dimensional VT_R8, VT_R4 or VT_VARIANT array of numbers, as doubles.
inline std::vector<double> NumbersOf(const VARIANT& value) {
    if (value.vt == (VT_ARRAY | VT_R4)) {
        const std::vector<float> floats = TestSupport::ElementsOf<float>(value);
        return std::vector<double>(floats.begin(), floats.end());
    }
    if (value.vt != (VT_ARRAY | VT_VARIANT))
        return TestSupport::ElementsOf<double>(value);
    std::vector<double> numbers;
    for (const VARIANT& element : TestSupport::ElementsOf<VARIANT>(value))
        numbers.push_back(element.vt == VT_R4 ? element.fltVal : element.dblVal);
    return numbers;
}

// Makes the descriptor of a value's array lie the way a malformed array would, and puts it back on
// destruction so that the array can be destroyed.
class Tampered {
public:
    template <class Change>
    Tampered(VARIANT& value, Change change) : array_(value.parray), saved_(*value.parray) {
        change(*array_);
    }
    ~Tampered() {
        const ULONG locks = array_->cLocks;
        *array_ = saved_;
        array_->cLocks = locks;
    }
    Tampered(const Tampered&) = delete;
    Tampered& operator=(const Tampered&) = delete;

private:
    SAFEARRAY* array_;
    SAFEARRAY saved_;
};

} // namespace GeometryTest
