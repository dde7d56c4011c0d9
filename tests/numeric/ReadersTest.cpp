#include <WindowsUtils.h>

#include "support/ArrayValues.h"
#include "support/Platform.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

#if __has_include(<FaultInjection.h>)
#include <FaultInjection.h>
#endif

using TestSupport::DoubleArray;
using TestSupport::ExpectUnlocked;
using TestSupport::OwnedArray;
using TestSupport::VariantArray;

namespace {

constexpr HRESULT Accepted = S_OK;          // true; a vector reader took the value
constexpr HRESULT Refused = S_FALSE;        // false; a vector reader left the value
constexpr HRESULT BadAlloc = E_OUTOFMEMORY; // std::bad_alloc raised
// Any other outcome is the HRESULT of the _com_error raised.

template <class Element>
struct ReadRow {
    const char* form;
    _variant_t source;
    std::vector<Element> before;
    HRESULT outcome;
    std::vector<Element> after;
};

template <class Stored>
_variant_t Typed(VARTYPE elementType, std::initializer_list<Stored> values, LONG lowerBound = 0) {
    return OwnedArray(elementType, std::vector<Stored>(values), lowerBound);
}

// A VARIANT of any vt, its value bytes as given, taken over as it stands.
_variant_t Raw(VARTYPE vt, LONGLONG bits = 0) {
    VARIANT value;
    VariantInit(&value);
    value.vt = vt;
    value.llVal = bits;
    return _variant_t(value, false);
}

// Wine copies the bits between signed and unsigned integer types of the same width, where Windows (and
// the stand-in) report DISP_E_OVERFLOW: under Wine such a row is accepted with these contents instead.
template <class Element>
ReadRow<Element> SameWidthOverflow(ReadRow<Element> row, std::vector<Element> underWine) {
    if (TestSupport::RunningUnderWine()) {
        row.outcome = Accepted;
        row.after = std::move(underWine);
    }
    return row;
}

template <class Element>
void Fill(SArray<Element>& target, const std::vector<Element>& values) {
    for (const Element& value : values)
        ASSERT_TRUE(target.Add(value));
}
template <class Element>
void Fill(std::vector<Element>& target, const std::vector<Element>& values) {
    target = values;
}

template <class Element>
std::optional<bool> ReadInto(const VARIANT& source, SArray<Element>& target) {
    return CopyVariantToSArray(source, target);
}
template <class Element>
std::optional<bool> ReadInto(const VARIANT& source, std::vector<Element>& target) {
    CopyVariantToVector(source, target);
    return std::nullopt;
}

template <class Element>
std::vector<Element> ContentOf(const SArray<Element>& target) {
    return {target.begin(), target.end()};
}
template <class Element>
std::vector<Element> ContentOf(const std::vector<Element>& target) {
    return target;
}

// Something that makes a platform operation fail while the object `arm` returns lives.
using Arm = std::function<std::shared_ptr<void>()>;

template <class Target, class Element, std::size_t Count>
void ExpectReads(const ReadRow<Element> (&rows)[Count], const Arm& arm = {}) {
    for (const ReadRow<Element>& row : rows) {
        SCOPED_TRACE(row.form);
        Target target;
        Fill(target, row.before);
        const std::shared_ptr<void> failure = arm ? arm() : nullptr;
        if (row.outcome == BadAlloc) {
            EXPECT_THROW(ReadInto(row.source, target), std::bad_alloc);
        } else if (FAILED(row.outcome)) {
            TestSupport::ExpectComError(row.outcome, [&] { ReadInto(row.source, target); });
        } else if (const std::optional<bool> result = ReadInto(row.source, target)) {
            EXPECT_EQ(*result, row.outcome == Accepted);
        }
        EXPECT_EQ(ContentOf(target), row.after);
        ExpectUnlocked(row.source);
    }
}

const double byReference = 2.5;

TEST(SArrayReaders, Double) {
    const ReadRow<double> rows[] = {
        {"typed array replaces", DoubleArray({1, 2, 3}), {9, 9, 9, 9, 9}, Accepted, {1, 2, 3}},
        {"lower bound 1 of 5 reads 4", DoubleArray({1, 2, 3, 4, 5}, 1), {}, Accepted, {1, 2, 3, 4}},
        {"scalar appends", _variant_t(2.5), {1}, Accepted, {1, 2.5}},
        {"variant array appends coerced", VariantArray({3L, 2.5f, true}), {7}, Accepted, {7, 3, 2.5, -1}},
        {"uncoercible third element",
         VariantArray({1L, 2.0, OLESTR("x"), 4.0}),
         {7},
         DISP_E_TYPEMISMATCH,
         {7, 1, 2}},
        {"VT_ARRAY|VT_R4 is not widened", Typed<float>(VT_R4, {1}), {4}, Refused, {4}},
        {"only VT_R8 is the scalar", _variant_t(3L), {4}, Refused, {4}},
        {"VT_BYREF|VT_R8",
         Raw(VT_BYREF | VT_R8, reinterpret_cast<LONGLONG>(&byReference)),
         {4},
         Refused,
         {4}},
        {"null typed array", Raw(VT_ARRAY | VT_R8), {4}, Refused, {4}},
    };
    ExpectReads<SArray<double>>(rows);
}

TEST(SArrayReaders, LongTakesAny32BitInteger) {
    const ReadRow<long> rows[] = {
        {"VT_I4 sign-extended", Typed<LONG>(VT_I4, {1, -2}), {9}, Accepted, {1, -2}},
        {"VT_UI4 bits", Typed<ULONG>(VT_UI4, {4294967295u, 7}), {}, Accepted, {-1, 7}},
        {"VT_UINT bits", Typed<UINT>(VT_UINT, {0x80000000u}), {}, Accepted, {INT32_MIN}},
        {"VT_INT", Typed<INT>(VT_INT, {-5}), {}, Accepted, {-5}},
        {"scalar VT_UI4 in range", Raw(VT_UI4, 7), {1}, Accepted, {1, 7}},
        SameWidthOverflow<long>(
            {"scalar VT_UI4 overflows VT_I4", Raw(VT_UI4, 4294967295), {1}, DISP_E_OVERFLOW, {1}}, {1, -1}),
        {"scalar VT_INT", _variant_t(-3), {}, Accepted, {-3}},
        {"null integer array is a scalar", Raw(VT_ARRAY | VT_UINT), {1}, DISP_E_TYPEMISMATCH, {1}},
        {"variant array rounds half to even", VariantArray({2.5, OLESTR("12")}), {}, Accepted, {2, 12}},
        {"VT_ARRAY|VT_I2", Typed<SHORT>(VT_I2, {1}), {1}, Refused, {1}},
        {"bare VT_VARIANT", Raw(VT_VARIANT), {1}, Refused, {1}},
        {"scalar VT_R8", _variant_t(1.0), {1}, Refused, {1}},
    };
    ExpectReads<SArray<long>>(rows);
}

TEST(SArrayReaders, BytesBooleansAndFloats) {
    const ReadRow<unsigned char> bytes[] = {
        {"VT_UI1", Typed<BYTE>(VT_UI1, {1, 255}), {9}, Accepted, {1, 255}},
        {"VT_I1 bits", Typed<CHAR>(VT_I1, {-1, 5}), {}, Accepted, {255, 5}},
        {"scalar VT_UI1", _variant_t(BYTE{200}), {1}, Accepted, {1, 200}},
        {"scalar VT_I1", _variant_t('\x05'), {}, Accepted, {5}},
        SameWidthOverflow<unsigned char>(
            {"scalar VT_I1 -1 overflows", _variant_t('\xff'), {1}, DISP_E_OVERFLOW, {1}}, {1, 255}),
        {"null VT_UI1 array", Raw(VT_ARRAY | VT_UI1), {1}, Refused, {1}},
        {"variant 300 overflows", VariantArray({3L, 300L}), {}, DISP_E_OVERFLOW, {3}},
    };
    ExpectReads<SArray<unsigned char>>(bytes);
    const ReadRow<short> booleans[] = {
        {"VT_BOOL values unchanged", Typed<SHORT>(VT_BOOL, {-1, 0, 1}), {}, Accepted, {-1, 0, 1}},
        {"scalar true", _variant_t(true), {1}, Accepted, {1, -1}},
        {"scalar VT_I2", _variant_t(short{3}), {1}, Refused, {1}},
        {"VT_ARRAY|VT_I2", Typed<SHORT>(VT_I2, {3}), {1}, Refused, {1}},
        {"variant array coerced to VT_I2", VariantArray({true, 7L}), {}, Accepted, {-1, 7}},
    };
    ExpectReads<SArray<short>>(booleans);
    const ReadRow<float> floats[] = {
        {"VT_R4", Typed<float>(VT_R4, {1.5f}), {9}, Accepted, {1.5f}},
        {"VT_ARRAY|VT_R8", DoubleArray({1}), {9}, Refused, {9}},
        {"variant rounds to nearest", VariantArray({0.1}), {}, Accepted, {0.1f}},
        {"variant beyond float range", VariantArray({1.0, 1e300}), {}, DISP_E_OVERFLOW, {1}},
    };
    ExpectReads<SArray<float>>(floats);
}

TEST(VectorReaders, IntegersAppendBitsOrCoerced) {
    const ReadRow<int> ints[] = {
        {"VT_I4 appended", Typed<LONG>(VT_I4, {1, 2, 3}), {9}, Accepted, {9, 1, 2, 3}},
        {"VT_UI4 bits", Typed<ULONG>(VT_UI4, {4294967295u}), {}, Accepted, {-1}},
        {"scalar VT_UINT", _variant_t(7u), {}, Accepted, {7}},
        SameWidthOverflow<int>(
            {"scalar VT_UI4 overflows", Raw(VT_UI4, 4294967295), {9}, DISP_E_OVERFLOW, {9}}, {9, -1}),
        {"null integer array is a scalar", Raw(VT_ARRAY | VT_INT), {9}, DISP_E_TYPEMISMATCH, {9}},
        {"variant array", VariantArray({2.5, OLESTR("-4")}), {9}, Accepted, {9, 2, -4}},
        {"bare VT_VARIANT", Raw(VT_VARIANT), {9}, Refused, {9}},
        {"scalar VT_I2", _variant_t(short{3}), {9}, Refused, {9}},
    };
    ExpectReads<std::vector<int>>(ints);
    const ReadRow<unsigned int> unsignedInts[] = {
        {"VT_I4 -1 bits", Typed<LONG>(VT_I4, {-1}), {}, Accepted, {4294967295u}},
        SameWidthOverflow<unsigned int>(
            {"scalar VT_I4 -1 overflows", _variant_t(-1L), {5}, DISP_E_OVERFLOW, {5}}, {5, 4294967295u}),
        SameWidthOverflow<unsigned int>(
            {"variant element -1 overflows", VariantArray({5L, -1L}), {}, DISP_E_OVERFLOW, {5}},
            {5, 4294967295u}),
    };
    ExpectReads<std::vector<unsigned int>>(unsignedInts);
    const ReadRow<long> longs[] = {
        {"VT_UINT sign-extended", Typed<UINT>(VT_UINT, {0xFFFFFFFFu}), {1}, Accepted, {1, -1}},
        {"variant VT_UI4", VariantArray({Raw(VT_UI4, 7)}), {}, Accepted, {7}},
    };
    ExpectReads<std::vector<long>>(longs);
}

TEST(VectorReaders, FloatAppendsSinglesAndReplacesWithDoubles) {
    const std::vector<float> five{1, 2, 3, 4, 5};
    const ReadRow<float> rows[] = {
        {"scalar VT_R8 replaces", _variant_t(0.1), five, Accepted, {0.1f}},
        {"scalar VT_R4 appends", _variant_t(6.0f), five, Accepted, {1, 2, 3, 4, 5, 6}},
        {"VT_R8 array narrowed",
         DoubleArray({1e300, -1e300, 0.5}),
         {1},
         Accepted,
         {INFINITY, -INFINITY, 0.5f}},
        {"VT_R8 array, lower bound 1", DoubleArray({1, 2, 3}, 1), {9}, Accepted, {1, 2}},
        {"empty VT_R8 array", DoubleArray({}), five, Refused, five},
        {"variant array coerced to VT_R4", VariantArray({0.1}), {1}, Accepted, {1, 0.1f}},
        {"scalar VT_I4", _variant_t(3L), {1}, Refused, {1}},
        {"bare VT_VARIANT", Raw(VT_VARIANT), {1}, Refused, {1}},
    };
    ExpectReads<std::vector<float>>(rows);
}

TEST(VectorReaders, DoublesBytesAndBooleans) {
    const ReadRow<double> doubles[] = {
        {"VT_R8 appended", DoubleArray({1, 2}), {9}, Accepted, {9, 1, 2}},
        {"VT_ARRAY|VT_R4", Typed<float>(VT_R4, {1}), {9}, Refused, {9}},
    };
    ExpectReads<std::vector<double>>(doubles);
    const std::byte one{1};
    const ReadRow<std::byte> bytes[] = {
        {"VT_UI1 appended",
         Typed<BYTE>(VT_UI1, {0, 255}),
         {one},
         Accepted,
         {one, std::byte{0}, std::byte{255}}},
        {"VT_ARRAY|VT_I1", Typed<CHAR>(VT_I1, {1}), {one}, Refused, {one}},
        {"scalar VT_UI1", _variant_t(BYTE{7}), {}, Accepted, {std::byte{7}}},
        {"scalar VT_I1", _variant_t('\x07'), {one}, Refused, {one}},
        {"variant 256 overflows", VariantArray({2L, 256L}), {}, DISP_E_OVERFLOW, {std::byte{2}}},
    };
    ExpectReads<std::vector<std::byte>>(bytes);
    const ReadRow<bool> booleans[] = {
        {"VT_BOOL", Typed<SHORT>(VT_BOOL, {-1, 0, -1, 0}), {}, Accepted, {true, false, true, false}},
        {"any non-zero element", Typed<SHORT>(VT_BOOL, {1, 2}), {false}, Accepted, {false, true, true}},
        {"scalar boolVal 1", Raw(VT_BOOL, 1), {}, Accepted, {true}},
        // Converted values count only as VARIANT_TRUE; taken as they stand, any non-zero value.
        {"variant array",
         VariantArray({Raw(VT_BOOL, 1), 2L, 0L, OLESTR("True")}),
         {},
         Accepted,
         {true, true, false, true}},
    };
    ExpectReads<std::vector<bool>>(booleans);
}

// Whether a reader did anything with a value: a true result or a changed target.
template <class Target, class Element>
bool ReadsAnything(const VARIANT& value) {
    Target target;
    Fill(target, {Element{1}});
    return ReadInto(value, target).value_or(false) || ContentOf(target) != std::vector<Element>{Element{1}};
}

TEST(Readers, RefuseMalformedArrays) {
    struct Shape {
        const char* name;
        std::vector<SAFEARRAYBOUND> bounds;
        ULONG widthFactor = 1;
    };
    const Shape shapes[] = {
        {"no elements", {{0, 0}}},
        {"lower bound equal to the count", {{5, 5}}},
        {"lower bound above the count", {{5, 7}}},
        {"negative lower bound", {{5, -1}}},
        {"two dimensions", {{2, 0}, {2, 0}}},
        {"cbElements lying", {{5, 0}}, 2},
    };
    struct Row {
        const char* reader;
        std::vector<VARTYPE> arrayTypes;
        bool (*read)(const VARIANT&);
    };
    const Row readers[] = {
        {"SArray<unsigned char>", {VT_UI1, VT_I1}, ReadsAnything<SArray<unsigned char>, unsigned char>},
        {"SArray<short>", {VT_BOOL}, ReadsAnything<SArray<short>, short>},
        {"SArray<long>", {VT_I4, VT_UI4, VT_INT, VT_UINT}, ReadsAnything<SArray<long>, long>},
        {"SArray<float>", {VT_R4}, ReadsAnything<SArray<float>, float>},
        {"SArray<double>", {VT_R8}, ReadsAnything<SArray<double>, double>},
        {"vector<int>", {VT_I4, VT_UINT}, ReadsAnything<std::vector<int>, int>},
        {"vector<unsigned int>", {VT_UI4, VT_INT}, ReadsAnything<std::vector<unsigned int>, unsigned int>},
        {"vector<long>", {VT_I4}, ReadsAnything<std::vector<long>, long>},
        {"vector<float>", {VT_R4, VT_R8}, ReadsAnything<std::vector<float>, float>},
        {"vector<double>", {VT_R8}, ReadsAnything<std::vector<double>, double>},
        {"vector<std::byte>", {VT_UI1}, ReadsAnything<std::vector<std::byte>, std::byte>},
        {"vector<bool>", {VT_BOOL}, ReadsAnything<std::vector<bool>, bool>},
    };
    for (const Row& reader : readers) {
        std::vector<VARTYPE> types = reader.arrayTypes;
        types.push_back(VT_VARIANT);
        for (const VARTYPE type : types) {
            for (const Shape& shape : shapes) {
                SCOPED_TRACE(testing::Message()
                             << reader.reader << ", element type " << type << ", " << shape.name);
                SAFEARRAY* array = SafeArrayCreate(type, static_cast<UINT>(shape.bounds.size()),
                                                   const_cast<SAFEARRAYBOUND*>(shape.bounds.data()));
                ASSERT_NE(array, nullptr);
                _variant_t value =
                    Raw(static_cast<VARTYPE>(VT_ARRAY | type), reinterpret_cast<LONGLONG>(array));
                array->cbElements *= shape.widthFactor;
                EXPECT_FALSE(reader.read(value));
                array->cbElements /= shape.widthFactor;
                ExpectUnlocked(value);
            }
        }
        EXPECT_FALSE(reader.read(Raw(VT_ARRAY | VT_VARIANT))) << reader.reader << ": null variant array";
    }
}

TEST(SArrayReaders, TypedArrayChangesCapacityOnlyWhenShort) {
    SArray<double> doubles;
    SArray<long> longs;
    ASSERT_TRUE(CopyVariantToSArray(OwnedArray(VT_R8, std::vector<double>(1000, 0.5)), doubles));
    ASSERT_TRUE(CopyVariantToSArray(OwnedArray(VT_I4, std::vector<LONG>(1000, -1)), longs));
    EXPECT_EQ(doubles.Capacity(), 1000u);
    EXPECT_EQ(longs.Capacity(), 1000u);
    EXPECT_EQ(longs[999], -1);
    const double* block = doubles.Data();
    ASSERT_TRUE(CopyVariantToSArray(DoubleArray({1, 2, 3}), doubles));
    EXPECT_EQ(doubles.Capacity(), 1000u);
    EXPECT_EQ(doubles.Data(), block);
    EXPECT_EQ(doubles.Count(), 3u);
}

TEST(VectorReaders, ReserveTheCountOnce) {
    for (const _variant_t& source : {OwnedArray(VT_R8, std::vector<double>(1000, 0.5)),
                                     VariantArray(std::vector<_variant_t>(1000, 0.5))}) {
        std::vector<double> target;
        CopyVariantToVector(source, target);
        EXPECT_EQ(target.size(), 1000u);
        EXPECT_EQ(target.capacity(), 1000u);
    }
}

#if __has_include(<FaultInjection.h>)
using FaultInjection::Operation;

Arm Failing(Operation operation) {
    return [operation] { return std::make_shared<FaultInjection::PlannedFailure>(operation, 0); };
}

TEST(SArrayReaders, GrowthFailureByExceptionMode) {
    // Every target starts full, four doubles in four slots: appending grows it, a longer typed array
    // needs more.
    const std::vector<double> full{1, 2, 3, 4};
    const ReadRow<double> withoutExceptions[] = {
        {"typed array beyond the capacity", DoubleArray({5, 6, 7, 8, 9}), full, Refused, {}},
        {"typed array within the capacity", DoubleArray({5, 6}), full, Accepted, {5, 6}},
        // A failed growth empties the array, so the next elements find room.
        {"variant array", VariantArray({5.0, 6.0, 7.0}), full, Accepted, {6, 7}},
        {"scalar", _variant_t(5.0), full, Refused, {}},
    };
    const ReadRow<double> withExceptions[] = {
        {"typed array beyond the capacity", DoubleArray({5, 6, 7, 8, 9}), full, BadAlloc, {}},
        {"variant array", VariantArray({5.0, 6.0, 7.0}), full, BadAlloc, full},
        {"scalar", _variant_t(5.0), full, BadAlloc, full},
    };
    {
        const ScopedExceptionMode mode(false);
        ExpectReads<SArray<double>>(withoutExceptions, Failing(Operation::AlignedAllocation));
    }
    const ScopedExceptionMode mode(true);
    ExpectReads<SArray<double>>(withExceptions, Failing(Operation::AlignedAllocation));
}

// The result of the array forms is whether the access was released; the scalar's is the append's.
TEST(Readers, ReportTheDataAccess) {
    const ReadRow<double> withoutAccess[] = {
        {"typed array", DoubleArray({5, 6}), {1}, Refused, {1}},
        {"variant array", VariantArray({5.0}), {1}, Refused, {1}},
    };
    ExpectReads<SArray<double>>(withoutAccess, Failing(Operation::SafeArrayAccessData));
    const ReadRow<int> vectorWithoutAccess[] = {
        {"typed array", Typed<LONG>(VT_I4, {5}), {1}, Refused, {1}},
        {"variant array", VariantArray({5L}), {1}, Refused, {1}},
    };
    ExpectReads<std::vector<int>>(vectorWithoutAccess, Failing(Operation::SafeArrayAccessData));
    const ReadRow<double> failedRelease[] = {
        {"typed array", DoubleArray({5, 6}), {1}, Refused, {5, 6}},
        {"variant array", VariantArray({5.0}), {1}, Refused, {1, 5}},
        {"scalar", _variant_t(5.0), {1}, Accepted, {1, 5}},
    };
    ExpectReads<SArray<double>>(failedRelease, Failing(Operation::SafeArrayUnaccessData));
}
#endif

} // namespace
