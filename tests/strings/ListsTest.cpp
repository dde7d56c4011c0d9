#include <WindowsUtils.h>

#include "support/ArrayValues.h"
#include "support/CountingObject.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

#if __has_include(<FaultInjection.h>)
#include <FaultInjection.h>
#endif

using namespace TestSupport;

namespace {

// nullopt stands for a null BSTR or a string without text buffer.
using Text = std::optional<WideString>;
const Text none;
const Text a = OLESTR("a"), b = OLESTR("b");
const Text bc = WideString(OLESTR("b\0c"), 3);
const Text empty = WideString();

// Makes a platform operation fail while the object it returns lives.
using Arm = std::function<std::shared_ptr<void>()>;

#if __has_include(<FaultInjection.h>)
using enum FaultInjection::Operation;

Arm Failing(FaultInjection::Operation operation, long successes = 0) {
    return [=] { return std::make_shared<FaultInjection::PlannedFailure>(operation, successes); };
}
#endif

// Every character of each text, embedded NULs included; none gives a null BSTR.
_variant_t BstrArray(const std::vector<Text>& texts, LONG lowerBound = 0) {
    VARIANT value{};
    value.vt = VT_ARRAY | VT_BSTR;
    value.parray = SafeArrayCreateVector(VT_BSTR, lowerBound, static_cast<ULONG>(texts.size()));
    for (std::size_t index = 0; index < texts.size(); ++index)
        if (const Text& text = texts[index])
            static_cast<BSTR*>(value.parray->pvData)[index] = SysAllocStringLen(text->data(), text->size());
    return _variant_t(value, false);
}

// A VARIANT of the given vt, all else zero.
_variant_t Raw(VARTYPE vt) {
    VARIANT value{};
    value.vt = vt;
    return _variant_t(value, false);
}

Text TextOf(BSTR text) {
    return text != nullptr ? Text(WideString(text, SysStringLen(text))) : std::nullopt;
}
Text TextOf(const old::string& string) {
    return string.Text() != nullptr ? Text(WideString(string.Text(), string.Length())) : std::nullopt;
}

// S_OK for true, S_FALSE for false, or the HRESULT of the _com_error raised.
template <class Call>
HRESULT OutcomeOf(const Arm& arm, Call call) {
    const std::shared_ptr<void> failure = arm ? arm() : nullptr;
    try {
        return call() ? S_OK : S_FALSE;
    } catch (const _com_error& error) {
        return error.Error();
    }
}

// A fresh string has no text buffer; a null or empty text only empties a buffer; a new length
// reallocates it; a copy has its own, or none for an empty text. Texts stop at their first NUL.
TEST(OldString, Assignment) {
    // Start (none: fresh), text assigned (none: null), text after (none: no buffer), buffer kept.
    const std::tuple<const char*, Text, Text, Text, bool> rows[] = {
        {"fresh, empty text", none, empty, none, true},
        {"same length", OLESTR("abc"), OLESTR("xyz"), OLESTR("xyz"), true},
        {"empty text", OLESTR("abc"), empty, empty, true},
        {"null", OLESTR("abc"), none, empty, true},
        {"longer, cut at NUL", OLESTR("abc"), WideString(OLESTR("abcd\0e"), 6), OLESTR("abcd"), false},
    };
    for (const auto& [name, start, assigned, expected, keepsBuffer] : rows) {
        SCOPED_TRACE(name);
        old::string string(start ? start->c_str() : nullptr);
        const WCHAR* before = string.Text();
        string = assigned ? assigned->c_str() : nullptr;
        EXPECT_TRUE(!keepsBuffer || string.Text() == before) << "buffer replaced";
        EXPECT_EQ(TextOf(string), expected);
        const old::string copy(string);
        EXPECT_EQ(TextOf(copy), string.Length() != 0 ? expected : none);
        EXPECT_TRUE(string.Length() == 0 || copy.Text() != string.Text()) << "buffer shared";
    }
    // A text from inside the buffer survives its reallocation.
    old::string string(OLESTR("hello"));
    string = string.Text() + 2;
    EXPECT_EQ(TextOf(string), OLESTR("llo"));
}

// Both string readers on outputs holding "old"; the vector reader shares FillStrArray's errors.
struct ReadRow {
    const char* name;
    _variant_t input;
    HRESULT outcome;
    std::vector<Text> strings;
    std::vector<Text> wideStrings;
    Arm arm = {};
};

void ExpectStringReads(std::initializer_list<ReadRow> rows) {
    for (const ReadRow& row : rows) {
        SCOPED_TRACE(row.name);
        PArray<old::string> strings;
        strings.Add(new old::string(OLESTR("old")));
        EXPECT_EQ(OutcomeOf(row.arm, [&] { return FillStrArray(row.input, strings); }), row.outcome);
        std::vector<Text> texts;
        for (std::uint64_t index = 0; index < strings.Count(); ++index)
            texts.push_back(TextOf(*strings[index]));
        EXPECT_EQ(texts, row.strings);
        std::vector<WideString> wide{OLESTR("old")};
        EXPECT_EQ(OutcomeOf(row.arm, [&] { return FillVectorToStrArray(row.input, wide), true; }),
                  FAILED(row.outcome) ? row.outcome : S_OK);
        EXPECT_EQ(std::vector<Text>(wide.begin(), wide.end()), row.wideStrings);
        ExpectUnlocked(row.input);
    }
}

// The vector reader skips null texts; an empty text is no text buffer, VT_EMPTY an empty text. Data not
// reached gives false with the outputs emptied; a failed release, false after reading.
TEST(StringLists, Readers) {
    ExpectStringReads({
        {"VT_EMPTY", _variant_t(), S_OK, {}, {}},
        {"VT_BSTR", _variant_t(OLESTR("abc")), S_OK, {OLESTR("abc")}, {OLESTR("abc")}},
        {"null VT_BSTR", Raw(VT_BSTR), S_OK, {none}, {}},
        {"BSTR array", BstrArray({a, none, empty, bc}), S_OK, {a, none, none, b}, {a, empty, b}},
        {"no elements", BstrArray({}), S_OK, {}, {}},
        {"two dimensions", TwoDimensionalArray(VT_BSTR, 2, 2), S_OK, {}, {}},
        {"null BSTR array", Raw(VT_ARRAY | VT_BSTR), S_OK, {}, {}},
        {"VARIANTs", VariantArray({7L, _variant_t()}), S_OK, {OLESTR("7"), none}, {OLESTR("7"), empty}},
        {"no text form", VariantArray({a->c_str(), Raw(VT_NULL), b->c_str()}), DISP_E_TYPEMISMATCH, {a}, {a}},
        {"VT_I4", _variant_t(7L), S_OK, {OLESTR("old")}, {OLESTR("old")}},
        {"VT_ARRAY|VT_I4", OwnedArray(VT_I4, std::vector<LONG>{1}), S_OK, {OLESTR("old")}, {OLESTR("old")}},
    });
#if __has_include(<FaultInjection.h>)
    const _variant_t variants = VariantArray({a->c_str(), b->c_str()});
    ExpectStringReads({
        {"BSTRs not reached", BstrArray({a, b}), S_FALSE, {}, {}, Failing(SafeArrayAccessData)},
        {"VARIANTs not released", variants, S_FALSE, {a, b}, {a, b}, Failing(SafeArrayUnaccessData)},
        {"second text not allocated", variants, E_OUTOFMEMORY, {a}, {a}, Failing(StringAllocation, 1)},
    });
#endif
}

// The texts of the array stored in an output that held a double, nullopt for none; resets the output.
void ExpectStored(VARIANT& output, const std::optional<std::vector<Text>>& texts) {
    const _variant_t stored(output, false);
    output.vt = VT_R8;
    output.dblVal = 2.5;
    if (!texts) {
        EXPECT_TRUE(stored.vt == VT_R8 && stored.parray == nullptr) << "an array was stored";
        return;
    }
    ASSERT_EQ(stored.vt, VT_ARRAY | VT_BSTR);
    EXPECT_TRUE(stored.parray->cDims == 1 && stored.parray->rgsabound[0].lLbound == 0);
    std::vector<Text> storedTexts;
    for (const BSTR text : ElementsOf<BSTR>(stored))
        storedTexts.push_back(TextOf(text));
    EXPECT_EQ(storedTexts, *texts);
}

// A null element or a string without text buffer is written as an empty BSTR. A failed store leaves only
// the vector writer's array; a text not allocated (the first and its stored copy are) leaves none.
TEST(StringLists, Writers) {
    PArray<old::string> strings;
    strings.Add(new old::string(a->c_str()));
    strings.Add(new old::string());
    strings.Add(nullptr);
    const std::vector<WideString> wide{*a, WideString(), *bc};
    VARIANT output{};
    output.vt = VT_R8;
    output.dblVal = 2.5;
    EXPECT_TRUE(FillBSTRSafeArray(output, PArray<old::string>()));
    ExpectStored(output, std::nullopt);
    FillVectorToBSTRSafeArray(output, {});
    ExpectStored(output, std::nullopt);
    EXPECT_TRUE(FillBSTRSafeArray(output, strings));
    ExpectStored(output, std::vector<Text>{a, empty, empty});
    FillVectorToBSTRSafeArray(output, wide);
    ExpectStored(output, std::vector<Text>{a, empty, b});
#if __has_include(<FaultInjection.h>)
    const std::tuple<Arm, HRESULT, std::optional<std::vector<Text>>> failures[] = {
        {Failing(SafeArrayAllocation), S_FALSE, std::nullopt},
        {Failing(SafeArrayPutElement, 1), S_FALSE, std::vector<Text>{a, none, b}},
        {Failing(StringAllocation, 2), E_OUTOFMEMORY, std::nullopt},
    };
    for (const auto& [arm, outcome, wideStored] : failures) {
        EXPECT_EQ(OutcomeOf(arm, [&] { return FillBSTRSafeArray(output, strings); }), outcome);
        ExpectStored(output, std::nullopt);
        EXPECT_EQ(OutcomeOf(arm, [&] { return FillVectorToBSTRSafeArray(output, wide), true; }),
                  FAILED(outcome) ? outcome : S_OK);
        ExpectStored(output, wideStored);
    }
#endif
}

// A value as its vt and text; a BSTR by its whole stored text, a null one as none.
std::pair<VARTYPE, Text> Shown(const VARIANT& value) {
    _variant_t text;
    if (value.vt != VT_BSTR && FAILED(VariantChangeType(&text, &value, 0, VT_BSTR)))
        ADD_FAILURE() << "no text form";
    return {value.vt, TextOf(value.vt == VT_BSTR ? value.bstrVal : text.bstrVal)};
}

// The variant list reader on an output holding an owned element, which every path destroys.
struct VariantRow {
    const char* name;
    _variant_t input;
    HRESULT outcome;
    std::vector<_variant_t> expected;
    Arm arm = {};
};

void ExpectVariantReads(std::initializer_list<VariantRow> rows) {
    CountingObject held;
    for (const VariantRow& row : rows) {
        SCOPED_TRACE(row.name);
        PArray<_variant_t> output;
        output.Add(new _variant_t(static_cast<IDispatch*>(&held)));
        EXPECT_EQ(OutcomeOf(row.arm, [&] { return CopyVariantToSArray(row.input, output); }), row.outcome);
        EXPECT_EQ(held.references(), 1);
        ASSERT_EQ(output.Count(), row.expected.size());
        for (std::size_t index = 0; index < row.expected.size(); ++index)
            EXPECT_EQ(Shown(*output[index]), Shown(row.expected[index])) << "element " << index;
        ExpectUnlocked(row.input);
    }
}

TEST(VariantLists, Reader) {
    const _variant_t texts = BstrArray({a, b});
    ExpectVariantReads({
        {"doubles", DoubleArray({1.5, 2.5}), S_OK, {1.5, 2.5}},
        {"doubles in two dimensions", TwoDimensionalArray(VT_R8, 2, 2), S_FALSE, {}},
        {"floats", OwnedArray(VT_R4, std::vector<float>{0.5f}), S_OK, {0.5f}},
        {"VT_UI4 bits", OwnedArray(VT_UI4, std::vector<ULONG>{4294967295u}), S_OK, {-1L}},
        {"null VT_I4 array is a scalar", Raw(VT_ARRAY | VT_I4), DISP_E_TYPEMISMATCH, {}},
        {"texts", BstrArray({a, none, bc}), S_OK, {a->c_str(), OLESTR(""), b->c_str()}},
        {"VT_EMPTY", _variant_t(), S_OK, {_variant_t()}},
        {"uncopyable", Raw(15), DISP_E_BADVARTYPE, {}},
        {"VARIANTs from lower bound 1", VariantArray({1L, 2.5, 3L}, 1), S_OK, {1L, 2.5}},
        {"null VARIANT array", Raw(VT_ARRAY | VT_VARIANT), S_OK, {}},
        {"VT_ARRAY|VT_BOOL", OwnedArray(VT_BOOL, std::vector<VARIANT_BOOL>{-1}), S_FALSE, {}},
    });
#if __has_include(<FaultInjection.h>)
    const _variant_t variants = VariantArray({a->c_str(), b->c_str()});
    ExpectVariantReads({
        {"BSTRs not released", texts, S_FALSE, {a->c_str(), b->c_str()}, Failing(SafeArrayUnaccessData)},
        {"second BSTR not allocated", texts, E_OUTOFMEMORY, {a->c_str()}, Failing(StringAllocation, 1)},
        {"second copy not allocated", variants, E_OUTOFMEMORY, {a->c_str()}, Failing(StringAllocation, 1)},
    });
#endif
}

// Copies are deep both ways: strings duplicated, objects referenced once more, arrays copied whole.
TEST(VariantLists, DeepCopies) {
    CountingObject object;
    const _variant_t input =
        VariantArray({a->c_str(), _variant_t(static_cast<IDispatch*>(&object)), DoubleArray({1, 2})});
    {
        PArray<_variant_t> output;
        ASSERT_TRUE(CopyVariantToSArray(input, output) && output.Count() == 3);
        _variant_t written;
        EXPECT_TRUE(!CopySArrayToVariant(PArray<_variant_t>(), written) && written.vt == VT_EMPTY);
        ASSERT_TRUE(CopySArrayToVariant(output, written));
        ASSERT_EQ(written.vt, VT_ARRAY | VT_VARIANT);
        const auto* source = static_cast<const VARIANT*>(input.parray->pvData);
        const auto* copies = static_cast<const VARIANT*>(written.parray->pvData);
        for (const std::size_t index : {0, 2}) {
            EXPECT_NE(output[index]->byref, source[index].byref) << "read shares storage";
            EXPECT_NE(copies[index].byref, output[index]->byref) << "written shares storage";
        }
        EXPECT_EQ(TextOf(copies[0].bstrVal), a);
        EXPECT_EQ(ElementsOf<double>(copies[2]), (std::vector<double>{1, 2}));
        EXPECT_EQ(copies[1].pdispVal, &object);
        EXPECT_EQ(object.references(), 4);
    }
    EXPECT_EQ(object.references(), 2);
    ExpectUnlocked(input);
}

} // namespace
