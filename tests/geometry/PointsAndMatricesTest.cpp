#include <WindowsUtils.h>

#include "support/ArrayValues.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <functional>
#include <string_view>
#include <tuple>
#include <typeinfo>
#include <type_traits>

using namespace TestSupport;

namespace {

const std::vector<double> oneToSix = {1, 2, 3, 4, 5, 6};
// Numbers whose bits (-0.0 and a NaN payload too) double precision keeps and single precision rounds.
const std::vector<double> odd = {-0.0,     5e-324,   std::bit_cast<double>(0x7FF4000000000123ULL),
                                 INFINITY, -1e5 / 3, 0.1};

template <class Points>
using PointOf = std::remove_cvref_t<decltype(std::declval<Points&>()[0])>;

template <class Point>
constexpr std::size_t dimension = sizeof(Point) / sizeof(Point::x);

template <class Points>
Points& Append(Points& points, const std::vector<double>& flat) {
    using Point = PointOf<Points>;
    for (std::size_t i = 0; i + dimension<Point> <= flat.size(); i += dimension<Point>) {
        Point point{};
        point.x = static_cast<decltype(point.x)>(flat[i]);
        point.y = static_cast<decltype(point.y)>(flat[i + 1]);
        if constexpr (dimension<Point> == 3)
            point.z = static_cast<decltype(point.z)>(flat[i + 2]);
        if constexpr (requires { points.push_back(point); })
            points.push_back(point);
        else
            points.Add(point);
    }
    return points;
}

template <class Points>
std::vector<double> Flatten(const Points& points) {
    std::vector<double> flat;
    for (const auto& point : points) {
        flat.insert(flat.end(), {static_cast<double>(point.x), static_cast<double>(point.y)});
        if constexpr (dimension<PointOf<Points>> == 3)
            flat.push_back(point.z);
    }
    return flat;
}

std::vector<std::uint64_t> Bits(const std::vector<double>& numbers) {
    std::vector<std::uint64_t> bits;
    for (double x : numbers)
        bits.push_back(std::bit_cast<std::uint64_t>(x));
    return bits;
}

_variant_t Numbers(VARTYPE elementType, const std::vector<double>& numbers, LONG lowerBound = 0) {
    if (elementType == VT_R4)
        return OwnedArray(VT_R4, std::vector<float>(numbers.begin(), numbers.end()), lowerBound);
    if (elementType == VT_I4)
        return OwnedArray(VT_I4, std::vector<LONG>(numbers.begin(), numbers.end()), lowerBound);
    if (elementType == VT_VARIANT)
        return VariantArray(std::vector<_variant_t>(numbers.begin(), numbers.end()), lowerBound);
    return OwnedArray(VT_R8, numbers, lowerBound);
}

// VT_ARRAY|VT_VARIANT of the numbers from 1 as VT_R8, VT_I4, VT_R8 and VT_BSTR in turn, except for the
// element at `text`, which holds text that is no number.
_variant_t Variants(std::size_t count, std::size_t text = SIZE_MAX) {
    std::vector<_variant_t> elements;
    for (std::size_t i = 0; i < count; ++i) {
        elements.emplace_back(i + 1.0);
        if (i == text)
            elements[i] = _variant_t(OLESTR("x"));
        else if (i % 2 == 1)
            VariantChangeType(&elements[i], &elements[i], 0, i % 4 == 1 ? VT_I4 : VT_BSTR);
    }
    return VariantArray(elements);
}

// Calls `call`, which must read ('R'), refuse ('F') or raise DISP_E_TYPEMISMATCH ('X').
template <class Call>
void ExpectOutcome(char outcome, Call call) {
    if (outcome == 'X')
        ExpectComError(DISP_E_TYPEMISMATCH, call);
    else
        EXPECT_EQ(call(), outcome == 'R');
}

// The array labelled with another element type than it holds: its elements are not as wide as the label says.
_variant_t Relabelled(_variant_t value, VARTYPE elementType) {
    value.vt = static_cast<VARTYPE>(VT_ARRAY | elementType);
    return value;
}

struct Input {
    const char* name;
    char form;     // 8 VT_R8, 4 VT_R4, I VT_I4, V VT_VARIANT; 0: accepted by no reader
    char sizedAs6; // T: six numbers by the element total only, C: by the count only, 0: by both
    _variant_t value;
    bool text = false; // at element 4
    std::vector<double> numbers = oneToSix;
};

std::vector<Input> Inputs() {
    VARIANT noArray{};
    noArray.vt = VT_ARRAY | VT_R8;
    const std::vector<double> oneToSeven = {1, 2, 3, 4, 5, 6, 7};
    return {
        {"VT_R8", '8', 0, Numbers(VT_R8, odd), false, odd},
        {"VT_R4", '4', 0, Numbers(VT_R4, oneToSix)},
        {"VT_I4", 'I', 0, Numbers(VT_I4, oneToSix)},
        {"VT_VARIANT", 'V', 0, Variants(6)},
        {"text in the second point", 'V', 0, Variants(6, 4), true},
        // From lower bound 1, cElements 6 is a count of 5; cElements 7 a count of 6 read from the first.
        {"VT_R8, 6 from 1", '8', 'T', Numbers(VT_R8, oneToSix, 1)},
        {"VT_R8, 7 from 1", '8', 'C', Numbers(VT_R8, oneToSeven, 1)},
        {"VT_R4, 7 from 1", '4', 'C', Numbers(VT_R4, oneToSeven, 1)},
        {"VT_I4, 6 from 1", 'I', 'T', Numbers(VT_I4, oneToSix, 1)},
        {"VT_VARIANT, 7 from 1", 'V', 'C', Numbers(VT_VARIANT, oneToSeven, 1)},
        {"five numbers", 0, 0, Numbers(VT_R8, {1, 2, 3, 4, 5})},
        {"no elements", 0, 0, Numbers(VT_R8, {})},
        {"VT_R8 scalar", 0, 0, _variant_t(1.0)},
        {"no array", 0, 0, _variant_t(noArray, false)},
        {"two dimensions", 0, 0, TwoDimensionalArray(VT_R8, 2, 6)},
        {"VT_R4 labelled VT_R8", 0, 0, Relabelled(Numbers(VT_R4, oneToSix), VT_R8)},
    };
}

// Reads each input into five points of 9s. `forms` are accepted, `byTotal` sized by cElements alone (the
// others subtract the lower bound); `output` is K: kept, N: capacity set to n first, E: emptied.
template <class Points, class Read>
void ExpectReads(std::string_view forms, std::string_view byTotal, char output, Read call) {
    SCOPED_TRACE(typeid(Points).name());
    constexpr std::size_t k = dimension<PointOf<Points>>;
    for (const Input& input : Inputs()) {
        SCOPED_TRACE(input.name);
        const bool accepted =
            input.form != 0 && forms.find(input.form) != forms.npos &&
            (input.sizedAs6 == 0 || (input.sizedAs6 == 'T') == (byTotal.find(input.form) != byTotal.npos));
        Points points, read;
        Append(points, std::vector<double>(5 * k, 9));
        ExpectOutcome(!accepted ? 'F' : input.text ? 'X' : 'R', [&] { return call(input.value, points); });
        // The points before the text are read; K and N keep points held before.
        if (accepted)
            Append(read, {input.numbers.begin(), input.numbers.begin() + (input.text ? 4 / k * k : 6)});
        std::vector<double> expected(k * (!accepted || output == 'K' ? 5 : output == 'N' ? 6 / k : 0), 9);
        for (double x : Flatten(read))
            expected.push_back(x);
        EXPECT_EQ(Bits(Flatten(points)), Bits(expected));
        ExpectUnlocked(input.value);
    }
}

TEST(PointReaders, AcceptTheirFormsSizedByTheirRuleAndTreatTheirOutputAsEachDefines) {
    ExpectReads<SArray<MbCartPoint3D>>("84V", "", 'K',
                                       [](auto& v, auto& o) { return CopyVariantToSArray(v, o, true); });
    ExpectReads<SArray<MbFloatPoint3D>>("84V", "", 'N',
                                        [](auto& v, auto& o) { return CopyVariantToSArray(v, o); });
    ExpectReads<SArray<MbFloatPoint>>("84", "", 'K',
                                      [](auto& v, auto& o) { return CopyVariantToSArray(v, o, true); });
    ExpectReads<SArray<MbFloatVector3D>>("84V", "", 'N',
                                         [](auto& v, auto& o) { return CopyVariantToSArray(v, o); });
    ExpectReads<std::vector<MbCartPoint3D>>(
        "84IV", "84IV", 'E', [](auto& v, auto& o) { return FillMbCartPoint3DVector(v, o, nullptr); });
    ExpectReads<SArray<MbCartPoint>>("84V", "84V", 'E',
                                     [](auto& v, auto& o) { return FillMbCartPointArray(v, o, nullptr); });
    ExpectReads<std::vector<MbCartPoint>>(
        "84IV", "8", 'E', [](auto& v, auto& o) { return FillMbCartPointVector(v, o, nullptr); });
}

// A left-out last coordinate is 0; beyond the float range a double becomes an infinity, a VARIANT raises.
TEST(PointReaders, CompletePointsAndRoundToFloatsAsTheirTypeSays) {
    _variant_t six = Numbers(VT_R8, oneToSix), three = Numbers(VT_R4, {1, 2, 3}),
               huge = VariantArray({1e40, 0.0, 0.0});
    SArray<MbCartPoint3D> space;
    SArray<MbFloatPoint> plane;
    SArray<MbFloatPoint3D> rounded;
    SArray<MbFloatVector3D> vectors;
    EXPECT_TRUE(CopyVariantToSArray(six, space, false) && CopyVariantToSArray(three, plane, false) &&
                CopyVariantToSArray(huge, rounded));
    ExpectComError(DISP_E_OVERFLOW, [&] { CopyVariantToSArray(huge, vectors); });
    EXPECT_EQ((std::vector{Flatten(space), Flatten(plane), Flatten(rounded), Flatten(vectors)}),
              (std::vector<std::vector<double>>{
                  {1, 2, 0, 3, 4, 0, 5, 6, 0}, {1, 0, 2, 0, 3, 0}, {INFINITY, 0, 0}, {}}));
    for (const _variant_t* value : {&six, &three, &huge})
        ExpectUnlocked(*value);
}

// Without points the output stays as it was. It shares a string with its owner, which no writer frees.
template <class Points, class Write>
void ExpectWrites(Write write) {
    SCOPED_TRACE(typeid(Points).name());
    const _variant_t text(OLESTR("kept"));
    VARIANT output = text;
    Points points;
    EXPECT_FALSE(write(points, output));
    EXPECT_TRUE(output.vt == VT_BSTR && output.bstrVal == text.bstrVal);
    ASSERT_TRUE(write(Append(points, odd), output));
    ASSERT_TRUE(output.vt == (VT_ARRAY | VT_R8) && SafeArrayGetDim(output.parray) == 1 &&
                output.parray->rgsabound[0].lLbound == 0);
    EXPECT_EQ(Bits(ElementsOf<double>(output)), Bits(Flatten(points)));
    ExpectUnlocked(output);
    VariantClear(&output);
}

TEST(PointWriters, WriteAFreshVectorOfDoublesOrNothingForNoPoints) {
    ExpectWrites<SArray<MbCartPoint3D>>([](auto& p, auto& o) { return CopySArrayToVariant(p, o); });
    ExpectWrites<SArray<MbFloatPoint3D>>([](auto& p, auto& o) { return CopySArrayToVariant(p, o); });
    ExpectWrites<SArray<MbFloatPoint>>([](auto& p, auto& o) { return CopySArrayToVariant(p, o); });
    ExpectWrites<std::vector<MbFloatPoint3D>>([](auto& p, auto& o) { return CopyVectorToVariant(p, o); });
    ExpectWrites<std::vector<MbFloatPoint>>([](auto& p, auto& o) { return CopyVectorToVariant(p, o); });
    ExpectWrites<SArray<MbCartPoint>>([](auto& p, auto& o) { return FillSafeArray(o, p, nullptr); });
    ExpectWrites<std::vector<MbCartPoint3D>>([](auto& p, auto& o) { return FillSafeArray(o, p, nullptr); });
    ExpectWrites<std::vector<MbCartPoint>>([](auto& p, auto& o) { return FillSafeArray(o, p, nullptr); });
}

TEST(OptionalMatrix, IsAppliedWhenGiven) {
    const MbMatrix3D spaceShift = MbMatrix3D::Translation(10, 0, 0);
    MbMatrix planeShift = MbMatrix::Translation(10, 0);
    const std::vector<double> spaceImage = {11, 2, 3, 14, 5, 6}, planeImage = {11, 2, 13, 4, 15, 6};
    _variant_t value = Numbers(VT_R8, oneToSix), spaceOutput, planeOutput, planeArrayOutput;
    std::vector<MbCartPoint3D> space, readSpace;
    std::vector<MbCartPoint> plane, readPlane;
    SArray<MbCartPoint> planeArray, readPlaneArray;
    readPlaneArray.SetCapacity(10, false);
    EXPECT_TRUE(FillMbCartPoint3DVector(value, readSpace, &spaceShift) &&
                FillMbCartPointVector(value, readPlane, &planeShift) &&
                FillMbCartPointArray(value, readPlaneArray, &planeShift));
    ASSERT_TRUE(FillSafeArray(spaceOutput, Append(space, oneToSix), &spaceShift) &&
                FillSafeArray(planeOutput, Append(plane, oneToSix), &planeShift) &&
                FillSafeArray(planeArrayOutput, Append(planeArray, oneToSix), &planeShift));
    EXPECT_EQ((std::vector{Flatten(readSpace), ElementsOf<double>(spaceOutput)}), std::vector(2, spaceImage));
    EXPECT_EQ((std::vector{Flatten(readPlane), Flatten(readPlaneArray), ElementsOf<double>(planeOutput),
                           ElementsOf<double>(planeArrayOutput)}),
              std::vector(4, planeImage));
    EXPECT_EQ(readPlaneArray.Capacity(), 10u);
    ExpectUnlocked(value);
}

TEST(SinglePoints, GoOutAsBoundedArraysAndComeBackFromTheirFirstTwoElements) {
    _variant_t planeValue, spaceValue;
    EXPECT_TRUE(TransformMbCartPointToVariant(planeValue, {3, 4}) &&
                TransformMbCartPoint3DToVariant(spaceValue, {1, 2, 3}));
    EXPECT_EQ(ElementsOf<double>(planeValue), (std::vector<double>{3, 4}));
    EXPECT_EQ(ElementsOf<double>(spaceValue), (std::vector<double>{1, 2, 3}));
    EXPECT_TRUE(spaceValue.vt == (VT_ARRAY | VT_R8) && spaceValue.parray->rgsabound[0].lLbound == 0);
    // name, value, outcome, point read over (-1, -1)
    const std::tuple<const char*, _variant_t, char, MbCartPoint> rows[] = {
        {"VT_R8", Numbers(VT_R8, {7, 8, 9}), 'R', {7, 8}},
        {"VT_VARIANT", Variants(2), 'R', {1, 2}},
        {"text", Variants(2, 1), 'X', {1, -1}},
        {"one element", Numbers(VT_R8, {7}), 'F', {-1, -1}},
        {"VT_I4", Numbers(VT_I4, {7, 8}), 'F', {-1, -1}},
        {"VT_R4 labelled VT_R8", Relabelled(Numbers(VT_R4, {7, 8}), VT_R8), 'F', {-1, -1}},
        {"VT_R4 from 1, index 0 unread", Numbers(VT_R4, {5, 6, 7}, 1), 'R', {0, 5}},
        {"two dimensions, zeroed", TwoDimensionalArray(VT_R8, 2, 3), 'R', {0, 0}},
    };
    for (const auto& [name, value, outcome, expected] : rows) {
        SCOPED_TRACE(name);
        MbCartPoint point(-1, -1);
        ExpectOutcome(outcome, [&] { return TransformVariantToMbCartPoint(point, value); });
        EXPECT_EQ(point, expected);
        ExpectUnlocked(value);
    }
}

// In VT_VARIANT arrays a VT_R8 or VT_DATE element keeps its type and any other becomes VT_R8; a failed
// coercion stops the writing with the points before it written.
TEST(PointsInPlace, AreChangedInAcceptedArraysOnly) {
    const std::vector<MbCartPoint3D> two = {{1, 2, 3}, {4, 5, 6}};
    // S: TransformPoints in space by (1, 2, 3), P: in the plane by (1, 2); 2, 0: ResetPoints with so many.
    const auto change = [&two](char how, VARIANT& value) {
        if (how == 'S' || how == 'P')
            return how == 'S' ? TransformPoints(value, MbMatrix3D::Translation(1, 2, 3))
                              : TransformPoints(value, MbMatrix::Translation(1, 2));
        return ResetPoints(value, how == '2' ? two : std::vector<MbCartPoint3D>());
    };
    const std::vector<double> corners = {0, 0, 0, 1, 1, 1}, moved = {1, 2, 3, 2, 3, 4};
    // how, value, numbers after (none: refused, unchanged); the numbers of a VT_R8 array are compared
    std::tuple<char, _variant_t, std::vector<double>> rows[] = {
        {'S', Numbers(VT_R8, corners), moved},
        {'S', Numbers(VT_R8, {0, 0, 0, 1}), {}},
        {'S', Numbers(VT_R4, corners), {}},
        {'P', Numbers(VT_R8, {0, 0, 1, 1}), {1, 2, 2, 3}},
        {'P', Numbers(VT_VARIANT, {0, 0, 1, 1}), {}},
        // cElements 6 from lower bound 1: a total of 6 for VT_R8, a count of 5 for VT_VARIANT.
        {'S', Numbers(VT_R8, corners, 1), moved},
        {'S', Numbers(VT_VARIANT, corners, 1), {}},
        {'2', Numbers(VT_R8, {9, 9, 9, 9, 9, 9, 9, 9, 9}), {1, 2, 3, 4, 5, 6, 9, 9, 9}},
        {'2', Numbers(VT_R8, {9, 9, 9}), {}},
        {'0', Numbers(VT_R8, oneToSix), oneToSix},
        {'0', Numbers(VT_R8, {9, 9, 9, 9}), {}},
    };
    int row = 0;
    for (auto& [how, value, after] : rows) {
        SCOPED_TRACE(++row);
        const auto doubles = [&v = value] {
            return v.vt == (VT_ARRAY | VT_R8) ? ElementsOf<double>(v) : std::vector<double>();
        };
        const std::vector<double> before = doubles();
        EXPECT_EQ(change(how, value), !after.empty());
        EXPECT_EQ(doubles(), after.empty() || before.empty() ? before : after);
        ExpectUnlocked(value);
    }
    _variant_t variants = VariantArray({10L, _variant_t(20.0, VT_DATE), OLESTR("30")}), text = Variants(6, 4);
    ASSERT_TRUE(change('S', variants));
    ExpectComError(DISP_E_TYPEMISMATCH, [&] { change('S', text); });
    const std::vector<VARIANT> elements = ElementsOf<VARIANT>(variants),
                               textElements = ElementsOf<VARIANT>(text);
    EXPECT_TRUE(elements[0].vt == VT_R8 && elements[1].vt == VT_DATE && elements[2].vt == VT_R8);
    EXPECT_TRUE(elements[0].dblVal == 11 && elements[1].dblVal == 22 && elements[2].dblVal == 33);
    EXPECT_TRUE(textElements[2].dblVal == 6 && textElements[3].vt == VT_BSTR &&
                textElements[4].vt == VT_BSTR);
    EXPECT_TRUE(change('2', text) && ElementsOf<VARIANT>(text)[4].vt == VT_R8 &&
                ElementsOf<VARIANT>(text)[4].dblVal == 5);
    for (const _variant_t* value : {&variants, &text})
        ExpectUnlocked(*value);
}

std::vector<double> Sequence(std::size_t count, double first) {
    std::vector<double> numbers(count);
    for (double& number : numbers)
        number = first++;
    return numbers;
}

std::vector<double> ElementsOfMatrix(const MbMatrix3D& matrix) {
    return std::vector<double>(matrix.Data(), matrix.Data() + MbMatrix3D::elementCount);
}

// A coercion that fails leaves one matrix untouched; of a list, the matrices before it stay.
TEST(Matrices, AreReadAsSixteenNumbersRowByRowAndWrittenSo) {
    const std::vector<double> sixteen = Sequence(16, 1), identity = ElementsOfMatrix(MbMatrix3D());
    // name, value, outcome of CopyVariantToMbMatrix3D, of CopyVariantToSArray, matrices it appends
    const std::tuple<const char*, _variant_t, char, char, std::size_t> rows[] = {
        {"VT_R8", Numbers(VT_R8, sixteen), 'R', 'R', 1},
        {"VT_R4", Numbers(VT_R4, sixteen), 'R', 'R', 1},
        {"VT_VARIANT", Variants(16), 'R', 'R', 1},
        {"32 numbers", Numbers(VT_R8, Sequence(32, 1)), 'F', 'R', 2},
        {"text in the second matrix", Variants(32, 20), 'F', 'X', 1},
        {"text in the first", Variants(16, 15), 'X', 'X', 0},
        {"15 numbers", Numbers(VT_R8, Sequence(15, 1)), 'F', 'F', 0},
        {"17 numbers", Numbers(VT_R8, Sequence(17, 1)), 'F', 'F', 0},
        // Only cElements counts for one matrix; the list reader subtracts the lower bound.
        {"16 from 1", Numbers(VT_R8, sixteen, 1), 'R', 'F', 0},
        {"4 by 4", TwoDimensionalArray(VT_R8, 4, 4), 'F', 'F', 0},
        {"VT_I4", Numbers(VT_I4, sixteen), 'F', 'F', 0},
        {"VT_R4 labelled VT_R8", Relabelled(Numbers(VT_R4, sixteen), VT_R8), 'F', 'F', 0},
    };
    for (const auto& [name, value, single, list, appended] : rows) {
        SCOPED_TRACE(name);
        MbMatrix3D matrix; // the identity, classified: reading it anew must mark it stale
        SArray<MbMatrix3D> matrices;
        matrices.Add(MbMatrix3D());
        ExpectOutcome(single, [&] { return CopyVariantToMbMatrix3D(value, matrix); });
        ExpectOutcome(list, [&] { return CopyVariantToSArray(value, matrices); });
        EXPECT_EQ(ElementsOfMatrix(matrix), single == 'R' ? sixteen : identity);
        EXPECT_EQ(matrix.StoredFlag(), single == 'R' ? MatrixFlag::stale : MatrixFlag::identity);
        ASSERT_EQ(matrices.Count(), 1 + appended);
        for (std::size_t group = 0; group < appended; ++group) {
            EXPECT_EQ(ElementsOfMatrix(matrices[1 + group]), Sequence(16, 1 + 16.0 * group));
            EXPECT_EQ(matrices[1 + group].StoredFlag(), MatrixFlag::stale);
        }
        ExpectUnlocked(value);
    }
    // Written without clearing the output, whose string stays with its owner; read back by the list reader,
    // which wants lower bound 0.
    const MbMatrix3D rotation = MbMatrix3D::RotationZ(0.3);
    const _variant_t text(OLESTR("kept"));
    VARIANT output = text;
    SArray<MbMatrix3D> back;
    ASSERT_TRUE(MbMatrix3DToVariant(rotation, output) && CopyVariantToSArray(output, back));
    EXPECT_EQ(Bits(ElementsOfMatrix(back[0])), Bits(ElementsOfMatrix(rotation)));
    ExpectUnlocked(output);
    VariantClear(&output);
}

} // namespace
