#include "TextValues.h"

#include <FaultInjection.h>

#include "support/ArrayValues.h"

#include <gtest/gtest.h>

using namespace TextValues;
using FaultInjection::Operation;
using TestSupport::ExpectComError;
using TestSupport::ExpectUnlocked;

namespace {

const Text a = OLESTR("a");
const Text b = OLESTR("b");
const Text c = OLESTR("c");

VARIANT PreviousOutput() {
    VARIANT output;
    output.vt = VT_R8;
    output.dblVal = 2.5;
    return output;
}

// Runs `call` with the failure planned; `error` is the _com_error expected to leave it, or S_OK.
template <class Call>
void RunFailing(Operation operation, int successes, HRESULT error, Call call) {
    const FaultInjection::PlannedFailure failure(operation, successes);
    if (error != S_OK)
        ExpectComError(error, call);
    else
        call();
    EXPECT_TRUE(failure.Happened()) << "the planned failure was not reached";
}

struct WriteFailureRow {
    const char* name;
    Operation call;
    int successes;
    HRESULT error;
    bool result;                                    // of FillBSTRSafeArray, when it returns
    std::optional<std::vector<Text>> vectorWritten; // by FillVectorToBSTRSafeArray; nullopt: nothing stored
};

TEST(StringWriterFailures, OutputGetsNoArrayUnlessTheVectorWriterIgnoresAFailedStore) {
    const WriteFailureRow rows[] = {
        {"array not created", Operation::SafeArrayAllocation, 0, S_OK, false, std::nullopt},
        {"second store fails", Operation::SafeArrayPutElement, 1, S_OK, false,
         std::vector<Text>{a, std::nullopt, c}},
        // The first text and the copy the store makes of it are allocated; the second text is not.
        {"second text not allocated", Operation::StringAllocation, 2, E_OUTOFMEMORY, false, std::nullopt},
    };
    PArray<old::string> strings;
    AppendStrings(strings, {a, b, c});
    const std::vector<WideString> wideStrings{*a, *b, *c};
    for (const WriteFailureRow& row : rows) {
        SCOPED_TRACE(row.name);
        VARIANT output = PreviousOutput();
        RunFailing(row.call, row.successes, row.error,
                   [&] { EXPECT_EQ(FillBSTRSafeArray(output, strings), row.result); });
        EXPECT_EQ(output.vt, VT_R8);
        EXPECT_EQ(output.parray, nullptr);

        VARIANT wideOutput = PreviousOutput();
        RunFailing(row.call, row.successes, row.error,
                   [&] { FillVectorToBSTRSafeArray(wideOutput, wideStrings); });
        if (!row.vectorWritten) {
            EXPECT_EQ(wideOutput.vt, VT_R8);
            EXPECT_EQ(wideOutput.parray, nullptr);
            continue;
        }
        const _variant_t written(wideOutput, false);
        ASSERT_EQ(written.vt, VT_ARRAY | VT_BSTR);
        EXPECT_EQ(TextsOfArray(written), *row.vectorWritten);
    }
}

struct ReadFailureRow {
    const char* name;
    Operation call;
    _variant_t input;
    std::vector<Text> read; // by every reader, as strings or elements
};

TEST(ReaderFailures, DataAccessAndItsRelease) {
    const ReadFailureRow rows[] = {
        {"BSTR array not reached", Operation::SafeArrayAccessData, BstrArray({a, b}), {}},
        {"BSTR array not released", Operation::SafeArrayUnaccessData, BstrArray({a, b}), {a, b}},
        {"VARIANT array not reached",
         Operation::SafeArrayAccessData,
         TestSupport::VariantArray({BstrValue(a), BstrValue(b)}),
         {}},
        {"VARIANT array not released",
         Operation::SafeArrayUnaccessData,
         TestSupport::VariantArray({BstrValue(a), BstrValue(b)}),
         {a, b}},
    };
    for (const ReadFailureRow& row : rows) {
        SCOPED_TRACE(row.name);
        PArray<old::string> strings;
        AppendStrings(strings, {OLESTR("old")});
        RunFailing(row.call, 0, S_OK, [&] { EXPECT_FALSE(FillStrArray(row.input, strings)); });
        EXPECT_EQ(TextsOf(strings), row.read);

        std::vector<WideString> wideStrings{OLESTR("old")};
        RunFailing(row.call, 0, S_OK, [&] { FillVectorToStrArray(row.input, wideStrings); });
        EXPECT_EQ(TextsOf(wideStrings), row.read);

        PArray<_variant_t> values;
        RunFailing(row.call, 0, S_OK, [&] { EXPECT_FALSE(CopyVariantToSArray(row.input, values)); });
        std::vector<Text> texts;
        for (std::uint64_t index = 0; index < values.Count(); ++index)
            texts.push_back(TextOf(values[index]->bstrVal));
        EXPECT_EQ(texts, row.read);
        ExpectUnlocked(row.input);
    }
}

TEST(ReaderFailures, TextNotAllocatedKeepsEarlierElements) {
    const _variant_t variants = TestSupport::VariantArray({BstrValue(a), BstrValue(b)});
    PArray<old::string> strings;
    RunFailing(Operation::StringAllocation, 1, E_OUTOFMEMORY, [&] { FillStrArray(variants, strings); });
    EXPECT_EQ(TextsOf(strings), std::vector<Text>{a});
    ExpectUnlocked(variants);

    // The string path copies the temporary strings' texts into the elements.
    const _variant_t texts = BstrArray({a, b});
    PArray<_variant_t> values;
    RunFailing(Operation::StringAllocation, 1, E_OUTOFMEMORY, [&] { CopyVariantToSArray(texts, values); });
    ASSERT_EQ(values.Count(), 1u);
    EXPECT_EQ(TextOf(values[0]->bstrVal), a);
    ExpectUnlocked(texts);
}

} // namespace
