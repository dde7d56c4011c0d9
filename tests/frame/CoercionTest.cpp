#include "frame/Coercion.h"
#include "support/ArrayValues.h"
#include "support/Platform.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

using namespace WindowsUtils;
using TestSupport::ExpectComError;

namespace {

VARIANT Scalar(VARTYPE vt) {
    VARIANT value;
    VariantInit(&value);
    value.vt = vt;
    return value;
}

VARIANT Double(double x) {
    VARIANT value = Scalar(VT_R8);
    value.dblVal = x;
    return value;
}

VARIANT Long(LONG x) {
    VARIANT value = Scalar(VT_I4);
    value.lVal = x;
    return value;
}

VARIANT Boolean(VARIANT_BOOL x) {
    VARIANT value = Scalar(VT_BOOL);
    value.boolVal = x;
    return value;
}

// One row per conversion that succeeds: the source, the target and the value expected, as a double.
struct Row {
    const char* name;
    VARIANT source;
    VARTYPE target;
    double expected;
};

double CoerceAsDouble(const VARIANT& source, VARTYPE target) {
    switch (target) {
    case VT_UI1:
        return Coerce<VT_UI1>(source);
    case VT_I2:
        return Coerce<VT_I2>(source);
    case VT_INT:
        return Coerce<VT_INT>(source);
    case VT_UINT:
        return Coerce<VT_UINT>(source);
    case VT_I4:
        return Coerce<VT_I4>(source);
    case VT_R4:
        return Coerce<VT_R4>(source);
    case VT_R8:
        return Coerce<VT_R8>(source);
    case VT_BOOL:
        return Coerce<VT_BOOL>(source) ? 1 : 0;
    default:
        ADD_FAILURE() << "no such target";
        return 0;
    }
}

TEST(Coerce, TakesTheValueDirectlyOrThroughThePlatform) {
    _variant_t text(OLESTR("12.5"));
    double byReferenceTarget = 4.25;
    VARIANT byReference = Scalar(VT_BYREF | VT_R8);
    byReference.pdblVal = &byReferenceTarget;
    VARIANT unsignedMaximum = Scalar(VT_UI4);
    unsignedMaximum.ulVal = 4294967295u;

    const Row rows[] = {
        {"double as it stands", Double(2.5), VT_R8, 2.5},
        {"integer to double", Long(7), VT_R8, 7.0},
        {"text to double", text, VT_R8, 12.5},
        {"text rounded half to even", text, VT_I4, 12},
        {"by reference is converted", byReference, VT_R8, 4.25},
        {"double to float", Double(0.1), VT_R4, static_cast<double>(0.1f)},
        {"true to a number is -1", Boolean(VARIANT_TRUE), VT_R8, -1.0},
        {"true to short", Boolean(VARIANT_TRUE), VT_I2, -1},
        {"to unsigned byte", Long(255), VT_UI1, 255},
        {"to unsigned int", unsignedMaximum, VT_UINT, 4294967295.0},
        {"to int", Double(-2.5), VT_INT, -2},
        {"boolean 1 as it stands is true", Boolean(1), VT_BOOL, 1},
        {"number 2 converts to VARIANT_TRUE", Long(2), VT_BOOL, 1},
        {"zero is false", Double(0), VT_BOOL, 0},
    };
    for (const Row& row : rows)
        EXPECT_EQ(CoerceAsDouble(row.source, row.target), row.expected) << row.name;
}

TEST(Coerce, RaisesThePlatformErrorAndLeavesTheSourceAsItWas) {
    _variant_t text(OLESTR("no number"));
    ExpectComError(DISP_E_TYPEMISMATCH, [&] { Coerce<VT_R8>(text); });
    EXPECT_EQ(text.vt, VT_BSTR);
    EXPECT_EQ(std::basic_string<OLECHAR>(text.bstrVal), OLESTR("no number"));

    VARIANT unsignedMaximum = Scalar(VT_UI4);
    unsignedMaximum.ulVal = 4294967295u;
    if (TestSupport::RunningUnderWine()) {
        // Wine copies the bits between signed and unsigned types of the same width.
        EXPECT_EQ(Coerce<VT_I4>(unsignedMaximum), -1);
        EXPECT_EQ(Coerce<VT_UINT>(Long(-1)), 4294967295u);
    } else {
        ExpectComError(DISP_E_OVERFLOW, [&] { Coerce<VT_I4>(unsignedMaximum); });
        ExpectComError(DISP_E_OVERFLOW, [&] { Coerce<VT_UINT>(Long(-1)); });
    }
    ExpectComError(DISP_E_TYPEMISMATCH, [&] { Coerce<VT_R8>(Scalar(VT_NULL)); });

    _variant_t array = TestSupport::DoubleArray({1, 2});
    ExpectComError(DISP_E_TYPEMISMATCH, [&] { Coerce<VT_R8>(array); });
    TestSupport::ExpectUnlocked(array);
}

// A conversion to a boolean counts only VARIANT_TRUE as true; VT_BOOL 1 stays 1 through the platform.
TEST(Coerce, ConvertedBooleansAreTrueOnlyWhenThePlatformGaveVariantTrue) {
    short one = 1;
    VARIANT byReference = Scalar(VT_BYREF | VT_BOOL);
    byReference.piVal = &one;
    EXPECT_FALSE(Coerce<VT_BOOL>(byReference));
    EXPECT_TRUE(Coerce<VT_BOOL>(Boolean(1)));
    _variant_t yes(OLESTR("True"));
    EXPECT_TRUE(Coerce<VT_BOOL>(yes));
}

TEST(AssignDouble, KeepsDatesAndDoublesAndReleasesAnythingElse) {
    VARIANT date = Scalar(VT_DATE);
    date.date = 36526.0;
    AssignDouble(date, 1.5);
    EXPECT_EQ(date.vt, VT_DATE);
    EXPECT_EQ(date.date, 1.5);

    VARIANT number = Long(3);
    AssignDouble(number, -2.0);
    EXPECT_EQ(number.vt, VT_R8);
    EXPECT_EQ(number.dblVal, -2.0);

    // The sanitizer build sees a leak if the string is not freed.
    VARIANT text = Scalar(VT_BSTR);
    text.bstrVal = SysAllocString(OLESTR("x"));
    AssignDouble(text, 4.0);
    EXPECT_EQ(text.vt, VT_R8);
    EXPECT_EQ(text.dblVal, 4.0);
}

TEST(AssignDouble, RaisesWhenTheElementCannotBeCleared) {
    _variant_t held = TestSupport::DoubleArray({1});
    SAFEARRAY* array = held.parray;
    ASSERT_EQ(SafeArrayLock(array), S_OK);
    VARIANT element = Scalar(VT_ARRAY | VT_R8);
    element.parray = array;
    ExpectComError(DISP_E_ARRAYISLOCKED, [&] { AssignDouble(element, 1.0); });
    // The platform empties the element even though the array survives.
    EXPECT_EQ(element.vt, VT_EMPTY);
    EXPECT_EQ(SafeArrayUnlock(array), S_OK);
}

} // namespace
