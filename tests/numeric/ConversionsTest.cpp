#include <WindowsUtils.h>

#include "support/ArrayValues.h"
#include "support/Platform.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <functional>
#include <memory>
#include <optional>
#include <ranges>

#if __has_include(<FaultInjection.h>)
#include <FaultInjection.h>
#endif

using namespace TestSupport;

namespace {

constexpr HRESULT Accepted = S_OK;          // true; a vector reader took the value
constexpr HRESULT Refused = S_FALSE;        // false; a vector reader left the target
constexpr HRESULT BadAlloc = E_OUTOFMEMORY; // std::bad_alloc; any other failure is the _com_error's

// Makes a platform operation fail while the object it returns lives.
using Arm = std::function<std::shared_ptr<void>()>;

// Elements are written as doubles, which hold every value of the readers' element types exactly.
struct ReadRow {
    const char* form;
    _variant_t source;
    std::vector<double> before;
    HRESULT outcome;
    std::vector<double> after;
    Arm arm = {};
};

template <class Stored>
_variant_t Typed(VARTYPE elementType, std::initializer_list<Stored> values, LONG lowerBound = 0) {
    return OwnedArray(elementType, std::vector<Stored>(values), lowerBound);
}

_variant_t Raw(VARTYPE vt, LONGLONG bits = 0) {
    VARIANT value{};
    value.vt = vt;
    value.llVal = bits;
    return _variant_t(value, false);
}

// Wine copies the bits between signed and unsigned integers of one width; Windows reports an overflow.
ReadRow Overflow(ReadRow row, std::vector<double> underWine) {
    return RunningUnderWine() ? ReadRow{row.form, row.source, row.before, Accepted, underWine} : row;
}

template <class Container, class Element>
void Append(Container& target, Element value) {
    if constexpr (requires { target.push_back(value); })
        target.push_back(value);
    else
        ASSERT_TRUE(target.Add(value));
}

template <template <class...> class Container, class Element>
void ExpectReads(std::initializer_list<ReadRow> rows) {
    for (const ReadRow& row : rows) {
        SCOPED_TRACE(row.form);
        Container<Element> target;
        for (const double value : row.before)
            Append(target, static_cast<Element>(value));
        const std::shared_ptr<void> failure = row.arm ? row.arm() : nullptr;
        const auto read = [&] {
            if constexpr (requires { CopyVariantToSArray(row.source, target); })
                return std::optional<bool>(CopyVariantToSArray(row.source, target));
            else
                return CopyVariantToVector(row.source, target), std::optional<bool>();
        };
        if (row.outcome == BadAlloc) {
            EXPECT_THROW(read(), std::bad_alloc);
        } else if (FAILED(row.outcome)) {
            ExpectComError(row.outcome, read);
        } else if (const std::optional<bool> result = read()) {
            EXPECT_EQ(*result, row.outcome == Accepted);
        }
        const auto after =
            target | std::views::transform([](auto element) { return static_cast<double>(element); });
        EXPECT_EQ(std::vector<double>(after.begin(), after.end()), row.after);
        ExpectUnlocked(row.source);
    }
}

#if __has_include(<FaultInjection.h>)
using FaultInjection::Operation;

Arm Failing(Operation operation, bool exceptions = false) {
    return [=] {
        return std::make_shared<std::pair<ScopedExceptionMode, FaultInjection::PlannedFailure>>(
            std::piecewise_construct, std::forward_as_tuple(exceptions), std::forward_as_tuple(operation, 0));
    };
}

const Arm noRoom = Failing(Operation::AlignedAllocation);
const Arm noRoomRaises = Failing(Operation::AlignedAllocation, true);
const Arm noAccess = Failing(Operation::SafeArrayAccessData);
const Arm releaseFails = Failing(Operation::SafeArrayUnaccessData);
#endif

// A failed growth empties an SArray (later elements find room); array forms report the access's release.
TEST(Readers, FormsInOrder) {
    const std::vector<double> full{1, 2, 3, 4};
    ExpectReads<SArray, double>({
        {"typed, 4 of 5 from 1", DoubleArray({1, 2, 3, 4, 5}, 1), {9, 9, 9, 9, 9}, Accepted, {1, 2, 3, 4}},
        {"scalar appends", _variant_t(2.5), {1}, Accepted, {1, 2.5}},
        {"variants", VariantArray({3L, 2.5f, true, OLESTR("x")}), {7}, DISP_E_TYPEMISMATCH, {7, 3, 2.5, -1}},
        {"VT_ARRAY|VT_R4", Typed<float>(VT_R4, {1}), {4}, Refused, {4}},
        {"VT_BYREF|VT_R8", Raw(VT_BYREF | VT_R8, reinterpret_cast<LONGLONG>(full.data())), {4}, Refused, {4}},
        {"null typed array", Raw(VT_ARRAY | VT_R8), {4}, Refused, {4}},
        {"null variant array", Raw(VT_ARRAY | VT_VARIANT), {4}, Refused, {4}},
        {"variants in two dimensions", TwoDimensionalArray(VT_VARIANT, 2, 2), {4}, Refused, {4}},
    });
#if __has_include(<FaultInjection.h>)
    ExpectReads<SArray, double>({
        {"typed, no room", DoubleArray({5, 6, 7, 8, 9}), full, Refused, {}, noRoom},
        {"variants, no room", VariantArray({5.0, 6.0, 7.0}), full, Accepted, {6, 7}, noRoom},
        {"scalar, no room", _variant_t(5.0), full, Refused, {}, noRoom},
        {"typed, no room raises", DoubleArray({5, 6, 7, 8, 9}), full, BadAlloc, {}, noRoomRaises},
        {"variants, no room raises", VariantArray({5.0}), full, BadAlloc, full, noRoomRaises},
        {"typed, no access", DoubleArray({5, 6}), {1}, Refused, {1}, noAccess},
        {"typed, release fails", DoubleArray({5, 6}), {1}, Refused, {5, 6}, releaseFails},
    });
#endif
    ExpectReads<SArray, long>({
        {"VT_UI4 bits, sign-extended", Typed<ULONG>(VT_UI4, {4294967295u, 7}), {9}, Accepted, {-1, 7}},
        Overflow({"scalar VT_UI4", Raw(VT_UI4, 4294967295), {1}, DISP_E_OVERFLOW, {1}}, {1, -1}),
        {"null array is a scalar", Raw(VT_ARRAY | VT_UINT), {1}, DISP_E_TYPEMISMATCH, {1}},
        {"VT_INT from lower bound 2 of 1", Typed<INT>(VT_INT, {1}, 2), {1}, Refused, {1}},
        {"variants round to even", VariantArray({2.5, OLESTR("12")}), {}, Accepted, {2, 12}},
        {"bare VT_VARIANT", Raw(VT_VARIANT), {1}, Refused, {1}},
    });
    ExpectReads<SArray, unsigned char>({
        {"VT_I1 bits", Typed<CHAR>(VT_I1, {-1, 5}), {9}, Accepted, {255, 5}},
        {"scalar VT_UI1", _variant_t(BYTE{200}), {1}, Accepted, {1, 200}},
        Overflow({"scalar VT_I1", _variant_t('\xff'), {1}, DISP_E_OVERFLOW, {1}}, {1, 255}),
        {"variant 300", VariantArray({3L, 300L}), {}, DISP_E_OVERFLOW, {3}},
    });
    ExpectReads<SArray, short>({
        {"VT_BOOL values kept", Typed<SHORT>(VT_BOOL, {-1, 0, 1}), {}, Accepted, {-1, 0, 1}},
        {"scalar true", _variant_t(true), {1}, Accepted, {1, -1}},
        {"scalar VT_I2", _variant_t(short{3}), {1}, Refused, {1}},
        {"variants as VT_I2", VariantArray({true, 7L}), {}, Accepted, {-1, 7}},
    });
    ExpectReads<SArray, float>({
        {"VT_R4", Typed<float>(VT_R4, {1.5f}), {9}, Accepted, {1.5f}},
        {"variant beyond float range", VariantArray({0.1, 1e300}), {}, DISP_E_OVERFLOW, {0.1f}},
    });
    ExpectReads<std::vector, int>({
        {"VT_I4 appended", Typed<LONG>(VT_I4, {1, 2, 3}), {9}, Accepted, {9, 1, 2, 3}},
        {"null array is a scalar", Raw(VT_ARRAY | VT_INT), {9}, DISP_E_TYPEMISMATCH, {9}},
        {"variants", VariantArray({2.5, OLESTR("-4")}), {9}, Accepted, {9, 2, -4}},
        {"variants from lower bound -1", VariantArray({1L}, -1), {9}, Refused, {9}},
    });
    ExpectReads<std::vector, unsigned int>({
        {"VT_I4 bits", Typed<LONG>(VT_I4, {-1}), {}, Accepted, {4294967295u}},
        Overflow({"scalar -1", _variant_t(-1L), {5}, DISP_E_OVERFLOW, {5}}, {5, 4294967295u}),
    });
    ExpectReads<std::vector, long>({{"VT_UINT", Typed<UINT>(VT_UINT, {~0u}), {1}, Accepted, {1, -1}}});
    const std::vector<double> five{1, 2, 3, 4, 5};
    ExpectReads<std::vector, float>({
        {"scalar VT_R8 replaces", _variant_t(0.1), five, Accepted, {0.1f}},
        {"scalar VT_R4 appends", _variant_t(6.0f), five, Accepted, {1, 2, 3, 4, 5, 6}},
        {"VT_R8 narrowed", DoubleArray({1e300, -1e300, 0.5}), {1}, Accepted, {INFINITY, -INFINITY, 0.5}},
        {"empty VT_R8", DoubleArray({}), five, Refused, five},
        {"variants as VT_R4 appended", VariantArray({0.1}), {1}, Accepted, {1, 0.1f}},
    });
    ExpectReads<std::vector, double>({{"VT_R8 appended", DoubleArray({1, 2}), {9}, Accepted, {9, 1, 2}}});
    ExpectReads<std::vector, std::byte>({
        {"VT_UI1 appended", Typed<BYTE>(VT_UI1, {255}), {1}, Accepted, {1, 255}},
        {"VT_ARRAY|VT_I1", Typed<CHAR>(VT_I1, {1}), {1}, Refused, {1}},
        {"variant 256", VariantArray({2L, 256L}), {}, DISP_E_OVERFLOW, {2}},
    });
    ExpectReads<std::vector, bool>({
        {"VT_BOOL", Typed<SHORT>(VT_BOOL, {-1, 0, 2}), {0}, Accepted, {0, 1, 0, 1}},
        {"variants", VariantArray({Raw(VT_BOOL, 1), 2L, 0L}), {}, Accepted, {1, 1, 0}},
    });
    // A typed array changes an SArray's capacity only when it is short; a vector reserves the count once.
    SArray<double> doubles;
    ASSERT_TRUE(CopyVariantToSArray(OwnedArray(VT_R8, std::vector<double>(1000, 0.5)), doubles));
    const double* block = doubles.Data();
    ASSERT_TRUE(CopyVariantToSArray(DoubleArray({1, 2, 3}), doubles));
    EXPECT_EQ(doubles.Capacity(), 1000u);
    EXPECT_EQ(doubles.Data(), block);
    std::vector<double> target;
    CopyVariantToVector(VariantArray(std::vector<_variant_t>(1000, 0.5)), target);
    EXPECT_EQ(target.capacity(), 1000u);
}

// Writes the values, or none when `empty`; the result, or nothing for the writers without one.
template <template <class...> class Container, class Element>
std::function<std::optional<bool>(VARIANT&, bool)> Writer(std::vector<Element> values) {
    return [values](VARIANT& target, bool empty) -> std::optional<bool> {
        Container<Element> source;
        for (std::size_t index = 0; index < (empty ? 0 : values.size()); ++index)
            Append(source, static_cast<Element>(values[index]));
        if constexpr (requires { CopySArrayToVariant(source, target); })
            return CopySArrayToVariant(source, target);
        else if constexpr (requires { static_cast<bool>(CopyVectorToVariant(source, target)); })
            return CopyVectorToVariant(source, target);
        else
            return CopyVectorToVariant(source, target), std::nullopt;
    };
}

// A target that held a string is overwritten without releasing it, and left as it was for an empty
// source (as for a failed creation). Under the stand-ins, a failed put only leaves its element at zero.
TEST(Writers, FreshArrayOutput) {
    const std::pair<std::function<std::optional<bool>(VARIANT&, bool)>, _variant_t> rows[] = {
        {Writer<SArray, short>({1, -1, 0}), Typed<SHORT>(VT_BOOL, {1, -1, 0})},
        {Writer<SArray, unsigned>({4294967295u, 0}), Typed<ULONG>(VT_UI4, {4294967295u, 0})},
        {Writer<SArray, long>({-1, INT32_MIN, 7}), Typed<LONG>(VT_I4, {-1, INT32_MIN, 7})},
        {Writer<SArray, float>({0.1f, -2}), Typed<float>(VT_R4, {0.1f, -2})},
        {Writer<SArray, double>({0.1, 1e300}), Typed<double>(VT_R8, {0.1, 1e300})},
        {Writer<SArray, long long>({INT64_MIN, 1}), Typed<LONGLONG>(VT_I8, {INT64_MIN, 1})},
        {Writer<std::vector, double>({2.5, -0.0}), Typed<double>(VT_R8, {2.5, -0.0})},
        {Writer<std::vector, bool>({true, false, true}), Typed<SHORT>(VT_BOOL, {-1, 0, -1})},
        {Writer<std::vector, unsigned char>({0, 255}), Typed<BYTE>(VT_UI1, {0, 255})},
        {Writer<std::vector, int>({-1, 2}), Typed<LONG>(VT_I4, {-1, 2})},
        {Writer<std::vector, long>({INT32_MIN, 3}), Typed<LONG>(VT_I4, {INT32_MIN, 3})},
    };
    for (const auto& [write, expected] : rows) {
        SCOPED_TRACE(testing::Message() << "writer of vt " << expected.vt);
        VARIANT target{};
        target.vt = VT_BSTR;
        const BSTR held = target.bstrVal = SysAllocString(OLESTR("held"));
        EXPECT_NE(write(target, true), std::optional<bool>(true));
        EXPECT_TRUE(target.vt == VT_BSTR && target.bstrVal == held) << "changed for an empty source";
        EXPECT_NE(write(target, false), std::optional<bool>(false));
        SysFreeString(held);
        ASSERT_EQ(target.vt, expected.vt);
        const auto* data = static_cast<const unsigned char*>(expected.parray->pvData);
        std::vector<unsigned char> bytes(data, data + expected.parray->rgsabound[0].cElements *
                                                          expected.parray->cbElements);
#if __has_include(<FaultInjection.h>)
        VariantClear(&target);
        const FaultInjection::PlannedFailure failure(Operation::SafeArrayPutElement, 1);
        EXPECT_NE(write(target, false), std::optional<bool>(false));
        EXPECT_TRUE(failure.Happened());
        std::fill_n(bytes.begin() + expected.parray->cbElements, expected.parray->cbElements, 0);
#endif
        const SAFEARRAY& array = *target.parray;
        EXPECT_TRUE(array.cDims == 1 && array.rgsabound[0].lLbound == 0) << "not a vector from 0";
        ASSERT_EQ(array.rgsabound[0].cElements * array.cbElements, bytes.size());
        EXPECT_EQ(std::memcmp(array.pvData, bytes.data(), bytes.size()), 0);
        VariantClear(&target);
    }
}

} // namespace
