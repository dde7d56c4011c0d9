#include <WindowsUtilsHostKit.h>

#include <gtest/gtest.h>

#include "support/ArrayValues.h"
#include "support/CountingObject.h"

#include <stdexcept>
#include <string>
#include <tuple>

using namespace HostKit;
using TestSupport::DoubleArray;
using TestSupport::OwnedArray;
using TestSupport::TwoDimensionalArray;
using TestSupport::VariantArray;

namespace {

std::string Text(BSTR text) {
    return text == nullptr ? "<null>" : std::string(text, text + SysStringLen(text));
}

// "Double:1.5|Boolean:-1|String:a": each element's type and value, as a script would list them.
std::string Listed(const VARIANT& array) {
    std::string listed = std::to_string(array.vt) + "/" + std::to_string(SafeArrayGetDim(array.parray)) + ":";
    LONG lower = 0, upper = 0;
    SafeArrayGetLBound(array.parray, 1, &lower);
    SafeArrayGetUBound(array.parray, 1, &upper);
    for (LONG index = lower; index <= upper; ++index) {
        _variant_t element;
        SafeArrayGetElement(array.parray, &index, &element);
        const VARTYPE type = element.vt;
        element.ChangeType(VT_BSTR);
        listed += (index > lower ? "|" : "") + std::to_string(type) + ":" + Text(element.bstrVal);
    }
    return listed;
}

} // namespace

// A writer's output as a script gets it: typed arrays widened, nothing written as an empty array.
TEST(ScriptResult, WidensWhatTheWritersProduce) {
    const std::tuple<const char*, _variant_t, std::string> rows[] = {
        {"doubles", DoubleArray({1.5, -2}), "8204/1:5:1.5|5:-2"},
        {"booleans", OwnedArray(VT_BOOL, std::vector<VARIANT_BOOL>{VARIANT_TRUE, VARIANT_FALSE}),
         "8204/1:11:-1|11:0"},
        {"longs", OwnedArray(VT_I4, std::vector<LONG>{-7, 40000}), "8204/1:3:-7|3:40000"},
        {"singles", OwnedArray(VT_R4, std::vector<float>{0.25f}), "8204/1:4:0.25"},
        {"bytes", OwnedArray(VT_UI1, std::vector<BYTE>{255}), "8204/1:17:255"},
        {"texts", OwnedArray(VT_BSTR, std::vector<BSTR>{SysAllocString(OLESTR("a")), nullptr}),
         "8204/1:8:a|8:"},
        {"nothing written", _variant_t(), "8204/1:"},
        {"an empty array", DoubleArray({}), "8204/1:"},
    };
    for (const auto& [name, written, listed] : rows)
        EXPECT_EQ(Listed(ScriptResult(_variant_t(written))), listed) << name;
}

// A VARIANT array is handed on as it is, a scalar too; what a VARIANT cannot hold is refused.
TEST(ScriptResult, PassesOnWhatAScriptCanUseAndRefusesTheRest) {
    _variant_t values = VariantArray({1.0, OLESTR("x")});
    SAFEARRAY* array = values.parray;
    _variant_t passed = ScriptResult(std::move(values));
    EXPECT_EQ(std::tuple(passed.vt, passed.parray), std::tuple(VARTYPE{VT_ARRAY | VT_VARIANT}, array));
    EXPECT_EQ(ScriptResult(_variant_t(2.5)).dblVal, 2.5);

    CountingObject object;
    {
        IDispatch* objects[] = {&object};
        object.AddRef(); // the typed array's own
        _variant_t widened = ScriptResult(OwnedArray(VT_DISPATCH, objects, 1));
        EXPECT_EQ(object.references(), 2); // the widened array's element; the typed one gave its own back
    }
    EXPECT_EQ(object.references(), 1);

    const std::tuple<const char*, _variant_t> refused[] = {
        {"a table", TwoDimensionalArray(VT_R8, 2, 2)},
        {"decimals", OwnedArray(VT_DECIMAL, std::vector<DECIMAL>(1))},
    };
    for (const auto& [name, written] : refused) {
        try {
            ScriptResult(_variant_t(written));
            ADD_FAILURE() << name << ": widened";
        } catch (const _com_error& error) {
            EXPECT_EQ(error.Error(), DISP_E_BADVARTYPE) << name;
        }
    }
}

// The exception in flight as Invoke's result: scode always set, the source and a description for the
// script author; without an EXCEPINFO the code itself.
TEST(ReportCurrentException, EveryExceptionBecomesAnAutomationError) {
    using Raise = void (*)();
    const std::tuple<const char*, Raise, HRESULT, std::string> rows[] = {
        {"refusal", [] { throw Refusal(OLESTR("Points expects three numbers")); },
         static_cast<HRESULT>(0x80040201), "Points expects three numbers"},
        {"type mismatch", [] { throw _com_error(DISP_E_TYPEMISMATCH); }, DISP_E_TYPEMISMATCH,
         "Points failed: a value has no form of the type needed (type mismatch) (0x80020005)"},
        {"overflow", [] { throw _com_error(DISP_E_OVERFLOW); }, DISP_E_OVERFLOW,
         "Points failed: a value lies outside the range of the type needed (overflow) (0x8002000A)"},
        {"memory", [] { throw std::bad_alloc(); }, E_OUTOFMEMORY, "Points ran out of memory"},
        {"anything else", [] { throw std::runtime_error("?"); }, E_UNEXPECTED, "Points failed unexpectedly"},
    };
    const auto report = [](Raise raise, EXCEPINFO* exception) {
        try {
            raise();
        } catch (...) {
            return ReportCurrentException(exception, OLESTR("Demo.Host"), OLESTR("Points"));
        }
        return S_OK;
    };
    for (const auto& [name, raise, code, description] : rows) {
        EXPECT_EQ(report(raise, nullptr), code) << name;
        EXCEPINFO exception{};
        const HRESULT result = report(raise, &exception);
        EXPECT_EQ(std::tuple(result, exception.scode, exception.wCode, Text(exception.bstrSource),
                             Text(exception.bstrDescription)),
                  std::tuple(DISP_E_EXCEPTION, code, WORD{0}, std::string("Demo.Host"), description))
            << name;
        SysFreeString(exception.bstrSource);
        SysFreeString(exception.bstrDescription);
    }
}

// The strong guarantee: a read that raises or refuses leaves the host's data as it was.
TEST(ReadWhole, KeepsTheOutputUnlessTheWholeReadSucceeds) {
    _variant_t withText = VariantArray({1.0, 2.0, OLESTR("x")});
    _variant_t numbers = VariantArray({3.0, 4.0});
    _variant_t table = TwoDimensionalArray(VT_R8, 2, 2);
    std::vector<double> kept{9};
    EXPECT_THROW(ReadWhole(kept, [&](std::vector<double>& fresh) { CopyVariantToVector(withText, fresh); }),
                 _com_error);
    EXPECT_EQ(kept, std::vector<double>{9});
    std::vector<MbCartPoint3D> points{{1, 2, 3}};
    EXPECT_FALSE(
        ReadWhole(points, [&](auto& fresh) { return FillMbCartPoint3DVector(table, fresh, nullptr); }));
    EXPECT_EQ(points.size(), 1u);
    EXPECT_TRUE(ReadWhole(kept, [&](std::vector<double>& fresh) { CopyVariantToVector(numbers, fresh); }));
    EXPECT_EQ(kept, (std::vector<double>{9, 3, 4})); // the vector reader appends
}
