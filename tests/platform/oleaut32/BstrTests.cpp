#include <oleauto.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <tuple>

namespace {

// The byte length stands in the 4 bytes before the characters, and a 16-bit NUL follows them.
TEST(Bstr, LengthPrefixCountsEveryByteAndNulFollows) {
    // The heap hands out a dirty block, so the zeros checked below must have been written.
    std::free(std::memset(std::malloc(25), 0xFF, 25));
    const std::tuple<const char*, BSTR, UINT, const void*> rows[] = {
        {"odd byte length", SysAllocStringByteLen("abcdefghijklmno", 15), 15, "abcdefghijklmno\0"},
        {"plain", SysAllocString(u"abc"), 6, u"abc"},
        {"empty", SysAllocString(u""), 0, u""},
        {"embedded NUL", SysAllocStringLen(u"a\0b", 3), 6, u"a\0b"},
        {"no source gives zeros", SysAllocStringLen(nullptr, 2), 4, u"\0\0"},
    };
    for (const auto& [name, text, byteLength, contents] : rows) {
        SCOPED_TRACE(name);
        ASSERT_NE(text, nullptr);
        UINT prefix = 0;
        std::memcpy(&prefix, reinterpret_cast<const char*>(text) - sizeof(UINT), sizeof(UINT));
        EXPECT_EQ(prefix, byteLength);
        EXPECT_EQ(SysStringByteLen(text), byteLength);
        EXPECT_EQ(SysStringLen(text), byteLength / 2);
        EXPECT_EQ(std::memcmp(text, contents, byteLength + 2), 0);
        SysFreeString(text);
    }
    EXPECT_EQ(SysAllocString(nullptr), nullptr);
    EXPECT_EQ(SysStringLen(nullptr), 0u);
    EXPECT_EQ(SysStringByteLen(nullptr), 0u);
    // Its byte length would not fit the 32-bit prefix.
    EXPECT_EQ(SysAllocStringLen(nullptr, 0x80000000u), nullptr);
    SysFreeString(nullptr);
}

} // namespace
