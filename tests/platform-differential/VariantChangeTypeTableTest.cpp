// The system's VariantChangeType against the measured tables our stand-in reproduces. Every row must hold,
// except under Wine the noted ones, where Wine is known to part from Windows (the table gives the Windows
// answer, the note Wine's): those are not run there, as one of them faults in Wine.
#include "support/ConversionTable.h"
#include "support/Platform.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

void CheckTable(const std::string& path, std::size_t expectedRows) {
    const std::vector<TestSupport::ConversionRow> rows = TestSupport::ReadConversionRows(path);
    EXPECT_EQ(rows.size(), expectedRows);
    const bool wine = TestSupport::RunningUnderWine();
    std::size_t agreeing = 0;
    std::size_t noted = 0;
    for (const TestSupport::ConversionRow& row : rows) {
        if (wine && row.WineDiffers()) {
            ++noted;
            continue;
        }
        if (const auto problem = TestSupport::MismatchOf(row))
            ADD_FAILURE() << TestSupport::Describe(row) << ": " << *problem;
        else
            ++agreeing;
    }
    std::printf("%zu of %zu rows of %s agree, %zu noted rows not run\n", agreeing, rows.size(), path.c_str(),
                noted);
}

TEST(SystemVariantChangeType, GivesTheMeasuredAnswers) {
    CheckTable(WINDOWSUTILS_TEST_DATA "/variant-change-type.tsv", 2560);
}

TEST(SystemVariantChangeType, GivesTheAnswersOfOurOwnRows) {
    CheckTable(WINDOWSUTILS_TEST_DATA "/variant-change-type-extra.tsv", 63);
}

} // namespace
