#include <oleauto.h>

#include <gtest/gtest.h>

#include "support/CountingObject.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <functional>
#include <initializer_list>

namespace {

TEST(SafeArray, VectorLayoutPerElementType) {
    struct Case {
        VARTYPE vt;
        ULONG elementSize;
        USHORT features;
    };
    const Case cases[] = {
        {VT_I1, 1, 0x2080},       {VT_UI1, 1, 0x2080},  {VT_I2, 2, 0x2080},       {VT_BOOL, 2, 0x2080},
        {VT_I4, 4, 0x2080},       {VT_UINT, 4, 0x2080}, {VT_R4, 4, 0x2080},       {VT_ERROR, 4, 0x2080},
        {VT_R8, 8, 0x2080},       {VT_DATE, 8, 0x2080}, {VT_CY, 8, 0x2080},       {VT_UI8, 8, 0x2080},
        {VT_DECIMAL, 16, 0x2080}, {VT_BSTR, 8, 0x2180}, {VT_DISPATCH, 8, 0x2440}, {VT_UNKNOWN, 8, 0x2240},
        {VT_VARIANT, 24, 0x2880},
    };
    for (const Case& row : cases) {
        SCOPED_TRACE(row.vt);
        SAFEARRAY* array = SafeArrayCreateVector(row.vt, 0, 3);
        ASSERT_NE(array, nullptr);
        EXPECT_EQ(array->cbElements, row.elementSize);
        EXPECT_EQ(SafeArrayGetElemsize(array), row.elementSize);
        EXPECT_EQ(array->fFeatures, row.features);
        VARTYPE stored = VT_EMPTY;
        EXPECT_EQ(SafeArrayGetVartype(array, &stored), S_OK);
        EXPECT_EQ(stored, row.vt);
        if (row.features == 0x2080) {
            // A number is stored at its own width: the neighbours stay zero.
            std::array<unsigned char, 16> pattern;
            pattern.fill(0xAB);
            std::array<unsigned char, 16> got{};
            LONG index = 1;
            ASSERT_EQ(SafeArrayPutElement(array, &index, pattern.data()), S_OK);
            ASSERT_EQ(SafeArrayGetElement(array, &index, got.data()), S_OK);
            EXPECT_EQ(std::memcmp(got.data(), pattern.data(), row.elementSize), 0);
            const auto* data = static_cast<const unsigned char*>(array->pvData);
            EXPECT_EQ(std::count(data, data + 3 * row.elementSize, 0xAB), std::ptrdiff_t{row.elementSize});
        }
        EXPECT_EQ(SafeArrayDestroy(array), S_OK);
    }
}

TEST(SafeArray, RefusedCreations) {
    SAFEARRAYBOUND one{4, 0};
    SAFEARRAYBOUND tooManyCells[] = {{0x10000, 0}, {0x10000, 0}};
    EXPECT_EQ(SafeArrayCreate(VT_R8, 0, &one), nullptr);
    EXPECT_EQ(SafeArrayCreate(VT_R8, 1, nullptr), nullptr);
    EXPECT_EQ(SafeArrayCreate(VT_R8, 2, tooManyCells), nullptr);
    EXPECT_EQ(SafeArrayCreateVector(VT_VARIANT, 0, 0x20000000), nullptr);
    for (VARTYPE vt : std::initializer_list<VARTYPE>{VT_EMPTY, VT_NULL, VT_RECORD, VT_LPWSTR, VT_VOID,
                                                     VT_ARRAY | VT_R8, 15})
        EXPECT_EQ(SafeArrayCreate(vt, 1, &one), nullptr) << vt;
}

TEST(SafeArray, TwoDimensionsStoreBoundsReversedAndDataColumnMajor) {
    SAFEARRAYBOUND bounds[] = {{2, 0}, {3, 1}};
    SAFEARRAY* array = SafeArrayCreate(VT_I4, 2, bounds);
    ASSERT_NE(array, nullptr);
    EXPECT_EQ(array->fFeatures, FADF_HAVEVARTYPE);
    EXPECT_EQ(SafeArrayGetDim(array), 2u);
    EXPECT_EQ(array->rgsabound[0].cElements, 3u);
    EXPECT_EQ(array->rgsabound[0].lLbound, 1);
    EXPECT_EQ(array->rgsabound[1].cElements, 2u);
    EXPECT_EQ(array->rgsabound[1].lLbound, 0);
    struct Bound {
        UINT dimension;
        HRESULT result;
        LONG lower;
        LONG upper;
    };
    for (const Bound& row : {Bound{1, S_OK, 0, 1}, Bound{2, S_OK, 1, 3}, Bound{0, DISP_E_BADINDEX, -9, -9},
                             Bound{3, DISP_E_BADINDEX, -9, -9}}) {
        LONG lower = -9;
        LONG upper = -9;
        EXPECT_EQ(SafeArrayGetLBound(array, row.dimension, &lower), row.result);
        EXPECT_EQ(SafeArrayGetUBound(array, row.dimension, &upper), row.result);
        EXPECT_EQ(lower, row.lower);
        EXPECT_EQ(upper, row.upper);
    }
    for (LONG i = 0; i < 2; ++i) {
        for (LONG j = 1; j <= 3; ++j) {
            LONG indices[] = {i, j};
            LONG value = 10 * i + j;
            ASSERT_EQ(SafeArrayPutElement(array, indices, &value), S_OK);
        }
    }
    const LONG columnMajor[] = {1, 11, 2, 12, 3, 13};
    EXPECT_EQ(std::memcmp(array->pvData, columnMajor, sizeof(columnMajor)), 0);
    LONG value = 0;
    for (std::array<LONG, 2> indices : {std::array<LONG, 2>{2, 1}, {0, 0}, {0, 4}, {-1, 1}}) {
        EXPECT_EQ(SafeArrayPutElement(array, indices.data(), &value), DISP_E_BADINDEX);
        EXPECT_EQ(SafeArrayGetElement(array, indices.data(), &value), DISP_E_BADINDEX);
    }
    EXPECT_EQ(SafeArrayDestroy(array), S_OK);
}

TEST(SafeArray, ZeroElementArraysGiveData) {
    SAFEARRAYBOUND empty{0, 0};
    for (SAFEARRAY* array : {SafeArrayCreateVector(VT_R8, 0, 0), SafeArrayCreate(VT_BSTR, 1, &empty)}) {
        ASSERT_NE(array, nullptr);
        void* data = nullptr;
        EXPECT_EQ(SafeArrayAccessData(array, &data), S_OK);
        EXPECT_NE(data, nullptr);
        EXPECT_EQ(SafeArrayUnaccessData(array), S_OK);
        LONG upper = 0;
        EXPECT_EQ(SafeArrayGetUBound(array, 1, &upper), S_OK);
        EXPECT_EQ(upper, -1);
        LONG index = 0;
        double value = 1;
        EXPECT_EQ(SafeArrayPutElement(array, &index, &value), DISP_E_BADINDEX);
        EXPECT_EQ(SafeArrayDestroy(array), S_OK);
    }
}

TEST(SafeArray, LocksAreCountedAndGuardDestruction) {
    SAFEARRAY* array = SafeArrayCreateVector(VT_BSTR, 0, 1);
    ASSERT_NE(array, nullptr);
    LONG index = 0;
    BSTR text = SysAllocString(u"kept");
    ASSERT_EQ(SafeArrayPutElement(array, &index, text), S_OK);
    void* data = nullptr;
    EXPECT_EQ(SafeArrayLock(array), S_OK);
    EXPECT_EQ(SafeArrayAccessData(array, &data), S_OK);
    EXPECT_EQ(array->cLocks, 2u);
    EXPECT_EQ(SafeArrayDestroy(array), DISP_E_ARRAYISLOCKED);
    EXPECT_EQ(SafeArrayUnaccessData(array), S_OK);
    EXPECT_EQ(SafeArrayDestroy(array), DISP_E_ARRAYISLOCKED);
    EXPECT_EQ(SafeArrayUnlock(array), S_OK);
    EXPECT_EQ(SafeArrayUnlock(array), E_UNEXPECTED);
    EXPECT_EQ(SafeArrayUnaccessData(array), E_UNEXPECTED);
    EXPECT_EQ(array->cLocks, 0u);
    // Nothing was destroyed while locked.
    EXPECT_EQ(std::memcmp(static_cast<BSTR*>(data)[0], u"kept", 10), 0);
    EXPECT_EQ(SafeArrayDestroy(array), S_OK);
    SysFreeString(text);
}

TEST(SafeArray, BadArgumentsGiveThePublishedCodes) {
    SAFEARRAY* array = SafeArrayCreateVector(VT_R8, 0, 1);
    ASSERT_NE(array, nullptr);
    void* data = nullptr;
    LONG index = 0;
    LONG bound = 0;
    VARTYPE vt = VT_EMPTY;
    SAFEARRAY* copy = nullptr;
    struct Case {
        const char* call;
        std::function<HRESULT()> run;
        HRESULT expected;
    };
    const Case cases[] = {
        {"AccessData(null)", [&] { return SafeArrayAccessData(nullptr, &data); }, E_INVALIDARG},
        {"AccessData(, null)", [&] { return SafeArrayAccessData(array, nullptr); }, E_INVALIDARG},
        {"UnaccessData(null)", [&] { return SafeArrayUnaccessData(nullptr); }, E_INVALIDARG},
        {"Lock(null)", [&] { return SafeArrayLock(nullptr); }, E_INVALIDARG},
        {"Unlock(null)", [&] { return SafeArrayUnlock(nullptr); }, E_INVALIDARG},
        {"Destroy(null)", [&] { return SafeArrayDestroy(nullptr); }, S_OK},
        {"Copy(, null)", [&] { return SafeArrayCopy(array, nullptr); }, E_INVALIDARG},
        {"GetLBound(null)", [&] { return SafeArrayGetLBound(nullptr, 1, &bound); }, E_INVALIDARG},
        {"GetUBound(, , null)", [&] { return SafeArrayGetUBound(array, 1, nullptr); }, E_INVALIDARG},
        {"GetVartype(null)", [&] { return SafeArrayGetVartype(nullptr, &vt); }, E_INVALIDARG},
        {"PutElement(null)", [&] { return SafeArrayPutElement(nullptr, &index, &bound); }, E_INVALIDARG},
        {"PutElement(, null)", [&] { return SafeArrayPutElement(array, nullptr, &bound); }, E_INVALIDARG},
        {"PutElement(, , null)", [&] { return SafeArrayPutElement(array, &index, nullptr); }, E_INVALIDARG},
        {"GetElement(, , null)", [&] { return SafeArrayGetElement(array, &index, nullptr); }, E_INVALIDARG},
    };
    for (const Case& row : cases)
        EXPECT_EQ(row.run(), row.expected) << row.call;
    EXPECT_EQ(SafeArrayCopy(nullptr, &copy), S_OK);
    EXPECT_EQ(copy, nullptr);
    EXPECT_EQ(SafeArrayGetDim(nullptr), 0u);
    EXPECT_EQ(SafeArrayGetElemsize(nullptr), 0u);
    EXPECT_EQ(array->cLocks, 0u);
    EXPECT_EQ(SafeArrayDestroy(array), S_OK);
}

TEST(SafeArray, StringElementsAreCopiedByByteLength) {
    SAFEARRAY* array = SafeArrayCreateVector(VT_BSTR, 1, 3);
    ASSERT_NE(array, nullptr);
    BSTR embeddedNul = SysAllocStringLen(u"a\0b", 3);
    BSTR oddLength = SysAllocStringByteLen("xyz", 3);
    const BSTR puts[] = {embeddedNul, nullptr, oddLength};
    for (LONG index = 1; index <= 3; ++index) {
        ASSERT_EQ(SafeArrayPutElement(array, &index, puts[index - 1]), S_OK);
        // A second put replaces the first copy, which must be freed.
        ASSERT_EQ(SafeArrayPutElement(array, &index, puts[index - 1]), S_OK);
    }
    for (LONG index = 1; index <= 3; ++index) {
        BSTR got = nullptr;
        ASSERT_EQ(SafeArrayGetElement(array, &index, &got), S_OK);
        ASSERT_NE(got, nullptr) << "a null string is stored as an empty one";
        EXPECT_NE(got, puts[index - 1]);
        EXPECT_EQ(SysStringByteLen(got), SysStringByteLen(puts[index - 1]));
        EXPECT_EQ(std::memcmp(got, static_cast<BSTR*>(array->pvData)[index - 1], SysStringByteLen(got)), 0);
        EXPECT_NE(got, static_cast<BSTR*>(array->pvData)[index - 1]);
        SysFreeString(got);
    }
    EXPECT_EQ(std::memcmp(static_cast<BSTR*>(array->pvData)[0], u"a\0b", 6), 0);
    SAFEARRAY* copy = nullptr;
    ASSERT_EQ(SafeArrayCopy(array, &copy), S_OK);
    EXPECT_EQ(copy->fFeatures, array->fFeatures);
    EXPECT_EQ(copy->rgsabound[0].lLbound, 1);
    EXPECT_NE(static_cast<BSTR*>(copy->pvData)[0], static_cast<BSTR*>(array->pvData)[0]);
    EXPECT_EQ(SysStringLen(static_cast<BSTR*>(copy->pvData)[0]), 3u);
    EXPECT_EQ(SafeArrayDestroy(copy), S_OK);
    EXPECT_EQ(SafeArrayDestroy(array), S_OK);
    SysFreeString(embeddedNul);
    SysFreeString(oddLength);
}

// Every put, get, copy and destroy keeps the reference count balanced, in arrays of interfaces and of
// VARIANTs holding them.
TEST(SafeArray, InterfaceElementsAreReferenceCounted) {
    CountingObject object;
    for (VARTYPE vt : std::initializer_list<VARTYPE>{VT_DISPATCH, VT_UNKNOWN, VT_VARIANT}) {
        SCOPED_TRACE(vt);
        SAFEARRAY* array = SafeArrayCreateVector(vt, 0, 2);
        ASSERT_NE(array, nullptr);
        VARIANT holder;
        VariantInit(&holder);
        holder.vt = VT_DISPATCH;
        holder.pdispVal = &object;
        void* element = vt == VT_VARIANT ? static_cast<void*>(&holder) : static_cast<IDispatch*>(&object);
        for (LONG index : {0, 1, 1})
            ASSERT_EQ(SafeArrayPutElement(array, &index, element), S_OK);
        EXPECT_EQ(object.references(), 3);
        VARIANT got;
        LONG index = 1;
        ASSERT_EQ(SafeArrayGetElement(array, &index, &got), S_OK);
        EXPECT_EQ(object.references(), 4);
        // An interface element is read as the pointer alone; a VARIANT element as a whole VARIANT.
        IUnknown* gotObject = vt == VT_VARIANT ? got.pdispVal : *reinterpret_cast<IUnknown**>(&got);
        EXPECT_EQ(gotObject, static_cast<IUnknown*>(&object));
        gotObject->Release();
        SAFEARRAY* copy = nullptr;
        ASSERT_EQ(SafeArrayCopy(array, &copy), S_OK);
        EXPECT_EQ(object.references(), 5);
        EXPECT_EQ(SafeArrayDestroy(copy), S_OK);
        EXPECT_EQ(object.references(), 3);
        VARIANT empty;
        VariantInit(&empty);
        void* nothing = vt == VT_VARIANT ? &empty : nullptr;
        ASSERT_EQ(SafeArrayPutElement(array, &index, nothing), S_OK);
        EXPECT_EQ(object.references(), 2);
        EXPECT_EQ(array->cLocks, 0u);
        EXPECT_EQ(SafeArrayDestroy(array), S_OK);
        EXPECT_EQ(object.references(), 1);
    }
}

} // namespace
