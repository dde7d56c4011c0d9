#include <oleauto.h>

#include <gtest/gtest.h>

#include "support/CountingObject.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <tuple>

namespace {

VARIANT Holding(VARTYPE vt, SAFEARRAY* array = nullptr) {
    VARIANT value{};
    value.vt = vt;
    value.parray = array;
    return value;
}

// An array of one VARIANT, holding the given one.
VARIANT HoldingArrayOf(const VARIANT& element) {
    VARIANT value = Holding(VT_ARRAY | VT_VARIANT, SafeArrayCreateVector(VT_VARIANT, 0, 1));
    *static_cast<VARIANT*>(value.parray->pvData) = element;
    return value;
}

// The byte length stands in the 4 bytes before the characters, and a 16-bit NUL follows them.
TEST(Bstr, LengthPrefixCountsEveryByteAndNulFollows) {
    // A dirty block comes back from the heap for the first row, so its zeros must have been written.
    std::free(std::memset(std::malloc(25), 0xFF, 25));
    const std::tuple<BSTR, UINT, const void*> rows[] = {
        {SysAllocStringByteLen("abcdefghijklmno", 15), 15, "abcdefghijklmno\0"},
        {SysAllocString(u"abc"), 6, u"abc"},
        {SysAllocString(u""), 0, u""},
        {SysAllocStringLen(u"a\0b", 3), 6, u"a\0b"},
        {SysAllocStringLen(nullptr, 2), 4, u"\0\0"},
    };
    for (const auto& [text, byteLength, contents] : rows) {
        ASSERT_NE(text, nullptr) << byteLength;
        UINT prefix = 0;
        std::memcpy(&prefix, reinterpret_cast<const char*>(text) - sizeof(UINT), sizeof(UINT));
        EXPECT_EQ(std::tuple(prefix, SysStringLen(text), std::memcmp(text, contents, byteLength + 2)),
                  std::tuple(byteLength, byteLength / 2, 0));
        SysFreeString(text);
    }
    // The last one's byte length would not fit the 32-bit prefix.
    EXPECT_EQ(
        std::tuple(SysAllocString(nullptr), SysStringLen(nullptr), SysAllocStringLen(nullptr, 0x80000000u)),
        std::tuple(nullptr, 0u, nullptr));
}

// A number is put at its own width: its neighbours stay zero.
TEST(SafeArray, VectorLayoutPerElementType) {
    const std::tuple<VARTYPE, ULONG, USHORT> rows[] = {
        {VT_I1, 1, 0x2080},       {VT_UI1, 1, 0x2080},  {VT_I2, 2, 0x2080},       {VT_BOOL, 2, 0x2080},
        {VT_I4, 4, 0x2080},       {VT_UINT, 4, 0x2080}, {VT_R4, 4, 0x2080},       {VT_ERROR, 4, 0x2080},
        {VT_R8, 8, 0x2080},       {VT_DATE, 8, 0x2080}, {VT_CY, 8, 0x2080},       {VT_UI8, 8, 0x2080},
        {VT_DECIMAL, 16, 0x2080}, {VT_BSTR, 8, 0x2180}, {VT_DISPATCH, 8, 0x2440}, {VT_UNKNOWN, 8, 0x2240},
        {VT_VARIANT, 24, 0x2880},
    };
    for (const auto& [vt, elementSize, features] : rows) {
        SAFEARRAY* array = SafeArrayCreateVector(vt, 0, 3);
        ASSERT_NE(array, nullptr) << vt;
        std::uint64_t ones[2] = {~0ull, ~0ull};
        LONG index = 1;
        if (features == 0x2080)
            SafeArrayPutElement(array, &index, ones);
        const auto* data = static_cast<const unsigned char*>(array->pvData);
        EXPECT_EQ(
            std::tuple(array->cbElements, array->fFeatures, std::count(data, data + 3 * elementSize, 0xFF)),
            std::tuple(elementSize, features, std::ptrdiff_t{features == 0x2080 ? elementSize : 0u}));
        EXPECT_EQ(SafeArrayDestroy(array), S_OK);
    }
}

// Refused: no dimensions, more cells or bytes than 32 bits count, types that cannot be elements. An empty
// array still has a data pointer, an upper bound below the lower one and only its one dimension; a null one
// is copied as null.
TEST(SafeArray, CreationRefusalsAndEmptyArrays) {
    SAFEARRAYBOUND one{4, 0}, tooManyCells[] = {{0x10000, 0}, {0x10000, 0}};
    EXPECT_EQ(std::tuple(SafeArrayCreate(VT_R8, 0, &one), SafeArrayCreate(VT_R8, 2, tooManyCells),
                         SafeArrayCreateVector(VT_VARIANT, 0, 0x20000000)),
              std::tuple(nullptr, nullptr, nullptr));
    for (VARTYPE vt :
         std::initializer_list<VARTYPE>{VT_EMPTY, VT_NULL, VT_RECORD, VT_VOID, VT_ARRAY | VT_R8, 15})
        EXPECT_EQ(SafeArrayCreate(vt, 1, &one), nullptr) << vt;
    SAFEARRAY* empty = SafeArrayCreateVector(VT_BSTR, 0, 0);
    void* data = nullptr;
    LONG upper = 0;
    EXPECT_EQ((std::tuple<HRESULT, bool, HRESULT, HRESULT, LONG, HRESULT, HRESULT>{
                  SafeArrayAccessData(empty, &data), data != nullptr, SafeArrayUnaccessData(empty),
                  SafeArrayGetUBound(empty, 1, &upper), upper, SafeArrayGetLBound(empty, 0, &upper),
                  SafeArrayGetLBound(empty, 2, &upper)}),
              std::tuple(S_OK, true, S_OK, S_OK, -1, DISP_E_BADINDEX, DISP_E_BADINDEX));
    SAFEARRAY* copy = empty;
    EXPECT_EQ(std::tuple(SafeArrayCopy(nullptr, &copy), SafeArrayDestroy(nullptr), SafeArrayDestroy(empty)),
              std::tuple(S_OK, S_OK, S_OK));
    EXPECT_EQ(copy, nullptr);
}

// Bounds are stored last dimension first, the first index varies fastest in the data, and each index is
// checked against its own bounds.
TEST(SafeArray, TwoDimensionsStoreBoundsReversedAndDataColumnMajor) {
    SAFEARRAYBOUND bounds[] = {{2, 0}, {3, 1}};
    SAFEARRAY* array = SafeArrayCreate(VT_I4, 2, bounds);
    ASSERT_NE(array, nullptr);
    EXPECT_EQ(std::tuple(array->rgsabound[0].cElements, array->rgsabound[0].lLbound, array->fFeatures),
              std::tuple(3u, 1, FADF_HAVEVARTYPE));
    for (LONG value : {1, 2, 3, 11, 12, 13}) { // element (i, j) holds 10 i + j
        LONG indices[] = {value / 10, value % 10};
        ASSERT_EQ(SafeArrayPutElement(array, indices, &value), S_OK);
    }
    const LONG columnMajor[] = {1, 11, 2, 12, 3, 13};
    EXPECT_EQ(std::memcmp(array->pvData, columnMajor, sizeof(columnMajor)), 0);
    LONG element = 0, outside[][2] = {{2, 1}, {0, 0}, {0, 4}, {-1, 1}};
    for (LONG* indices : outside)
        EXPECT_EQ(std::tuple(SafeArrayPutElement(array, indices, &element),
                             SafeArrayGetElement(array, indices, &element)),
                  std::tuple(DISP_E_BADINDEX, DISP_E_BADINDEX))
            << indices[0] << ", " << indices[1];
    EXPECT_EQ(SafeArrayDestroy(array), S_OK);
}

// Calls in order, as braced initialisers run, each with the code it must give.
TEST(SafeArray, LocksGuardDestruction) {
    SAFEARRAY* array = SafeArrayCreateVector(VT_R8, 0, 1);
    void* data = nullptr;
    LONG index = 0, past = 1;
    double value = 2.5;
    const std::tuple<const char*, HRESULT, HRESULT> rows[] = {
        {"AccessData(null)", SafeArrayAccessData(nullptr, &data), E_INVALIDARG},
        {"UnaccessData(null)", SafeArrayUnaccessData(nullptr), E_INVALIDARG},
        {"PutElement(, , null)", SafeArrayPutElement(array, &index, nullptr), E_INVALIDARG},
        {"PutElement, past the end", SafeArrayPutElement(array, &past, &value), DISP_E_BADINDEX},
        {"PutElement", SafeArrayPutElement(array, &index, &value), S_OK},
        {"AccessData", SafeArrayAccessData(array, &data), S_OK},
        {"Destroy, locked", SafeArrayDestroy(array), DISP_E_ARRAYISLOCKED},
        {"UnaccessData", SafeArrayUnaccessData(array), S_OK},
        {"UnaccessData, unlocked", SafeArrayUnaccessData(array), E_UNEXPECTED},
    };
    for (const auto& [call, result, expected] : rows)
        EXPECT_EQ(result, expected) << call;
    EXPECT_EQ(*static_cast<double*>(data), 2.5) << "nothing was destroyed while locked";
    EXPECT_EQ(SafeArrayDestroy(array), S_OK);
}

// Strings are copied by byte length on put, get and copy, a null one as empty; a second put frees the first.
TEST(SafeArray, StringElementsAreCopiedByByteLength) {
    SAFEARRAY* array = SafeArrayCreateVector(VT_BSTR, 1, 3);
    SAFEARRAY* copy = nullptr;
    const BSTR puts[] = {SysAllocStringLen(u"a\0b", 3), nullptr, SysAllocStringByteLen("xyz", 3)};
    for (LONG index = 1; index <= 3; ++index) {
        const BSTR put = puts[index - 1];
        BSTR got = nullptr;
        ASSERT_EQ(SafeArrayPutElement(array, &index, put), S_OK);
        ASSERT_EQ(SafeArrayPutElement(array, &index, put), S_OK);
        ASSERT_EQ(SafeArrayGetElement(array, &index, &got), S_OK);
        ASSERT_NE(got, nullptr);
        EXPECT_TRUE(got != put && got != static_cast<BSTR*>(array->pvData)[index - 1]);
        EXPECT_EQ(
            std::tuple(SysStringByteLen(got), std::memcmp(got, put ? put : u"", SysStringByteLen(put) + 2)),
            std::tuple(SysStringByteLen(put), 0));
        SysFreeString(got);
        SysFreeString(put);
    }
    ASSERT_EQ(SafeArrayCopy(array, &copy), S_OK);
    const BSTR* copied = static_cast<BSTR*>(copy->pvData);
    EXPECT_EQ(std::tuple(copy->fFeatures, copy->rgsabound[0].lLbound, SysStringByteLen(copied[2])),
              std::tuple(USHORT{FADF_BSTR | FADF_HAVEVARTYPE}, 1, 3u));
    EXPECT_TRUE(copied[0] != static_cast<BSTR*>(array->pvData)[0] && std::memcmp(copied[0], u"a\0b", 8) == 0);
    EXPECT_EQ(std::tuple(SafeArrayDestroy(copy), SafeArrayDestroy(array)), std::tuple(S_OK, S_OK));
}

// A copy is an ordinary array: of the original's features it keeps only what its elements are, never how
// the original was made (vector, fixed size, static, on the stack or embedded).
TEST(SafeArray, CopyKeepsOnlyTheElementKindFeatures) {
    const std::tuple<VARTYPE, bool, USHORT, USHORT, USHORT> rows[] = {
        // element type, made as a vector, features added by hand, original's features, copy's features
        {VT_R8, true, 0, 0x2080, 0x0080},
        {VT_BSTR, true, 0, 0x2180, 0x0180},
        {VT_VARIANT, true, 0, 0x2880, 0x0880},
        {VT_DISPATCH, true, 0, 0x2440, 0x0440},
        {VT_UNKNOWN, true, 0, 0x2240, 0x0240},
        {VT_I4, false, FADF_FIXEDSIZE | FADF_STATIC, 0x0092, 0x0080},
        {VT_BSTR, false, FADF_AUTO | FADF_EMBEDDED, 0x0185, 0x0180},
    };
    for (const auto& [vt, vector, added, original, copied] : rows) {
        SAFEARRAYBOUND bound{2, 0};
        SAFEARRAY* array = vector ? SafeArrayCreateVector(vt, 0, 2) : SafeArrayCreate(vt, 1, &bound);
        ASSERT_NE(array, nullptr) << vt;
        array->fFeatures |= added;
        SAFEARRAY* copy = nullptr;
        const HRESULT result = SafeArrayCopy(array, &copy);
        EXPECT_EQ(std::tuple(array->fFeatures, result, copy ? copy->fFeatures : 0),
                  std::tuple(original, S_OK, copied))
            << vt;
        array->fFeatures &= static_cast<USHORT>(~added); // destroyed as what it is
        EXPECT_EQ(std::tuple(SafeArrayDestroy(copy), SafeArrayDestroy(array)), std::tuple(S_OK, S_OK));
    }
}

// An element of no known type is left out of the copy (VT_EMPTY) and the copy goes on.
TEST(SafeArray, CopySkipsAVariantOfNoKnownType) {
    SAFEARRAY* array = SafeArrayCreateVector(VT_VARIANT, 0, 3);
    auto* elements = static_cast<VARIANT*>(array->pvData);
    elements[0].vt = VT_I4;
    elements[0].lVal = 7;
    elements[1].vt = 15;
    elements[1].lVal = 9;
    elements[2].vt = VT_BSTR;
    elements[2].bstrVal = SysAllocString(u"after");
    SAFEARRAY* copy = nullptr;
    ASSERT_EQ(SafeArrayCopy(array, &copy), S_OK);
    const auto* copied = static_cast<const VARIANT*>(copy->pvData);
    EXPECT_EQ(std::tuple(copied[0].vt, copied[0].lVal, copied[1].vt, copied[1].lVal, copied[2].vt,
                         std::memcmp(copied[2].bstrVal, u"after", 12)),
              std::tuple(VT_I4, 7, VT_EMPTY, 0, VT_BSTR, 0));
    elements[1].vt = VT_EMPTY; // SafeArrayDestroy would refuse to clear it
    EXPECT_EQ(std::tuple(SafeArrayDestroy(copy), SafeArrayDestroy(array)), std::tuple(S_OK, S_OK));
}

// Puts, gets, copies and destruction keep the reference count balanced, in arrays of interfaces and of
// VARIANTs holding them. An interface element is read as the pointer alone, a VARIANT as a whole.
TEST(SafeArray, InterfaceElementsAreReferenceCounted) {
    CountingObject object;
    for (VARTYPE vt : {VT_DISPATCH, VT_UNKNOWN, VT_VARIANT}) {
        SAFEARRAY* array = SafeArrayCreateVector(vt, 0, 2);
        SAFEARRAY* copy = nullptr;
        VARIANT holder = Holding(VT_DISPATCH), empty{}, got{};
        holder.pdispVal = &object;
        void* element = vt == VT_VARIANT ? static_cast<void*>(&holder) : static_cast<IDispatch*>(&object);
        for (LONG index : {0, 1, 1})
            ASSERT_EQ(SafeArrayPutElement(array, &index, element), S_OK);
        LONG index = 1;
        ASSERT_EQ(SafeArrayGetElement(array, &index, &got), S_OK);
        IUnknown* gotObject = vt == VT_VARIANT ? got.pdispVal : *reinterpret_cast<IUnknown**>(&got);
        EXPECT_EQ(std::tuple(gotObject, gotObject->Release()), std::tuple(&object, 3u)) << vt;
        ASSERT_EQ(SafeArrayCopy(array, &copy), S_OK);
        EXPECT_EQ(object.references(), 5) << vt;
        EXPECT_EQ(SafeArrayDestroy(copy), S_OK);
        ASSERT_EQ(SafeArrayPutElement(array, &index, vt == VT_VARIANT ? &empty : nullptr), S_OK);
        EXPECT_EQ(std::tuple(object.references(), array->cLocks), std::tuple(2, 0u)) << vt;
        EXPECT_EQ(SafeArrayDestroy(array), S_OK);
        EXPECT_EQ(object.references(), 1) << vt;
    }
}

// Clearing releases what the VARIANT owns, nothing it refers to, and empties it, even when the array it
// held is locked and stays.
TEST(Variant, ClearReleasesOwnedContentOnly) {
    CountingObject object;
    IDispatch* reference = &object;
    VARIANT byReference = Holding(VT_BYREF | VT_DISPATCH), unknown = Holding(VT_UNKNOWN),
            text = Holding(VT_BSTR);
    VARIANT locked = Holding(VT_ARRAY | VT_R8, SafeArrayCreateVector(VT_R8, 0, 1));
    byReference.ppdispVal = &reference;
    unknown.punkVal = &object;
    text.bstrVal = SysAllocString(u"text");
    object.AddRef(); // for the interface
    object.AddRef(); // for the array
    ASSERT_EQ(SafeArrayLock(locked.parray), S_OK);
    // Name, VARIANT, result, references left.
    const std::tuple<const char*, VARIANT, HRESULT, LONG> rows[] = {
        {"by reference", byReference, S_OK, 3},
        {"interface", unknown, S_OK, 2},
        {"array of VARIANTs", HoldingArrayOf(unknown), S_OK, 1},
        {"string", text, S_OK, 1},
        {"null array", Holding(VT_ARRAY | VT_R8), S_OK, 1},
        {"decimal", Holding(VT_DECIMAL), S_OK, 1},
        {"locked array", locked, DISP_E_ARRAYISLOCKED, 1},
        {"class id", Holding(VT_CLSID), S_OK, 1}, // cleared, though no VARIANT may hold one
        {"class id by reference", Holding(VT_BYREF | VT_CLSID), S_OK, 1},
        {"null class id array", Holding(VT_ARRAY | VT_CLSID), S_OK, 1},
    };
    for (auto [name, value, result, references] : rows)
        EXPECT_EQ((std::tuple<HRESULT, VARTYPE, LONG>{VariantClear(&value), value.vt, object.references()}),
                  std::tuple(result, VT_EMPTY, references))
            << name;
    EXPECT_EQ(std::tuple(SafeArrayUnlock(locked.parray), VariantClear(nullptr)),
              std::tuple(S_OK, E_INVALIDARG));
    EXPECT_EQ(SafeArrayDestroy(locked.parray), S_OK);
}

// Copies own what they hold: strings by byte length (a null one as empty), interfaces by reference, arrays
// element by element, references as they are; the destination's old content is released. A VARIANT of a
// type that does not exist is neither cleared nor copied, and left as it was, as is the destination.
TEST(Variant, CopyIsDeepAndUnknownTypesAreRefused) {
    CountingObject object;
    VARIANT dispatch = Holding(VT_DISPATCH), text = Holding(VT_BSTR),
            byReference = Holding(VT_BYREF | VT_BSTR);
    dispatch.pdispVal = &object;
    text.bstrVal = SysAllocStringLen(u"a\0b", 3);
    byReference.pbstrVal = &text.bstrVal;
    VARIANT copy = dispatch, array = HoldingArrayOf(Holding(VT_BSTR));
    object.AddRef();
    ASSERT_EQ(VariantCopy(&copy, &text), S_OK);
    EXPECT_EQ(std::tuple(object.references(), SysStringByteLen(copy.bstrVal)), std::tuple(1, 6u));
    EXPECT_TRUE(copy.bstrVal != text.bstrVal && std::memcmp(copy.bstrVal, u"a\0b", 8) == 0);
    ASSERT_EQ(VariantCopy(&copy, &dispatch), S_OK);
    EXPECT_EQ(VariantCopy(&copy, &copy), S_OK);
    EXPECT_EQ(std::tuple(copy.pdispVal, object.references()), std::tuple(&object, 2));
    ASSERT_EQ(VariantCopy(&copy, &array), S_OK);
    EXPECT_EQ(object.references(), 1);
    ASSERT_NE(copy.parray, array.parray);
    EXPECT_NE(static_cast<VARIANT*>(copy.parray->pvData)->bstrVal, nullptr);
    EXPECT_EQ(VariantClear(&array), S_OK);
    for (VARTYPE vt :
         std::initializer_list<VARTYPE>{VT_ARRAY, VT_ARRAY | VT_NULL, VT_VARIANT, 15, VT_VECTOR | VT_I4,
                                        VT_RECORD, VT_BYREF | VT_EMPTY, VT_RESERVED | VT_I4, 0x7FFF}) {
        VARIANT unknown = Holding(vt);
        EXPECT_EQ(std::tuple(VariantClear(&unknown), VariantCopy(&copy, &unknown)),
                  std::tuple(DISP_E_BADVARTYPE, DISP_E_BADVARTYPE))
            << vt;
        EXPECT_EQ(std::tuple(unknown.vt, copy.vt), std::tuple(vt, VT_ARRAY | VT_VARIANT));
    }
    // A class id is cleared but never copied.
    VARIANT classId = Holding(VT_CLSID);
    EXPECT_EQ(VariantCopy(&copy, &classId), DISP_E_BADVARTYPE);
    ASSERT_EQ(VariantCopy(&copy, &byReference), S_OK);
    EXPECT_EQ(std::tuple(copy.pbstrVal, VariantCopy(nullptr, &text)),
              std::tuple(&text.bstrVal, E_INVALIDARG));
    EXPECT_EQ(VariantClear(&text), S_OK);
}

} // namespace
