#include <oleauto.h>

#include <gtest/gtest.h>

#include "support/CountingObject.h"

#include <cstring>
#include <initializer_list>

namespace {

VARIANT holding(VARTYPE vt) {
    VARIANT value;
    VariantInit(&value);
    value.vt = vt;
    return value;
}

VARIANT holdingString(const OLECHAR* text, UINT length) {
    VARIANT value = holding(VT_BSTR);
    value.bstrVal = SysAllocStringLen(text, length);
    return value;
}

// An array of one VARIANT element holding a copy of the given value, which is cleared.
VARIANT holdingArrayOf(VARIANT element) {
    VARIANT value = holding(VT_ARRAY | VT_VARIANT);
    value.parray = SafeArrayCreateVector(VT_VARIANT, 0, 1);
    LONG index = 0;
    SafeArrayPutElement(value.parray, &index, &element);
    VariantClear(&element);
    return value;
}

TEST(Variant, ClearReleasesOwnedContentOnly) {
    CountingObject object;
    VARIANT dispatch = holding(VT_DISPATCH);
    dispatch.pdispVal = &object;
    struct Case {
        const char* name;
        VARIANT value;
        LONG referencesAfterClear;
    };
    IDispatch* reference = &object;
    VARIANT byReference = holding(VT_BYREF | VT_DISPATCH);
    byReference.ppdispVal = &reference;
    object.AddRef();
    VARIANT nested = holdingArrayOf(dispatch);
    object.AddRef();
    VARIANT unknown = holding(VT_UNKNOWN);
    unknown.punkVal = &object;
    Case cases[] = {
        {"by reference", byReference, 3},
        {"interface", unknown, 2},
        {"array of VARIANTs", nested, 1},
        {"string", holdingString(u"text", 4), 1},
        {"null array", holding(VT_ARRAY | VT_R8), 1},
        {"decimal", holding(VT_DECIMAL), 1},
    };
    for (Case& row : cases) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(VariantClear(&row.value), S_OK);
        EXPECT_EQ(row.value.vt, VT_EMPTY);
        EXPECT_EQ(object.references(), row.referencesAfterClear);
    }
}

TEST(Variant, UnknownTypesAreRefused) {
    for (VARTYPE vt :
         std::initializer_list<VARTYPE>{VT_ARRAY, VT_ARRAY | VT_NULL, VT_VARIANT, 15, VT_VECTOR | VT_I4,
                                        VT_RECORD, VT_BYREF | VT_EMPTY, VT_RESERVED | VT_I4, 0x7FFF}) {
        VARIANT value = holding(vt);
        VARIANT copy = holding(VT_I4);
        EXPECT_EQ(VariantClear(&value), DISP_E_BADVARTYPE) << vt;
        EXPECT_EQ(value.vt, vt);
        EXPECT_EQ(VariantCopy(&copy, &value), DISP_E_BADVARTYPE) << vt;
        EXPECT_EQ(copy.vt, VT_I4);
    }
    SAFEARRAY* array = SafeArrayCreateVector(VT_VARIANT, 0, 1);
    LONG index = 0;
    VARIANT bad = holding(VT_ARRAY);
    EXPECT_EQ(SafeArrayPutElement(array, &index, &bad), DISP_E_BADVARTYPE);
    EXPECT_EQ(SafeArrayDestroy(array), S_OK);
    EXPECT_EQ(VariantClear(nullptr), E_INVALIDARG);
    EXPECT_EQ(VariantCopy(nullptr, &bad), E_INVALIDARG);
}

TEST(Variant, ClearingALockedArrayEmptiesTheVariantAndKeepsTheArray) {
    VARIANT value = holding(VT_ARRAY | VT_R8);
    SAFEARRAY* array = value.parray = SafeArrayCreateVector(VT_R8, 0, 1);
    ASSERT_EQ(SafeArrayLock(array), S_OK);
    EXPECT_EQ(VariantClear(&value), DISP_E_ARRAYISLOCKED);
    EXPECT_EQ(value.vt, VT_EMPTY);
    LONG index = 0;
    double number = 2.5;
    EXPECT_EQ(SafeArrayPutElement(array, &index, &number), S_OK);
    EXPECT_EQ(SafeArrayUnlock(array), S_OK);
    EXPECT_EQ(SafeArrayDestroy(array), S_OK);
}

TEST(Variant, CopyIsDeep) {
    CountingObject object;
    VARIANT dispatch = holding(VT_DISPATCH);
    dispatch.pdispVal = &object;

    VARIANT copy = dispatch;
    object.AddRef();
    VARIANT text = holdingString(u"a\0b", 3);
    // The destination's interface is released before it takes the copy.
    ASSERT_EQ(VariantCopy(&copy, &text), S_OK);
    EXPECT_EQ(object.references(), 1);
    EXPECT_NE(copy.bstrVal, text.bstrVal);
    EXPECT_EQ(SysStringByteLen(copy.bstrVal), 6u);
    EXPECT_EQ(std::memcmp(copy.bstrVal, u"a\0b", 6), 0);

    ASSERT_EQ(VariantCopy(&copy, &dispatch), S_OK);
    EXPECT_EQ(copy.pdispVal, &object);
    EXPECT_EQ(object.references(), 2);
    EXPECT_EQ(VariantCopy(&copy, &copy), S_OK);
    EXPECT_EQ(object.references(), 2);

    object.AddRef();
    VARIANT nested = holdingArrayOf(dispatch);
    EXPECT_EQ(object.references(), 3);
    // The nested element is copied (one more reference), the destination's interface released.
    ASSERT_EQ(VariantCopy(&copy, &nested), S_OK);
    EXPECT_EQ(object.references(), 3);
    EXPECT_EQ(copy.vt, VT_ARRAY | VT_VARIANT);
    EXPECT_NE(copy.parray, nested.parray);
    ASSERT_EQ(VariantCopy(static_cast<VARIANT*>(copy.parray->pvData), &text), S_OK);
    EXPECT_EQ(object.references(), 2);
    EXPECT_EQ(VariantClear(&nested), S_OK);
    EXPECT_EQ(object.references(), 1);

    VARIANT byReference = holding(VT_BYREF | VT_BSTR);
    byReference.pbstrVal = &text.bstrVal;
    ASSERT_EQ(VariantCopy(&copy, &byReference), S_OK);
    EXPECT_EQ(copy.pbstrVal, &text.bstrVal);
    EXPECT_EQ(VariantClear(&copy), S_OK);
    EXPECT_EQ(VariantClear(&text), S_OK);
}

} // namespace
