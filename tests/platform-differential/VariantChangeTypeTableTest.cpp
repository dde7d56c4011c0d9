// The system's VariantChangeType against the measured tables our stand-in reproduces. Every row must hold,
// except under Wine the noted ones, where Wine is known to part from Windows.
#include "support/ConversionTable.h"

#include <gtest/gtest.h>

namespace {

TEST(SystemVariantChangeType, GivesTheMeasuredAnswers) {
    TestSupport::CheckConversionTable(WINDOWSUTILS_TEST_DATA "/variant-change-type.tsv", 2560);
}

TEST(SystemVariantChangeType, GivesTheAnswersOfOurOwnRows) {
    TestSupport::CheckConversionTable(WINDOWSUTILS_TEST_DATA "/variant-change-type-extra.tsv", 115);
}

} // namespace
