#include <WindowsUtilsHostKit.h>

#include <gtest/gtest.h>

#include "Narrow.h"

#include "support/ArrayValues.h"
#include "support/CountingObject.h"

#include <optional>
#include <string>
#include <tuple>

using namespace HostKit;
using TestSupport::DoubleArray;
using TestSupport::OwnedArray;
using TestSupport::TwoDimensionalArray;
using TestSupport::VariantArray;

namespace {

// The reason and the words, or "taken".
std::tuple<int, std::string> Outcome(const VARIANT& value, const ReaderForm& form) {
    const std::optional<Mismatch> mismatch = Check(value, form);
    if (!mismatch)
        return {-1, "taken"};
    return {static_cast<int>(mismatch->reason), Narrow(mismatch->arrived)};
}

constexpr int type = static_cast<int>(Mismatch::Reason::type);
constexpr int byReference = static_cast<int>(Mismatch::Reason::byReference);
constexpr int dimensions = static_cast<int>(Mismatch::Reason::dimensions);
constexpr int lowerBound = static_cast<int>(Mismatch::Reason::lowerBound);
constexpr int count = static_cast<int>(Mismatch::Reason::count);
constexpr int element = static_cast<int>(Mismatch::Reason::element);

} // namespace

// One row per reason a reader refuses a value, and the forms beside them that are taken.
TEST(Check, SaysWhatArrivedInsteadOfWhatTheReaderTakes) {
    CountingObject font;
    _variant_t object(static_cast<IDispatch*>(&font));
    _variant_t nested = VariantArray({1.0, VariantArray({2.0}), 3.0});
    _variant_t withObject = VariantArray({1.0, 2.0, object});
    _variant_t seven = DoubleArray({1, 2, 3, 4, 5, 6, 7});
    _variant_t sixteen = DoubleArray({1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1});
    _variant_t fromOne = DoubleArray({1, 2, 3}, 1);
    _variant_t empty = VariantArray({});
    _variant_t texts = OwnedArray(VT_BSTR, std::vector<BSTR>{nullptr});
    _variant_t floats = OwnedArray(VT_R4, std::vector<float>{1, 2});
    _variant_t integers = OwnedArray(VT_I4, std::vector<LONG>{1, 2, 3});
    _variant_t table = TwoDimensionalArray(VT_R8, 2, 3);
    _variant_t fonts = VariantArray({object, _variant_t(static_cast<IDispatch*>(nullptr))});
    _variant_t notFonts = VariantArray({object, 2.0});
    _variant_t noFonts = OwnedArray(VT_DISPATCH, std::vector<IDispatch*>{});
    VARIANT variable{};
    variable.vt = VT_BYREF | VT_VARIANT;
    variable.pvarVal = &seven;
    VARIANT arrayByReference{};
    arrayByReference.vt = VT_BYREF | VT_ARRAY | VT_R8;
    arrayByReference.pparray = &seven.parray;
    VARIANT nothing{};
    nothing.vt = VT_DISPATCH;

    const std::tuple<const char*, const VARIANT*, const ReaderForm*, int, std::string> rows[] = {
        {"3 numbers", &seven, &Reads::points3D, count, "an array of 7 elements, not a multiple of 3"},
        {"7 numbers for pairs", &seven, &Reads::points2D, count,
         "an array of 7 elements, not a multiple of 2"},
        {"7 numbers for a list", &seven, &Reads::vectorOfDoubles, -1, "taken"},
        {"a matrix of 7", &seven, &Reads::matrix, count, "an array of 7 elements"},
        {"a matrix of 16", &sixteen, &Reads::matrix, -1, "taken"},
        {"matrices of 16", &sixteen, &Reads::matrices, -1, "taken"},
        {"one point from 7", &seven, &Reads::onePoint2D, -1, "taken"},
        {"a variable", &variable, &Reads::points3D, byReference, "a variable passed by reference"},
        {"an array by reference", &arrayByReference, &Reads::vectorOfDoubles, byReference,
         "an array passed by reference"},
        {"a table", &table, &Reads::vectorOfDoubles, dimensions, "a two-dimensional array"},
        {"from index 1, counted", &fromOne, &Reads::points3D, count,
         "an array of 2 elements, not a multiple of 3"},
        {"from index 1, every element read", &fromOne, &Reads::pointVector3D, -1, "taken"},
        {"one point from index 1", &fromOne, &Reads::onePoint2D, lowerBound,
         "an array whose first index is 1"},
        {"an empty list of points", &empty, &Reads::pointVector3D, count, "an empty array"},
        {"an empty list of numbers", &empty, &Reads::vectorOfDoubles, -1, "taken"},
        {"an empty SArray of numbers", &empty, &Reads::sarrayOfDoubles, count, "an empty array"},
        {"an empty list of texts", &empty, &Reads::texts, -1, "taken"},
        {"an array inside", &nested, &Reads::points3D, element, "an array whose element 1 is an array"},
        {"an array inside a value list", &nested, &Reads::values, -1, "taken"},
        {"an object inside", &withObject, &Reads::vectorOfDoubles, element,
         "an array whose element 2 is an Object"},
        {"texts for numbers", &texts, &Reads::vectorOfDoubles, type, "an array of String elements"},
        {"texts for texts", &texts, &Reads::texts, -1, "taken"},
        {"Single for a Double SArray", &floats, &Reads::sarrayOfDoubles, type, "an array of Single elements"},
        {"Single for a float vector", &floats, &Reads::vectorOfFloats, -1, "taken"},
        {"Long for point pairs", &integers, &Reads::pointVector2D, count,
         "an array of 3 elements, not a multiple of 2"},
        {"Long for points", &integers, &Reads::points3D, type, "an array of Long elements"},
        {"Long for a point vector", &integers, &Reads::pointVector3D, -1, "taken"},
        {"Single for points in place", &floats, &Reads::pointsInPlace2D, type, "an array of Single elements"},
        {"fonts", &fonts, &Reads::values, -1, "taken"},
        {"an object", &object, &Reads::fonts, -1, "taken"},
        {"no fonts", &noFonts, &Reads::fonts, count, "an empty array"},
        {"Nothing for numbers", &nothing, &Reads::vectorOfDoubles, type, "Nothing"},
    };
    for (const auto& [name, value, form, reason, arrived] : rows)
        EXPECT_EQ(Outcome(*value, *form), std::tuple(reason, arrived)) << name;

    // Scalars: a list of one for the readers that take one.
    const std::tuple<_variant_t, const ReaderForm*, int, std::string> scalars[] = {
        {_variant_t(2.5), &Reads::vectorOfDoubles, -1, "taken"},
        {_variant_t(2.5), &Reads::points3D, type, "a Double"},
        {_variant_t(OLESTR("3")), &Reads::vectorOfDoubles, type, "a String"},
        {_variant_t(short{7}), &Reads::vectorOfIntegers, type, "an Integer"},
        {_variant_t(7L), &Reads::vectorOfIntegers, -1, "taken"},
        {_variant_t(), &Reads::texts, -1, "taken"},
        {_variant_t(), &Reads::values, -1, "taken"},
        {_variant_t(), &Reads::fonts, type, "Empty"},
        {_variant_t(true), &Reads::vectorOfBooleans, -1, "taken"},
        {_variant_t(true), &Reads::vectorOfBytes, type, "a Boolean"},
    };
    for (const auto& [value, form, reason, arrived] : scalars)
        EXPECT_EQ(Outcome(value, *form), std::tuple(reason, arrived)) << Narrow(form->expected);

    // A VARIANT array of fonts for a host's own form: objects only.
    const ReaderForm objects{.expected = OLESTR("an array of fonts"),
                             .arrayTypes = TypeBit(VT_VARIANT),
                             .fewest = 0,
                             .elements = Elements::objects};
    EXPECT_EQ(Outcome(fonts, objects), std::tuple(-1, std::string("taken")));
    EXPECT_EQ(Outcome(notFonts, objects),
              std::tuple(element, std::string("an array whose element 1 is a Double")));
}

