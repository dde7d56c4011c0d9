#include <oleauto.h>

#include <gtest/gtest.h>

#include <cstring>

namespace {

TEST(Bstr, LengthPrefixCountsEveryCharacterAndNulFollows) {
    struct Case {
        const char* name;
        BSTR text;
        UINT byteLength;
        const void* contents;
    };
    const Case cases[] = {
        {"plain", SysAllocString(u"abc"), 6, u"abc"},
        {"empty", SysAllocString(u""), 0, u""},
        {"embedded NUL", SysAllocStringLen(u"a\0b", 3), 6, u"a\0b"},
        {"no source gives zeros", SysAllocStringLen(nullptr, 2), 4, u"\0\0"},
        {"odd byte length", SysAllocStringByteLen("abc", 3), 3, "abc"},
    };
    for (const Case& row : cases) {
        SCOPED_TRACE(row.name);
        ASSERT_NE(row.text, nullptr);
        UINT prefix = 0;
        std::memcpy(&prefix, reinterpret_cast<const char*>(row.text) - sizeof(UINT), sizeof(UINT));
        EXPECT_EQ(prefix, row.byteLength);
        EXPECT_EQ(SysStringByteLen(row.text), row.byteLength);
        EXPECT_EQ(SysStringLen(row.text), row.byteLength / 2);
        EXPECT_EQ(std::memcmp(row.text, row.contents, row.byteLength), 0);
        const char* end = reinterpret_cast<const char*>(row.text) + row.byteLength;
        EXPECT_EQ(end[0], 0);
        EXPECT_EQ(end[1], 0);
        SysFreeString(row.text);
    }
}

TEST(Bstr, NullAndOversizedRequests) {
    EXPECT_EQ(SysAllocString(nullptr), nullptr);
    EXPECT_EQ(SysStringLen(nullptr), 0u);
    EXPECT_EQ(SysStringByteLen(nullptr), 0u);
    // Its byte length would not fit the 32-bit prefix.
    EXPECT_EQ(SysAllocStringLen(nullptr, 0x80000000u), nullptr);
    SysFreeString(nullptr);
}

} // namespace
