#include <oleauto.h>

#include <gtest/gtest.h>

#include "support/CountingObject.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstring>
#include <functional>
#include <initializer_list>
#include <tuple>

namespace {

BSTR& StringAt(SAFEARRAY* array, LONG cell) {
    return static_cast<BSTR*>(array->pvData)[cell];
}

TEST(SafeArray, VectorLayoutPerElementType) {
    const std::tuple<VARTYPE, ULONG, USHORT> rows[] = {
        {VT_I1, 1, 0x2080},       {VT_UI1, 1, 0x2080},  {VT_I2, 2, 0x2080},       {VT_BOOL, 2, 0x2080},
        {VT_I4, 4, 0x2080},       {VT_UINT, 4, 0x2080}, {VT_R4, 4, 0x2080},       {VT_ERROR, 4, 0x2080},
        {VT_R8, 8, 0x2080},       {VT_DATE, 8, 0x2080}, {VT_CY, 8, 0x2080},       {VT_UI8, 8, 0x2080},
        {VT_DECIMAL, 16, 0x2080}, {VT_BSTR, 8, 0x2180}, {VT_DISPATCH, 8, 0x2440}, {VT_UNKNOWN, 8, 0x2240},
        {VT_VARIANT, 24, 0x2880},
    };
    for (const auto& [vt, elementSize, features] : rows) {
        SCOPED_TRACE(vt);
        SAFEARRAY* array = SafeArrayCreateVector(vt, 0, 3);
        ASSERT_NE(array, nullptr);
        VARTYPE stored = VT_EMPTY;
        EXPECT_EQ(SafeArrayGetVartype(array, &stored), S_OK);
        EXPECT_EQ(std::tuple(SafeArrayGetElemsize(array), array->fFeatures, stored),
                  std::tuple(elementSize, features, vt));
        if (features == 0x2080) {
            // A number is put and got at its own width: its neighbours stay zero.
            unsigned char pattern[16], got[16] = {};
            std::memset(pattern, 0xAB, sizeof pattern);
            LONG index = 1;
            ASSERT_EQ(SafeArrayPutElement(array, &index, pattern), S_OK);
            ASSERT_EQ(SafeArrayGetElement(array, &index, got), S_OK);
            const auto* data = static_cast<const unsigned char*>(array->pvData);
            EXPECT_EQ(std::count(data, data + 3 * elementSize, 0xAB), std::ptrdiff_t{elementSize});
            EXPECT_EQ(std::count(got, got + 16, 0xAB), std::ptrdiff_t{elementSize});
        }
        EXPECT_EQ(SafeArrayDestroy(array), S_OK);
    }
}

TEST(SafeArray, CreationRefusalsAndEmptyArrays) {
    SAFEARRAYBOUND one{4, 0};
    SAFEARRAYBOUND tooManyCells[] = {{0x10000, 0}, {0x10000, 0}};
    EXPECT_EQ(SafeArrayCreate(VT_R8, 0, &one), nullptr);
    EXPECT_EQ(SafeArrayCreate(VT_R8, 1, nullptr), nullptr);
    EXPECT_EQ(SafeArrayCreate(VT_R8, 2, tooManyCells), nullptr);
    EXPECT_EQ(SafeArrayCreateVector(VT_VARIANT, 0, 0x20000000), nullptr);
    for (VARTYPE vt : std::initializer_list<VARTYPE>{VT_EMPTY, VT_NULL, VT_RECORD, VT_LPWSTR, VT_VOID,
                                                     VT_ARRAY | VT_R8, 15})
        EXPECT_EQ(SafeArrayCreate(vt, 1, &one), nullptr) << vt;

    // No elements still give a data pointer, and an upper bound below the lower one.
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
        EXPECT_EQ(SafeArrayDestroy(array), S_OK);
    }
}

