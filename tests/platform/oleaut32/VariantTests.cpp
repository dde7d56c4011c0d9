#include <oleauto.h>

#include <gtest/gtest.h>

#include "support/CountingObject.h"

#include <cstring>
#include <initializer_list>
#include <tuple>

namespace {

VARIANT Holding(VARTYPE vt) {
    VARIANT value{};
    value.vt = vt;
    return value;
}

// An array of one VARIANT element, left empty.
VARIANT HoldingArray() {
    VARIANT value = Holding(VT_ARRAY | VT_VARIANT);
    value.parray = SafeArrayCreateVector(VT_VARIANT, 0, 1);
    return value;
}

VARIANT& FirstElement(const VARIANT& array) {
    return *static_cast<VARIANT*>(array.parray->pvData);
}

TEST(Variant, ClearReleasesOwnedContentOnly) {
    CountingObject object;
    IDispatch* reference = &object;
    VARIANT byReference = Holding(VT_BYREF | VT_DISPATCH);
    byReference.ppdispVal = &reference;
    // The interface and the array hold a reference each.
    object.AddRef();
    VARIANT unknown = Holding(VT_UNKNOWN);
    unknown.punkVal = &object;
    object.AddRef();
    const VARIANT nested = HoldingArray();
    FirstElement(nested).vt = VT_DISPATCH;
    FirstElement(nested).pdispVal = &object;
    VARIANT text = Holding(VT_BSTR);
    text.bstrVal = SysAllocString(u"text");
    const std::tuple<const char*, VARIANT, LONG> rows[] = {
        {"by reference", byReference, 3},
        {"interface", unknown, 2},
        {"array of VARIANTs", nested, 1},
        {"string", text, 1},
        {"null array", Holding(VT_ARRAY | VT_R8), 1},
        {"decimal", Holding(VT_DECIMAL), 1},
    };
    for (auto [name, value, references] : rows) {
        EXPECT_EQ(VariantClear(&value), S_OK) << name;
        EXPECT_EQ(value.vt, VT_EMPTY) << name;
        EXPECT_EQ(object.references(), references) << name;
    }
}

TEST(Variant, UnknownTypesAreRefused) {
    for (VARTYPE vt :
         std::initializer_list<VARTYPE>{VT_ARRAY, VT_ARRAY | VT_NULL, VT_VARIANT, 15, VT_VECTOR | VT_I4,
                                        VT_RECORD, VT_BYREF | VT_EMPTY, VT_RESERVED | VT_I4, 0x7FFF}) {
        VARIANT value = Holding(vt);
        VARIANT copy = Holding(VT_I4);
        EXPECT_EQ(VariantClear(&value), DISP_E_BADVARTYPE) << vt;
        EXPECT_EQ(value.vt, vt);
        EXPECT_EQ(VariantCopy(&copy, &value), DISP_E_BADVARTYPE) << vt;
        EXPECT_EQ(copy.vt, VT_I4);
    }
    SAFEARRAY* array = SafeArrayCreateVector(VT_VARIANT, 0, 1);
    LONG index = 0;
    VARIANT bad = Holding(VT_ARRAY);
    EXPECT_EQ(SafeArrayPutElement(array, &index, &bad), DISP_E_BADVARTYPE);
    EXPECT_EQ(SafeArrayDestroy(array), S_OK);
    EXPECT_EQ(VariantClear(nullptr), E_INVALIDARG);
    EXPECT_EQ(VariantCopy(nullptr, &bad), E_INVALIDARG);

    // A locked array stays, but the VARIANT that held it is emptied all the same.
    VARIANT locked = Holding(VT_ARRAY | VT_R8);
    array = locked.parray = SafeArrayCreateVector(VT_R8, 0, 1);
    ASSERT_EQ(SafeArrayLock(array), S_OK);
    EXPECT_EQ(VariantClear(&locked), DISP_E_ARRAYISLOCKED);
    EXPECT_EQ(locked.vt, VT_EMPTY);
    EXPECT_EQ(SafeArrayUnlock(array), S_OK);
    EXPECT_EQ(SafeArrayDestroy(array), S_OK);
}

// Copies own what they hold: strings by byte length, interfaces by reference, arrays element by
// element; the destination's old content is released.
TEST(Variant, CopyIsDeep) {
    CountingObject object;
    VARIANT dispatch = Holding(VT_DISPATCH);
    dispatch.pdispVal = &object;
    VARIANT text = Holding(VT_BSTR);
    text.bstrVal = SysAllocStringLen(u"a\0b", 3);
    VARIANT copy = dispatch;
    object.AddRef();
    ASSERT_EQ(VariantCopy(&copy, &text), S_OK);
    EXPECT_EQ(object.references(), 1);
    EXPECT_NE(copy.bstrVal, text.bstrVal);
    EXPECT_EQ(SysStringByteLen(copy.bstrVal), 6u);
    EXPECT_EQ(std::memcmp(copy.bstrVal, u"a\0b", 8), 0);
    ASSERT_EQ(VariantCopy(&copy, &dispatch), S_OK);
    EXPECT_EQ(VariantCopy(&copy, &copy), S_OK);
    EXPECT_EQ(copy.pdispVal, &object);
    EXPECT_EQ(object.references(), 2);

    // A null BSTR is copied as an empty one, also as an element of a VARIANT array.
    VARIANT array = HoldingArray();
    FirstElement(array).vt = VT_BSTR;
    ASSERT_EQ(VariantCopy(&copy, &array), S_OK);
    EXPECT_EQ(object.references(), 1);
    EXPECT_NE(copy.parray, array.parray);
    EXPECT_NE(FirstElement(copy).bstrVal, nullptr);
    EXPECT_EQ(VariantClear(&array), S_OK);
    const VARIANT nullText = Holding(VT_BSTR);
    ASSERT_EQ(VariantCopy(&copy, &nullText), S_OK);
    ASSERT_NE(copy.bstrVal, nullptr);
    EXPECT_EQ(SysStringLen(copy.bstrVal), 0u);
    VARIANT byReference = Holding(VT_BYREF | VT_BSTR);
    byReference.pbstrVal = &text.bstrVal;
    ASSERT_EQ(VariantCopy(&copy, &byReference), S_OK);
    EXPECT_EQ(copy.pbstrVal, &text.bstrVal);
    EXPECT_EQ(VariantClear(&copy), S_OK);
    EXPECT_EQ(VariantClear(&text), S_OK);
}

} // namespace
