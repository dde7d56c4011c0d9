// VariantChangeType against the conversions measured on a real OLE Automation (one row per conversion),
// plus rows of our own for what the measurements leave out.
#include <oleauto.h>

#include <gtest/gtest.h>

#include "support/ConversionTable.h"
#include "support/CountingObject.h"

#include <cstdio>
#include <string>
#include <vector>

namespace {

void checkTable(const std::string& path, std::size_t expectedRows) {
    const std::vector<TestSupport::ConversionRow> rows = TestSupport::ReadConversionRows(path);
    EXPECT_EQ(rows.size(), expectedRows);
    std::size_t passing = 0;
    for (const TestSupport::ConversionRow& row : rows) {
        if (const auto problem = TestSupport::MismatchOf(row))
            ADD_FAILURE() << TestSupport::Describe(row) << ": " << *problem;
        else
            ++passing;
    }
    std::printf("%zu of %zu rows of %s pass\n", passing, rows.size(), path.c_str());
}

TEST(VariantChangeType, ReproducesEveryMeasuredRow) {
    checkTable(WINDOWSUTILS_TEST_DATA "/variant-change-type.tsv", 2560);
}

TEST(VariantChangeType, ReproducesOurOwnRows) {
    checkTable(WINDOWSUTILS_TEST_DATA "/variant-change-type-extra.tsv", 63);
}

// Objects convert to their own type (one more reference) and to VT_EMPTY; a set dispatch gives no
// default value, and a failure takes no reference.
TEST(VariantChangeType, ObjectsAreReferencedOnlyWhenCopied) {
    CountingObject object;
    VARIANT source;
    VariantInit(&source);
    source.vt = VT_DISPATCH;
    source.pdispVal = &object;
    VARIANT destination;
    VariantInit(&destination);

    EXPECT_EQ(VariantChangeType(&destination, &source, 0, VT_I4), DISP_E_TYPEMISMATCH);
    EXPECT_EQ(VariantChangeType(&destination, &source, 0, VT_BSTR), DISP_E_TYPEMISMATCH);
    EXPECT_EQ(destination.vt, VT_EMPTY);
    EXPECT_EQ(object.references(), 1);

    ASSERT_EQ(VariantChangeType(&destination, &source, 0, VT_DISPATCH), S_OK);
    EXPECT_EQ(destination.pdispVal, &object);
    EXPECT_EQ(object.references(), 2);
    ASSERT_EQ(VariantChangeType(&destination, &source, 0, VT_EMPTY), S_OK);
    EXPECT_EQ(destination.vt, VT_EMPTY);
    EXPECT_EQ(object.references(), 1);

    source.vt = VT_UNKNOWN;
    EXPECT_EQ(VariantChangeType(&destination, &source, 0, VT_R8), DISP_E_TYPEMISMATCH);
    EXPECT_EQ(object.references(), 1);
}

TEST(VariantChangeType, RejectsMissingVariants) {
    VARIANT value;
    VariantInit(&value);
    EXPECT_EQ(VariantChangeType(nullptr, &value, 0, VT_I4), E_INVALIDARG);
    EXPECT_EQ(VariantChangeType(&value, nullptr, 0, VT_I4), E_INVALIDARG);
}

} // namespace
