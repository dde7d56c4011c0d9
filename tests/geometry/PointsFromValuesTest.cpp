#include "PointValues.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <functional>
#include <optional>
#include <string>
#include <type_traits>

using namespace GeometryTest;
using TestSupport::ExpectComError;
using TestSupport::ExpectUnlocked;

namespace {

using ReadFunction = std::function<bool(const VARIANT&, std::vector<double>&)>;

// A reader seen uniformly: its output holds one point of 9s before the call and comes back flattened.
struct Reader {
    const char* name;
    ReadFunction read;
    std::string forms; // accepted: 8 VT_R8, 4 VT_R4, I VT_I4, V VT_VARIANT
    bool keepsWhatItHeld;
    std::size_t dimension;

    // The output after a call that read `numbers`, or after a refusal.
    std::vector<double> After(const std::optional<std::vector<double>>& numbers) const {
        std::vector<double> held(dimension, 9.0);
        if (!numbers)
            return held;
        if (!keepsWhatItHeld)
            return *numbers;
        held.insert(held.end(), numbers->begin(), numbers->end());
        return held;
    }
};

template <class Output, class Call>
ReadFunction ReadInto(Call call) {
    return [call](const VARIANT& value, std::vector<double>& flat) {
        Output output;
        Add(output, Filled<std::remove_cvref_t<decltype(*output.begin())>>(9));
        const bool result = call(value, output);
        flat = Flatten(output);
        return result;
    };
}

enum ReaderIndex {
    SpaceArray,
    FloatSpaceArray,
    FloatPlaneArray,
    FloatVectorArray,
    SpaceVector,
    PlaneArray,
    PlaneVector
};

const Reader readers[] = {
    {"SArray<MbCartPoint3D>", ReadInto<SArray<MbCartPoint3D>>([](const VARIANT& v, auto& o) {
         return CopyVariantToSArray(v, o, true);
     }),
     "84V", true, 3},
    {"SArray<MbFloatPoint3D>",
     ReadInto<SArray<MbFloatPoint3D>>([](const VARIANT& v, auto& o) { return CopyVariantToSArray(v, o); }),
     "84V", true, 3},
    {"SArray<MbFloatPoint>", ReadInto<SArray<MbFloatPoint>>([](const VARIANT& v, auto& o) {
         return CopyVariantToSArray(v, o, true);
     }),
     "84", true, 2},
    {"SArray<MbFloatVector3D>",
     ReadInto<SArray<MbFloatVector3D>>([](const VARIANT& v, auto& o) { return CopyVariantToSArray(v, o); }),
     "84V", true, 3},
    {"FillMbCartPoint3DVector", ReadInto<std::vector<MbCartPoint3D>>([](const VARIANT& v, auto& o) {
         return FillMbCartPoint3DVector(v, o, nullptr);
     }),
     "84IV", false, 3},
    {"FillMbCartPointArray", ReadInto<SArray<MbCartPoint>>([](const VARIANT& v, auto& o) {
         return FillMbCartPointArray(v, o, nullptr);
     }),
     "84V", false, 2},
    {"FillMbCartPointVector", ReadInto<std::vector<MbCartPoint>>([](const VARIANT& v, auto& o) {
         return FillMbCartPointVector(v, o, nullptr);
     }),
     "84IV", false, 2},
};

_variant_t WithoutArray(VARTYPE elementType) {
    VARIANT value;
    VariantInit(&value);
    value.vt = static_cast<VARTYPE>(VT_ARRAY | elementType);
    return _variant_t(value, false);
}

TEST(PointReaders, AcceptExactlyTheirFormsAndLeaveTheOutputAloneOtherwise) {
    _variant_t referencedValue = Numbers(VT_R8, oneToSix);
    VARIANT byReference;
    VariantInit(&byReference);
    byReference.vt = VT_BYREF | VT_ARRAY | VT_R8;
    byReference.pparray = &referencedValue.parray;
    struct Input {
        const char* name;
        char form; // 0: accepted by no reader
        _variant_t value;
    };
    const Input inputs[] = {
        {"VT_ARRAY|VT_R8", '8', Numbers(VT_R8, oneToSix)},
        {"VT_ARRAY|VT_R4", '4', Numbers(VT_R4, oneToSix)},
        {"VT_ARRAY|VT_I4", 'I', Numbers(VT_I4, oneToSix)},
        {"VT_ARRAY|VT_VARIANT", 'V', Numbers(VT_VARIANT, oneToSix)},
        {"VT_ARRAY|VT_I2", 0, TestSupport::OwnedArray(VT_I2, std::vector<SHORT>{1, 2, 3, 4, 5, 6})},
        {"VT_R8", 0, _variant_t(1.0)},
        {"VT_EMPTY", 0, _variant_t()},
        {"VT_ARRAY|VT_R8 without array", 0, WithoutArray(VT_R8)},
        {"VT_ARRAY|VT_VARIANT without array", 0, WithoutArray(VT_VARIANT)},
        {"no elements", 0, Numbers(VT_R8, {})},
        {"two dimensions", 0, TestSupport::TwoDimensionalArray(VT_R8, 2, 6)},
        {"VT_BYREF|VT_ARRAY|VT_R8", 0, _variant_t(byReference)},
    };
    for (const Reader& reader : readers)
        for (const Input& input : inputs) {
            const bool accepted = input.form != 0 && reader.forms.find(input.form) != std::string::npos;
            std::vector<double> flat;
            EXPECT_EQ(reader.read(input.value, flat), accepted) << reader.name << " from " << input.name;
            EXPECT_EQ(flat, reader.After(accepted ? std::optional(oneToSix) : std::nullopt))
                << reader.name << " from " << input.name;
            ExpectUnlocked(input.value);
        }
    ExpectUnlocked(referencedValue);
}

TEST(PointReaders, SizeArraysByTheirRuleAndReadFromTheFirstElement) {
    const std::vector<double> oneToSeven = {1, 2, 3, 4, 5, 6, 7};
    struct Row {
        ReaderIndex reader;
        VARTYPE form;
        const std::vector<double>& numbers;
        LONG lowerBound;
        std::optional<std::vector<double>> read;
    };
    const Row rows[] = {
        // cElements 6 from lower bound 1: a one-dimensional count of 5, an element total of 6.
        {SpaceArray, VT_R8, oneToSix, 1, std::nullopt},
        {SpaceVector, VT_R8, oneToSix, 1, oneToSix},
        {PlaneArray, VT_VARIANT, oneToSix, 1, oneToSix},
        {PlaneVector, VT_R8, oneToSix, 1, oneToSix},
        {PlaneVector, VT_R4, oneToSix, 1, std::nullopt},
        // cElements 7 from lower bound 1: the count readers take the first six.
        {SpaceArray, VT_R8, oneToSeven, 1, oneToSix},
        {PlaneVector, VT_I4, oneToSeven, 1, oneToSix},
        {SpaceVector, VT_R8, oneToSeven, 1, std::nullopt},
        // A negative lower bound makes the count exceed the data; one above cElements makes it negative.
        {SpaceArray, VT_R8, oneToSix, -3, std::nullopt},
        {FloatSpaceArray, VT_R4, oneToSix, 7, std::nullopt},
        {SpaceVector, VT_I4, oneToSix, -3, oneToSix},
        {PlaneArray, VT_R8, oneToSix, 7, oneToSix},
    };
    for (const Row& row : rows) {
        const Reader& reader = readers[row.reader];
        _variant_t value = Numbers(row.form, row.numbers, row.lowerBound);
        std::vector<double> flat;
        EXPECT_EQ(reader.read(value, flat), row.read.has_value())
            << reader.name << " from " << row.lowerBound;
        EXPECT_EQ(flat, reader.After(row.read)) << reader.name << " from " << row.lowerBound;
        ExpectUnlocked(value);
    }
}

TEST(PointReaders, FillALeftOutLastCoordinateWithZero) {
    _variant_t six = Numbers(VT_R8, oneToSix);
    _variant_t four = Numbers(VT_R8, {1, 2, 3, 4});
    _variant_t three = Numbers(VT_R4, {1, 2, 3});
    SArray<MbCartPoint3D> space;
    EXPECT_TRUE(CopyVariantToSArray(six, space, false));
    EXPECT_EQ(Flatten(space), (std::vector<double>{1, 2, 0, 3, 4, 0, 5, 6, 0}));
    EXPECT_FALSE(CopyVariantToSArray(four, space, true));
    EXPECT_EQ(space.Count(), 3u);
    SArray<MbFloatPoint> plane;
    EXPECT_FALSE(CopyVariantToSArray(three, plane, true));
    EXPECT_TRUE(CopyVariantToSArray(three, plane, false));
    EXPECT_EQ(Flatten(plane), (std::vector<double>{1, 0, 2, 0, 3, 0}));
    for (const _variant_t* value : {&six, &four, &three})
        ExpectUnlocked(*value);
}

TEST(PointReaders, PrepareTheirOutputAsEachDefines) {
    _variant_t six = Numbers(VT_R8, oneToSix);
    // Capacity set to exactly n first: of five points held only the first two stay.
    SArray<MbFloatPoint3D> five;
    for (double x : {10, 11, 12, 13, 14})
        five.Add(Filled<MbFloatPoint3D>(x));
    ASSERT_TRUE(CopyVariantToSArray(six, five));
    EXPECT_EQ(Flatten(five), (std::vector<double>{10, 10, 10, 11, 11, 11, 1, 2, 3, 4, 5, 6}));
    SArray<MbFloatVector3D> empty;
    ASSERT_TRUE(CopyVariantToSArray(six, empty));
    EXPECT_EQ(empty.Capacity(), 2u);
    // Count 0 with the storage kept, the capacity raised to exactly n when below.
    SArray<MbCartPoint> roomy;
    roomy.SetCapacity(10, false);
    roomy.Add(Filled<MbCartPoint>(9));
    SArray<MbCartPoint> tight;
    tight.SetCapacity(1, false);
    tight.Add(Filled<MbCartPoint>(9));
    ASSERT_TRUE(FillMbCartPointArray(six, roomy, nullptr));
    ASSERT_TRUE(FillMbCartPointArray(six, tight, nullptr));
    EXPECT_EQ(roomy.Capacity(), 10u);
    EXPECT_EQ(tight.Capacity(), 3u);
    EXPECT_EQ(Flatten(tight), oneToSix);
    // Emptied only once the array is accepted.
    std::vector<MbCartPoint3D> hundred(100, Filled<MbCartPoint3D>(9));
    EXPECT_FALSE(FillMbCartPoint3DVector(Numbers(VT_R8, {1, 2, 3, 4}), hundred, nullptr));
    EXPECT_EQ(hundred.size(), 100u);
    ASSERT_TRUE(FillMbCartPoint3DVector(six, hundred, nullptr));
    EXPECT_EQ(Flatten(hundred), oneToSix);
    ExpectUnlocked(six);
}

TEST(PointReaders, ConvertElementsExactlyAndStopAtTheFirstThatFails) {
    _variant_t mixed =
        TestSupport::VariantArray({_variant_t(short{1}), _variant_t(OLESTR("2")), _variant_t(3.0)});
    SArray<MbCartPoint3D> space;
    ASSERT_TRUE(CopyVariantToSArray(mixed, space, true));
    EXPECT_EQ(Flatten(space), (std::vector<double>{1, 2, 3}));

    // Beyond the float range: rounded to an infinity, or refused by the coercion to VT_R4.
    _variant_t huge = TestSupport::VariantArray({1e40, 0.0, 0.0});
    SArray<MbFloatPoint3D> rounded;
    ASSERT_TRUE(CopyVariantToSArray(huge, rounded));
    EXPECT_TRUE(std::isinf(rounded[0].x));
    SArray<MbFloatVector3D> vectors;
    ExpectComError(DISP_E_OVERFLOW, [&] { CopyVariantToSArray(huge, vectors); });
    EXPECT_EQ(vectors.Count(), 0u);

    // The points before the one that fails stay in the emptied output.
    _variant_t text = TestSupport::VariantArray({1.0, 2.0, 3.0, 4.0, _variant_t(OLESTR("x")), 6.0});
    std::vector<MbCartPoint3D> read(5);
    ExpectComError(DISP_E_TYPEMISMATCH, [&] { FillMbCartPoint3DVector(text, read, nullptr); });
    EXPECT_EQ(Flatten(read), (std::vector<double>{1, 2, 3}));
    SArray<MbCartPoint> pairs;
    pairs.SetCapacity(8, false);
    pairs.Add({9, 9});
    ExpectComError(DISP_E_TYPEMISMATCH, [&] { FillMbCartPointArray(text, pairs, nullptr); });
    EXPECT_EQ(Flatten(pairs), (std::vector<double>{1, 2, 3, 4}));

    for (const _variant_t* value : {&mixed, &huge, &text})
        ExpectUnlocked(*value);
}

} // namespace
