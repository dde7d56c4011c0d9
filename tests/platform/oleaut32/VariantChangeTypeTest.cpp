// VariantChangeType against the conversions measured on a real OLE Automation (one row per conversion),
// plus rows of our own for what the measurements leave out.
#include <oleauto.h>

#include <gtest/gtest.h>

#include "support/ConversionTable.h"
#include "support/CountingObject.h"

#include <tuple>

namespace {

TEST(VariantChangeType, ReproducesEveryMeasuredRowAndOurOwn) {
    TestSupport::CheckConversionTable(WINDOWSUTILS_TEST_DATA "/variant-change-type.tsv", 2560);
    TestSupport::CheckConversionTable(WINDOWSUTILS_TEST_DATA "/variant-change-type-extra.tsv", 96);
}

// Objects convert to their own type (one more reference) and to VT_EMPTY; a set object gives no default
// value, and a failure takes no reference.
TEST(VariantChangeType, ObjectsAreReferencedOnlyWhenCopied) {
    CountingObject object;
    VARIANT source{}, destination{};
    source.vt = VT_DISPATCH;
    source.pdispVal = &object;
    for (VARTYPE vt : {VT_I4, VT_BSTR})
        EXPECT_EQ(VariantChangeType(&destination, &source, 0, vt), DISP_E_TYPEMISMATCH) << vt;
    ASSERT_EQ(VariantChangeType(&destination, &source, 0, VT_DISPATCH), S_OK);
    EXPECT_EQ(std::tuple(destination.pdispVal, object.references()), std::tuple(&object, 2));
    ASSERT_EQ(VariantChangeType(&destination, &source, 0, VT_EMPTY), S_OK);
    EXPECT_EQ(std::tuple(destination.vt, object.references()), std::tuple(VT_EMPTY, 1));
    source.vt = VT_UNKNOWN;
    EXPECT_EQ(VariantChangeType(&destination, &source, 0, VT_R8), DISP_E_TYPEMISMATCH);
    EXPECT_EQ(std::tuple(destination.vt, object.references()), std::tuple(VT_EMPTY, 1));
    EXPECT_EQ(std::tuple(VariantChangeType(nullptr, &source, 0, VT_I4),
                         VariantChangeType(&destination, nullptr, 0, VT_I4)),
              std::tuple(E_INVALIDARG, E_INVALIDARG));
}

} // namespace