TEST(SafeArray, TwoDimensionsStoreBoundsReversedAndDataColumnMajor) {
    SAFEARRAYBOUND bounds[] = {{2, 0}, {3, 1}};
    SAFEARRAY* array = SafeArrayCreate(VT_I4, 2, bounds);
    ASSERT_NE(array, nullptr);
    EXPECT_EQ(array->fFeatures, FADF_HAVEVARTYPE);
    EXPECT_EQ(std::tie(array->rgsabound[0].cElements, array->rgsabound[0].lLbound,
                       array->rgsabound[1].cElements, array->rgsabound[1].lLbound),
              std::tuple(3u, 1, 2u, 0));
    // Dimension, result, lower and upper bound.
    for (const auto& [dimension, result, lower, upper] :
         {std::tuple<UINT, HRESULT, LONG, LONG>{1, S_OK, 0, 1},
          {2, S_OK, 1, 3},
          {0, DISP_E_BADINDEX, -9, -9},
          {3, DISP_E_BADINDEX, -9, -9}}) {
        LONG gotLower = -9;
        LONG gotUpper = -9;
        EXPECT_EQ(SafeArrayGetLBound(array, dimension, &gotLower), result);
        EXPECT_EQ(SafeArrayGetUBound(array, dimension, &gotUpper), result);
        EXPECT_EQ(gotLower, lower);
        EXPECT_EQ(gotUpper, upper);
    }
    // Element (i, j) holds 10 i + j; the first index varies fastest in the data.
    for (LONG value : {1, 2, 3, 11, 12, 13}) {
        LONG indices[] = {value / 10, value % 10};
        ASSERT_EQ(SafeArrayPutElement(array, indices, &value), S_OK);
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

// Calls in order, each with the code it must give: bad arguments, then locks guarding destruction.
TEST(SafeArray, CallsGiveThePublishedCodes) {
    SAFEARRAY* array = SafeArrayCreateVector(VT_R8, 0, 1);
    ASSERT_NE(array, nullptr);
    void* data = nullptr;
    LONG index = 0;
    double value = 2.5;
    VARTYPE vt = VT_EMPTY;
    SAFEARRAY* copy = array;
    const std::tuple<const char*, std::function<HRESULT()>, HRESULT> rows[] = {
        {"AccessData(null)", [&] { return SafeArrayAccessData(nullptr, &data); }, E_INVALIDARG},
        {"AccessData(, null)", [&] { return SafeArrayAccessData(array, nullptr); }, E_INVALIDARG},
        {"UnaccessData(null)", [&] { return SafeArrayUnaccessData(nullptr); }, E_INVALIDARG},
        {"Lock(null)", [&] { return SafeArrayLock(nullptr); }, E_INVALIDARG},
        {"Unlock(null)", [&] { return SafeArrayUnlock(nullptr); }, E_INVALIDARG},
        {"Destroy(null)", [&] { return SafeArrayDestroy(nullptr); }, S_OK},
        {"Copy(null)", [&] { return SafeArrayCopy(nullptr, &copy); }, S_OK},
        {"Copy(, null)", [&] { return SafeArrayCopy(array, nullptr); }, E_INVALIDARG},
        {"GetLBound(null)", [&] { return SafeArrayGetLBound(nullptr, 1, &index); }, E_INVALIDARG},
        {"GetUBound(, , null)", [&] { return SafeArrayGetUBound(array, 1, nullptr); }, E_INVALIDARG},
        {"GetVartype(null)", [&] { return SafeArrayGetVartype(nullptr, &vt); }, E_INVALIDARG},
        {"PutElement(null)", [&] { return SafeArrayPutElement(nullptr, &index, &value); }, E_INVALIDARG},
        {"PutElement(, null)", [&] { return SafeArrayPutElement(array, nullptr, &value); }, E_INVALIDARG},
        {"PutElement(, , null)", [&] { return SafeArrayPutElement(array, &index, nullptr); }, E_INVALIDARG},
        {"GetElement(, , null)", [&] { return SafeArrayGetElement(array, &index, nullptr); }, E_INVALIDARG},
        {"PutElement", [&] { return SafeArrayPutElement(array, &index, &value); }, S_OK},
        {"Lock", [&] { return SafeArrayLock(array); }, S_OK},
        {"AccessData", [&] { return SafeArrayAccessData(array, &data); }, S_OK},
        {"Destroy, locked twice", [&] { return SafeArrayDestroy(array); }, DISP_E_ARRAYISLOCKED},
        {"UnaccessData", [&] { return SafeArrayUnaccessData(array); }, S_OK},
        {"Destroy, locked once", [&] { return SafeArrayDestroy(array); }, DISP_E_ARRAYISLOCKED},
        {"Unlock", [&] { return SafeArrayUnlock(array); }, S_OK},
        {"Unlock, unlocked", [&] { return SafeArrayUnlock(array); }, E_UNEXPECTED},
        {"UnaccessData, unlocked", [&] { return SafeArrayUnaccessData(array); }, E_UNEXPECTED},
    };
    for (const auto& [call, run, expected] : rows)
        EXPECT_EQ(run(), expected) << call;
    EXPECT_EQ(copy, nullptr);
    EXPECT_EQ(*static_cast<double*>(data), 2.5) << "nothing was destroyed while locked";
    EXPECT_EQ(SafeArrayGetDim(nullptr), 0u);
    EXPECT_EQ(SafeArrayGetElemsize(nullptr), 0u);
    EXPECT_EQ(array->cLocks, 0u);
    EXPECT_EQ(SafeArrayDestroy(array), S_OK);
}

// Strings are copied by byte length on put, get and copy; a second put frees the first copy.
TEST(SafeArray, StringElementsAreCopiedByByteLength) {
    SAFEARRAY* array = SafeArrayCreateVector(VT_BSTR, 1, 3);
    ASSERT_NE(array, nullptr);
    const BSTR puts[] = {SysAllocStringLen(u"a\0b", 3), nullptr, SysAllocStringByteLen("xyz", 3)};
    for (LONG index = 1; index <= 3; ++index) {
        ASSERT_EQ(SafeArrayPutElement(array, &index, puts[index - 1]), S_OK);
        ASSERT_EQ(SafeArrayPutElement(array, &index, puts[index - 1]), S_OK);
        BSTR got = nullptr;
        ASSERT_EQ(SafeArrayGetElement(array, &index, &got), S_OK);
        ASSERT_NE(got, nullptr) << "a null string is stored as an empty one";
        EXPECT_NE(got, puts[index - 1]);
        EXPECT_NE(got, StringAt(array, index - 1));
        EXPECT_EQ(SysStringByteLen(got), SysStringByteLen(puts[index - 1]));
        EXPECT_EQ(std::memcmp(got, puts[index - 1] ? puts[index - 1] : u"", SysStringByteLen(got) + 2), 0);
        SysFreeString(got);
        SysFreeString(puts[index - 1]);
    }
    SAFEARRAY* copy = nullptr;
    ASSERT_EQ(SafeArrayCopy(array, &copy), S_OK);
    EXPECT_EQ(copy->fFeatures, array->fFeatures);
    EXPECT_EQ(copy->rgsabound[0].lLbound, 1);
    EXPECT_NE(StringAt(copy, 0), StringAt(array, 0));
    EXPECT_EQ(std::memcmp(StringAt(copy, 0), u"a\0b", 8), 0);
    EXPECT_EQ(SysStringByteLen(StringAt(copy, 2)), 3u);
    EXPECT_EQ(SafeArrayDestroy(copy), S_OK);
    EXPECT_EQ(SafeArrayDestroy(array), S_OK);
}

// Every put, get, copy and destroy keeps the reference count balanced, in arrays of interfaces and of
// VARIANTs holding them.
TEST(SafeArray, InterfaceElementsAreReferenceCounted) {
    CountingObject object;
    for (VARTYPE vt : {VT_DISPATCH, VT_UNKNOWN, VT_VARIANT}) {
        SCOPED_TRACE(vt);
        SAFEARRAY* array = SafeArrayCreateVector(vt, 0, 2);
        ASSERT_NE(array, nullptr);
        VARIANT holder{};
        holder.vt = VT_DISPATCH;
        holder.pdispVal = &object;
        VARIANT empty{};
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
        ASSERT_EQ(SafeArrayPutElement(array, &index, vt == VT_VARIANT ? &empty : nullptr), S_OK);
        EXPECT_EQ(object.references(), 2);
        EXPECT_EQ(array->cLocks, 0u);
        EXPECT_EQ(SafeArrayDestroy(array), S_OK);
        EXPECT_EQ(object.references(), 1);
    }
}

} // namespace
