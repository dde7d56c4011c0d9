#include <oleauto.h>

#include <gtest/gtest.h>

#include "support/CountingObject.h"

#include <cstring>
#include <string>
#include <tuple>

namespace {

VARIANT Reference(VARTYPE vt, void* target) {
    VARIANT value{};
    value.vt = static_cast<VARTYPE>(VT_BYREF | vt);
    value.byref = target;
    return value;
}

// The destination's type and its value as text ("" when it has none), for comparing rows.
std::tuple<VARTYPE, std::u16string> Held(const VARIANT& value) {
    VARIANT text{};
    if (VariantChangeType(&text, &value, 0, VT_BSTR) != S_OK)
        return {value.vt, u""};
    std::u16string held(text.bstrVal, SysStringLen(text.bstrVal));
    VariantClear(&text);
    return {value.vt, held};
}

} // namespace

// A reference gives a copy of what it points at, its type without VT_BYREF; a value is copied as
// VariantCopy copies it. VT_BYREF|VT_VARIANT is followed once: to another such reference it is refused.
TEST(Variant, CopyIndCopiesWhatAReferencePointsAt) {
    LONG integer = 40000;
    double number = -2.5;
    VARIANT_BOOL flag = VARIANT_TRUE;
    BSTR text = SysAllocString(u"door");
    VARIANT inner{};
    inner.vt = VT_R8;
    inner.dblVal = 0.25;
    VARIANT chained = Reference(VT_VARIANT, &inner);
    VARIANT plain{};
    plain.vt = VT_I2;
    plain.iVal = 7;

    const std::tuple<const char*, VARIANT, HRESULT, VARTYPE, std::u16string> rows[] = {
        {"a value", plain, S_OK, VT_I2, u"7"},
        {"a Long", Reference(VT_I4, &integer), S_OK, VT_I4, u"40000"},
        {"a Double", Reference(VT_R8, &number), S_OK, VT_R8, u"-2.5"},
        {"a Boolean", Reference(VT_BOOL, &flag), S_OK, VT_BOOL, u"-1"},
        {"a String", Reference(VT_BSTR, &text), S_OK, VT_BSTR, u"door"},
        {"a variable", Reference(VT_VARIANT, &inner), S_OK, VT_R8, u"0.25"},
        {"a reference to a reference", Reference(VT_VARIANT, &chained), E_INVALIDARG, VT_ERROR, u"untouched"},
        {"a null reference", Reference(VT_I4, nullptr), E_INVALIDARG, VT_ERROR, u"untouched"},
        {"VT_BYREF|VT_EMPTY", Reference(VT_EMPTY, &integer), DISP_E_BADVARTYPE, VT_ERROR, u"untouched"},
    };
    for (const auto& [name, source, result, type, value] : rows) {
        VARIANT destination{};
        destination.vt = VT_ERROR; // a value no row gives: what a failed copy leaves
        EXPECT_EQ(VariantCopyInd(&destination, &source), result) << name;
        const std::tuple<VARTYPE, std::u16string> expected{type, value};
        EXPECT_EQ(SUCCEEDED(result) ? Held(destination)
                                    : std::tuple(destination.vt, std::u16string(u"untouched")),
                  expected)
            << name;
        VariantClear(&destination);
    }

    // The copy owns its own string and array; an object gains a reference.
    VARIANT textReference = Reference(VT_BSTR, &text);
    VARIANT copied{};
    ASSERT_EQ(VariantCopyInd(&copied, &textReference), S_OK);
    EXPECT_NE(copied.bstrVal, text);
    VariantClear(&copied);
    SAFEARRAY* array = SafeArrayCreateVector(VT_R8, 0, 2);
    static_cast<double*>(array->pvData)[1] = 3.5;
    VARIANT arrayReference = Reference(VT_ARRAY | VT_R8, &array);
    ASSERT_EQ(VariantCopyInd(&copied, &arrayReference), S_OK);
    EXPECT_EQ(std::tuple(copied.vt, copied.parray != array, static_cast<double*>(copied.parray->pvData)[1]),
              std::tuple(VARTYPE{VT_ARRAY | VT_R8}, true, 3.5));
    VariantClear(&copied);
    SafeArrayDestroy(array);
    CountingObject object;
    IDispatch* dispatch = &object;
    VARIANT objectReference = Reference(VT_DISPATCH, &dispatch);
    ASSERT_EQ(VariantCopyInd(&copied, &objectReference), S_OK);
    EXPECT_EQ(std::tuple(copied.vt, copied.pdispVal, object.references()),
              std::tuple(VARTYPE{VT_DISPATCH}, dispatch, LONG{2}));
    VariantClear(&copied);
    EXPECT_EQ(object.references(), 1);

    // In place: the usual way to take a by-reference argument's value.
    VARIANT argument = Reference(VT_BSTR, &text);
    ASSERT_EQ(VariantCopyInd(&argument, &argument), S_OK);
    EXPECT_EQ(Held(argument), std::tuple(VARTYPE{VT_BSTR}, std::u16string(u"door")));
    EXPECT_NE(argument.bstrVal, text);
    VariantClear(&argument);
    SysFreeString(text);
}