// Require names the method, what it expects and what arrived.
TEST(Check, RequireRaisesARefusalForTheScriptAuthor) {
    _variant_t two = DoubleArray({1, 2});
    try {
        Require(two, Reads::pointVector3D, OLESTR("Points"));
        ADD_FAILURE() << "two numbers taken";
    } catch (const Refusal& refusal) {
        EXPECT_EQ(
            std::tuple(refusal.Code(), Narrow(refusal.Description())),
            std::tuple(static_cast<HRESULT>(0x80040201),
                       std::string("Points expects a one-dimensional array of numbers, three per point; "
                                   "it received an array of 2 elements, not a multiple of 3")));
    }
    _variant_t three = DoubleArray({1, 2, 3});
    EXPECT_NO_THROW(Require(three, Reads::pointVector3D, OLESTR("Points")));
}

// The check and the library agree on every array form: what the check takes, the reader reads (true),
// and what it refuses for its form, the reader refuses (false).
TEST(Check, AgreesWithTheLibrarysReaders) {
    const std::tuple<const char*, _variant_t> values[] = {
        {"3 doubles", DoubleArray({1, 2, 3})},
        {"6 doubles", DoubleArray({1, 2, 3, 4, 5, 6})},
        {"4 doubles", DoubleArray({1, 2, 3, 4})},
        {"16 doubles", DoubleArray({1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1})},
        {"no doubles", DoubleArray({})},
        {"3 singles", OwnedArray(VT_R4, std::vector<float>{1, 2, 3})},
        {"4 longs", OwnedArray(VT_I4, std::vector<LONG>{1, 2, 3, 4})},
        {"3 variants", VariantArray({1.0, 2.0, 3.0})},
        {"2 variants", VariantArray({1.0, 2.0})},
        {"a table", TwoDimensionalArray(VT_R8, 3, 2)},
        {"6 doubles from index 1", DoubleArray({1, 2, 3, 4, 5, 6}, 1)},
        {"6 variants from index 3", VariantArray({1.0, 2.0, 3.0, 4.0, 5.0, 6.0}, 3)},
        {"a number", _variant_t(1.5)},
        {"a text", _variant_t(OLESTR("1"))},
    };
    for (const auto& [name, value] : values) {
        SArray<MbCartPoint3D> spacePoints;
        std::vector<MbCartPoint3D> pointVector;
        std::vector<MbCartPoint> planeVector;
        SArray<MbMatrix3D> matrixList;
        MbMatrix3D matrix;
        SArray<double> numbers;
        _variant_t moved(value);
        const std::tuple<const char*, const ReaderForm&, bool> readers[] = {
            {"points3D", Reads::points3D, CopyVariantToSArray(value, spacePoints, true)},
            {"pointVector3D", Reads::pointVector3D, FillMbCartPoint3DVector(value, pointVector, nullptr)},
            {"pointVector2D", Reads::pointVector2D, FillMbCartPointVector(value, planeVector, nullptr)},
            {"matrix", Reads::matrix, CopyVariantToMbMatrix3D(value, matrix)},
            {"matrices", Reads::matrices, CopyVariantToSArray(value, matrixList)},
            {"sarrayOfDoubles", Reads::sarrayOfDoubles, CopyVariantToSArray(value, numbers)},
            {"pointsInPlace3D", Reads::pointsInPlace3D, TransformPoints(moved, MbMatrix3D())},
        };
        for (const auto& [reader, form, read] : readers)
            EXPECT_EQ(!Check(value, form).has_value(), read) << name << " / " << reader;
    }
}
