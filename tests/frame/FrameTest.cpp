#include "frame/ArrayValue.h"
#include "frame/Coercion.h"
#include "support/ArrayValues.h"
#include "support/Platform.h"

#include <WindowsUtils.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <set>

using namespace WindowsUtils;
using namespace TestSupport;

namespace {

// Every 16-bit value: IsInt takes the four 32-bit integer types with or without VT_ARRAY and always
// reports that bit; IsSimpleVariantType takes exactly the fifteen plain scalar types.
TEST(TypePredicates, EveryValue) {
    const std::set<unsigned> integers{VT_I4, VT_UI4, VT_INT, VT_UINT};
    const std::set<unsigned> simple{VT_EMPTY, VT_I2,  VT_I4,  VT_R4, VT_R8,  VT_BSTR, VT_BOOL, VT_I1,
                                    VT_UI1,   VT_UI2, VT_UI4, VT_I8, VT_UI8, VT_INT,  VT_UINT};
    for (unsigned vt = 0; vt <= 0xFFFF; ++vt) {
        bool isArray = (vt & VT_ARRAY) == 0;
        ASSERT_EQ(IsInt(static_cast<unsigned short>(vt), isArray), integers.contains(vt & ~VT_ARRAY)) << vt;
        ASSERT_EQ(isArray, (vt & VT_ARRAY) != 0) << vt;
        ASSERT_EQ(IsSimpleVariantType(static_cast<unsigned short>(vt)), simple.contains(vt)) << vt;
    }
}

// A VT_ARRAY|VT_R8 sized by its first bound: the count and the total as 32-bit numbers, then what is
// readable by each rule (-1: malformed), which the array-value check gives as 0, as for another vt.
TEST(ArrayValue, SizesAndTheCheck) {
    // Elements, lower bound, dimensions, cbElements; count, total, readable count, readable total.
    const std::tuple<ULONG, LONG, USHORT, ULONG, LONG, LONG, LONG, LONG> rows[] = {
        {6, 0, 1, 8, 6, 6, 6, 6},   {5, 1, 1, 8, 4, 5, 4, 5},
        {5, 7, 1, 8, -2, 5, -1, 5}, {5, -2, 1, 8, 7, 5, -1, 5},
        {0, 0, 1, 8, 0, 0, 0, 0},   {0x80000000u, 0, 1, 8, INT32_MIN, INT32_MIN, -1, -1},
        {4, 0, 2, 8, 4, 4, -1, -1}, {4, 0, 1, 4, 4, 4, -1, -1},
    };
    for (const auto& [elements, lowerBound, dimensions, width, count, total, readable, readableTotal] :
         rows) {
        SCOPED_TRACE(testing::Message()
                     << elements << " from " << lowerBound << ", " << dimensions << " by " << width);
        SAFEARRAY array{dimensions, 0, width, 0, nullptr, {{elements, lowerBound}}};
        VARIANT value{};
        value.vt = VT_ARRAY | VT_R8;
        value.parray = &array;
        EXPECT_EQ(OneDimensionalCount(array), count);
        EXPECT_EQ(ElementTotal(array), total);
        EXPECT_EQ(ReadableSize(&array, VT_R8, SizeRule::OneDimensionalCount), readable);
        EXPECT_EQ(ReadableSize(&array, VT_R8, SizeRule::ElementTotal), readableTotal);
        EXPECT_EQ(CheckedArraySize(value, VT_R8), std::max<LONG>(readable, 0));
        EXPECT_EQ(CheckedArraySize(value, VT_R8, SizeRule::ElementTotal), std::max<LONG>(readableTotal, 0));
        EXPECT_EQ(CheckedArraySize(value, VT_R4), 0);
    }
    EXPECT_EQ(ReadableSize(nullptr, VT_R8, SizeRule::OneDimensionalCount), -1);
}

// Released once, by Release or by the destructor; at once when the access gave no data.
TEST(ArrayValue, LockedData) {
    _variant_t value = DoubleArray({1, 2});
    {
        LockedData data(value.parray);
        ASSERT_TRUE(data);
        EXPECT_EQ(data.Elements<double>()[1], 2.0);
        EXPECT_TRUE(data.Release());
        EXPECT_FALSE(data.Release());
    }
    EXPECT_EQ(value.parray->cLocks, 0u);
    SAFEARRAY noData{1, 0, sizeof(double), 0, nullptr, {{2, 0}}};
    EXPECT_FALSE(LockedData(&noData));
    EXPECT_EQ(noData.cLocks, 0u);
}

VARIANT Scalar(VARTYPE vt, LONGLONG bits) {
    VARIANT value{};
    value.vt = vt;
    value.llVal = bits;
    return value;
}

template <VARTYPE Target>
double As(const VARIANT& source) {
    return static_cast<double>(Coerce<Target>(source));
}

// A value of the target type is taken as it stands (any non-zero boolean is true); any other, even by
// reference, through the platform (a boolean only as VARIANT_TRUE), whose error leaves as _com_error.
// The source never changes. Wine copies bits between signed and unsigned types of one width.
TEST(Coerce, DirectlyOrThroughThePlatform) {
    const _variant_t text(OLESTR("12.5"));
    const _variant_t noNumber(OLESTR("no number"));
    double referenced = 4.25;
    short one = 1;
    const HRESULT overflow = RunningUnderWine() ? S_OK : DISP_E_OVERFLOW;
    const std::tuple<VARIANT, double (*)(const VARIANT&), double, HRESULT> rows[] = {
        {_variant_t(2.5), As<VT_R8>, 2.5, S_OK},
        {text, As<VT_R8>, 12.5, S_OK},
        {text, As<VT_I4>, 12, S_OK},
        {Scalar(VT_BYREF | VT_R8, reinterpret_cast<LONGLONG>(&referenced)), As<VT_R8>, 4.25, S_OK},
        {_variant_t(0.1), As<VT_R4>, 0.1f, S_OK},
        {Scalar(VT_BOOL, VARIANT_TRUE), As<VT_I2>, -1, S_OK},
        {Scalar(VT_I4, 255), As<VT_UI1>, 255, S_OK},
        {Scalar(VT_UI4, 4294967295u), As<VT_UINT>, 4294967295.0, S_OK},
        {_variant_t(-2.5), As<VT_INT>, -2, S_OK},
        {Scalar(VT_BOOL, 1), As<VT_BOOL>, 1, S_OK},
        {Scalar(VT_BYREF | VT_BOOL, reinterpret_cast<LONGLONG>(&one)), As<VT_BOOL>, 0, S_OK},
        {Scalar(VT_I4, 2), As<VT_BOOL>, 1, S_OK},
        {noNumber, As<VT_R8>, 0, DISP_E_TYPEMISMATCH},
        {Scalar(VT_UI4, 4294967295u), As<VT_I4>, -1, overflow},
        {Scalar(VT_I4, 0xFFFFFFFF), As<VT_UINT>, 4294967295.0, overflow},
    };
    for (const auto& [source, coerce, expected, error] : rows) {
        SCOPED_TRACE(testing::Message() << "row " << &source - &std::get<0>(rows[0]));
        const VARIANT before = source;
        if (FAILED(error))
            ExpectComError(error, [&] { coerce(source); });
        else
            EXPECT_EQ(coerce(source), expected);
        EXPECT_EQ(std::memcmp(&before, &source, sizeof(VARIANT)), 0) << "source changed";
    }
}

// VT_R8 and VT_DATE keep their type; anything else is cleared first (a string freed) and becomes VT_R8.
// A failed clear leaves as _com_error.
TEST(AssignDouble, KeepsDatesAndDoubles) {
    const std::pair<VARIANT, VARTYPE> rows[] = {
        {Scalar(VT_DATE, 0), VT_DATE},
        {Scalar(VT_I4, 3), VT_R8},
        {Scalar(VT_BSTR, reinterpret_cast<LONGLONG>(SysAllocString(OLESTR("x")))), VT_R8},
    };
    for (auto [element, vt] : rows) {
        AssignDouble(element, -2.5);
        EXPECT_TRUE(element.vt == vt && element.dblVal == -2.5) << "vt " << vt;
    }
    _variant_t held = DoubleArray({1});
    ASSERT_EQ(SafeArrayLock(held.parray), S_OK);
    VARIANT locked = Scalar(VT_ARRAY | VT_R8, reinterpret_cast<LONGLONG>(held.parray));
    ExpectComError(DISP_E_ARRAYISLOCKED, [&] { AssignDouble(locked, 1.0); });
    EXPECT_EQ(SafeArrayUnlock(held.parray), S_OK);
}

} // namespace
