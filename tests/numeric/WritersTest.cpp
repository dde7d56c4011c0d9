#include <WindowsUtils.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <functional>
#include <optional>
#include <type_traits>

#if __has_include(<FaultInjection.h>)
#include <FaultInjection.h>
#endif

namespace {

// Writes the row's values, or none when `empty`; the result, or nothing for the writers without one.
using Write = std::function<std::optional<bool>(VARIANT& target, bool empty)>;

template <class Element>
Write FromSArray(std::vector<Element> values) {
    return [values](VARIANT& target, bool empty) -> std::optional<bool> {
        SArray<Element> source;
        for (const Element& value : empty ? std::vector<Element>{} : values)
            source.Add(value);
        return CopySArrayToVariant(source, target);
    };
}

template <class Element>
Write FromVector(std::vector<Element> values) {
    return [values](VARIANT& target, bool empty) -> std::optional<bool> {
        const std::vector<Element> source = empty ? std::vector<Element>{} : values;
        if constexpr (std::is_void_v<decltype(CopyVectorToVariant(source, target))>) {
            CopyVectorToVariant(source, target);
            return std::nullopt;
        } else {
            return CopyVectorToVariant(source, target);
        }
    };
}

template <class Stored>
std::vector<unsigned char> Bytes(std::initializer_list<Stored> values) {
    std::vector<unsigned char> bytes(values.size() * sizeof(Stored));
    std::memcpy(bytes.data(), std::data(values), bytes.size());
    return bytes;
}

struct Row {
    const char* writer;
    Write write;
    VARTYPE elementType;
    std::vector<unsigned char> stored;
};

const Row rows[] = {
    {"SArray<short>", FromSArray<short>({1, -1, 0}), VT_BOOL, Bytes<SHORT>({1, -1, 0})},
    {"SArray<unsigned int>", FromSArray<unsigned int>({4294967295u, 0}), VT_UI4,
     Bytes<ULONG>({4294967295u, 0})},
    {"SArray<long>", FromSArray<long>({-1, INT32_MIN, 7}), VT_I4, Bytes<LONG>({-1, INT32_MIN, 7})},
    {"SArray<float>", FromSArray<float>({0.1f, -2}), VT_R4, Bytes<float>({0.1f, -2})},
    {"SArray<double>", FromSArray<double>({0.1, 1e300}), VT_R8, Bytes<double>({0.1, 1e300})},
    {"SArray<long long>", FromSArray<long long>({INT64_MIN, 1}), VT_I8, Bytes<LONGLONG>({INT64_MIN, 1})},
    {"vector<double>", FromVector<double>({2.5, -0.0}), VT_R8, Bytes<double>({2.5, -0.0})},
    {"vector<bool>", FromVector<bool>({true, false, true}), VT_BOOL,
     Bytes<VARIANT_BOOL>({VARIANT_TRUE, VARIANT_FALSE, VARIANT_TRUE})},
    {"vector<unsigned char>", FromVector<unsigned char>({0, 255}), VT_UI1, Bytes<BYTE>({0, 255})},
    {"vector<int>", FromVector<int>({-1, 2}), VT_I4, Bytes<LONG>({-1, 2})},
    {"vector<long>", FromVector<long>({INT32_MIN, 3}), VT_I4, Bytes<LONG>({INT32_MIN, 3})},
};

// The target held a string: it is overwritten, not released (the string is freed here, once).
TEST(Writers, PutEveryElementIntoAFreshArray) {
    for (const Row& row : rows) {
        SCOPED_TRACE(row.writer);
        VARIANT target;
        VariantInit(&target);
        target.vt = VT_BSTR;
        target.bstrVal = SysAllocString(OLESTR("held"));
        const BSTR held = target.bstrVal;
        const std::optional<bool> result = row.write(target, false);
        EXPECT_NE(result, std::optional<bool>(false));
        SysFreeString(held);
        ASSERT_EQ(target.vt, VT_ARRAY | row.elementType);
        const SAFEARRAY& array = *target.parray;
        EXPECT_EQ(array.cDims, 1u);
        EXPECT_EQ(array.rgsabound[0].lLbound, 0);
        EXPECT_EQ(array.cLocks, 0u);
        ASSERT_EQ(array.rgsabound[0].cElements * array.cbElements, row.stored.size());
        EXPECT_EQ(std::memcmp(array.pvData, row.stored.data(), row.stored.size()), 0);
        VariantClear(&target);
    }
}

// An empty source leaves the target, an array here, as it was.
TEST(Writers, LeaveTheTargetForAnEmptySource) {
    for (const Row& row : rows) {
        SCOPED_TRACE(row.writer);
        VARIANT target;
        VariantInit(&target);
        target.vt = VT_ARRAY | VT_R8;
        target.parray = SafeArrayCreateVector(VT_R8, 0, 2);
        SAFEARRAY* const held = target.parray;
        EXPECT_NE(row.write(target, true), std::optional<bool>(true));
        EXPECT_EQ(target.vt, VT_ARRAY | VT_R8);
        EXPECT_EQ(target.parray, held);
        VariantClear(&target);
    }
}

#if __has_include(<FaultInjection.h>)
using FaultInjection::Operation;
using FaultInjection::PlannedFailure;

// A failed creation leaves the target as it was; a failed put only leaves its element at zero.
TEST(Writers, ReportTheCreationNotThePuts) {
    for (const Row& row : rows) {
        SCOPED_TRACE(row.writer);
        VARIANT target;
        VariantInit(&target);
        {
            const PlannedFailure failure(Operation::SafeArrayAllocation, 0);
            EXPECT_NE(row.write(target, false), std::optional<bool>(true));
            EXPECT_TRUE(failure.Happened());
        }
        EXPECT_EQ(target.vt, VT_EMPTY);
        {
            const PlannedFailure failure(Operation::SafeArrayPutElement, 1);
            EXPECT_NE(row.write(target, false), std::optional<bool>(false));
            EXPECT_TRUE(failure.Happened());
        }
        ASSERT_EQ(target.vt, VT_ARRAY | row.elementType);
        std::vector<unsigned char> expected = row.stored;
        const ULONG width = target.parray->cbElements;
        std::fill_n(expected.begin() + width, width, 0);
        EXPECT_EQ(std::memcmp(target.parray->pvData, expected.data(), expected.size()), 0);
        VariantClear(&target);
    }
}
#endif

} // namespace
