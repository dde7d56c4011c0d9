#include <WindowsUtils.h>

#include <gtest/gtest.h>

namespace {

struct IsIntRow {
    unsigned short vt;
    bool result;
    bool isArray;
};

TEST(IsInt, AcceptsTheFour32BitIntegerTypesWithOrWithoutTheArrayFlag) {
    const IsIntRow rows[] = {
        {VT_I4, true, false},
        {VT_ARRAY | VT_I4, true, true},
        {VT_UI4, true, false},
        {VT_ARRAY | VT_UI4, true, true},
        {VT_INT, true, false},
        {VT_ARRAY | VT_INT, true, true},
        {VT_UINT, true, false},
        {VT_ARRAY | VT_UINT, true, true},
        {VT_I2, false, false},
        {VT_ARRAY | VT_I2, false, true},
        {VT_I8, false, false},
        {VT_R4, false, false},
        {VT_BYREF | VT_I4, false, false},
        {VT_BYREF | VT_ARRAY | VT_I4, false, true},
        {VT_VECTOR | VT_I4, false, false},
        {VT_VOID, false, false},
        {0xFFFF, false, true},
    };
    for (const IsIntRow& row : rows) {
        bool isArray = !row.isArray;
        EXPECT_EQ(IsInt(row.vt, isArray), row.result) << "vt " << row.vt;
        EXPECT_EQ(isArray, row.isArray) << "vt " << row.vt;
    }
}

TEST(IsInt, SetsTheArrayFlagOnEveryValueAndAcceptsEightInAll) {
    int accepted = 0;
    for (unsigned vt = 0; vt <= 0xFFFF; ++vt) {
        bool isArray = (vt & VT_ARRAY) == 0;
        accepted += IsInt(static_cast<unsigned short>(vt), isArray) ? 1 : 0;
        ASSERT_EQ(isArray, (vt & VT_ARRAY) != 0) << "vt " << vt;
    }
    EXPECT_EQ(accepted, 8);
}

TEST(IsSimpleVariantType, IsTrueForExactlyTheFifteenPlainScalars) {
    const unsigned short simple[] = {VT_EMPTY, VT_I2,  VT_I4,  VT_R4, VT_R8,  VT_BSTR, VT_BOOL, VT_I1,
                                     VT_UI1,   VT_UI2, VT_UI4, VT_I8, VT_UI8, VT_INT,  VT_UINT};
    for (unsigned short vt : simple)
        EXPECT_TRUE(IsSimpleVariantType(vt)) << "vt " << vt;

    const unsigned short refused[] = {VT_NULL,    VT_CY,      VT_DATE, VT_DISPATCH,       VT_ERROR,
                                      VT_VARIANT, VT_UNKNOWN, 15,      VT_VOID,           VT_DECIMAL,
                                      VT_ARRAY | VT_R8,       VT_BYREF | VT_I4, VT_VECTOR | VT_EMPTY};
    for (unsigned short vt : refused)
        EXPECT_FALSE(IsSimpleVariantType(vt)) << "vt " << vt;

    int accepted = 0;
    for (unsigned vt = 0; vt <= 0xFFFF; ++vt)
        accepted += IsSimpleVariantType(static_cast<unsigned short>(vt)) ? 1 : 0;
    EXPECT_EQ(accepted, 15);
}

} // namespace
