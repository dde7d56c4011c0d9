#include "TextValues.h"

#include <gtest/gtest.h>

using namespace TextValues;

namespace {

struct AssignmentRow {
    const char* name;
    Text start;    // nullopt: a fresh string that never held text
    Text assigned; // nullopt: a null pointer
    Text expected; // nullopt: still no text buffer
    bool keepsBuffer;
};

TEST(OldString, AssignmentRules) {
    const AssignmentRow rows[] = {
        {"fresh, empty text", std::nullopt, WideString(), std::nullopt, true},
        {"fresh, null", std::nullopt, std::nullopt, std::nullopt, true},
        {"fresh, text", std::nullopt, OLESTR("abc"), OLESTR("abc"), false},
        {"same length", OLESTR("abc"), OLESTR("xyz"), OLESTR("xyz"), true},
        {"empty text keeps the buffer", OLESTR("abc"), WideString(), WideString(), true},
        {"null keeps the buffer", OLESTR("abc"), std::nullopt, WideString(), true},
        {"longer", OLESTR("abc"), OLESTR("abcdefgh"), OLESTR("abcdefgh"), false},
        {"shorter", OLESTR("abcdef"), OLESTR("a"), OLESTR("a"), false},
        {"cut at the first NUL", OLESTR("abc"), Wide(OLESTR("ab\0cd"), 5), OLESTR("ab"), false},
    };
    for (const AssignmentRow& row : rows) {
        SCOPED_TRACE(row.name);
        old::string string(row.start ? row.start->c_str() : nullptr);
        const WCHAR* before = string.Text();
        string = row.assigned ? row.assigned->c_str() : nullptr;
        if (row.keepsBuffer) {
            EXPECT_EQ(string.Text(), before);
        }
        if (!row.expected) {
            EXPECT_EQ(string.Text(), nullptr);
            EXPECT_EQ(string.Length(), 0u);
            continue;
        }
        ASSERT_NE(string.Text(), nullptr);
        EXPECT_EQ(WideString(string.Text()), *row.expected);
        EXPECT_EQ(string.Length(), row.expected->size());
    }
}

TEST(OldString, OwnTextAndCopies) {
    old::string string(OLESTR("hello"));
    const WCHAR* buffer = string.Text();
    string = string.Text();
    EXPECT_EQ(string.Text(), buffer);
    EXPECT_EQ(WideString(string.Text()), OLESTR("hello"));

    // A text from inside the own buffer survives the reallocation.
    string = string.Text() + 2;
    EXPECT_EQ(WideString(string.Text()), OLESTR("llo"));
    EXPECT_EQ(string.Length(), 3u);

    const old::string copy(string);
    EXPECT_NE(copy.Text(), string.Text());
    EXPECT_EQ(WideString(copy.Text()), OLESTR("llo"));
    const old::string fresh;
    const old::string copyOfFresh(fresh);
    EXPECT_EQ(copyOfFresh.Text(), nullptr);
}

} // namespace
