#include "common/text.h"

#include <gtest/gtest.h>

using namespace zrv;

namespace {

TEST(ReplaceAll, DoesNotRescanInsertedText) {
    struct {
        const char* text;
        const char* find;
        const char* with;
        const char* expected;
    } cases[] = {
        {"a.b.c", ".", "..", "a..b..c"}, {"aaa", "a", "aa", "aaaaaa"}, {"abc", "", "x", "abc"},
        {"aaaa", "aa", "b", "bb"},       {"Case", "case", "x", "Case"}, {"xx", "x", "", ""},
    };
    for (auto c : cases) {
        std::string t = c.text;
        ReplaceAll(t, c.find, c.with);
        EXPECT_EQ(t, c.expected) << c.text;
    }
}

TEST(StripText, ModesLRBA) {
    struct {
        const char* text;
        char mode;
        const char* strip;
        const char* expected;
    } cases[] = {
        {"ababXab", 'B', "ab", "X"}, {"ababXab", 'b', "ab", "X"},   {"  x  ", 'L', " ", "x  "},
        {"  x  ", 'R', " ", "  x"},  {"a-b-c", 'A', "-", "abc"},    {"a-b", 'Q', "-", "a-b"},
        {"xxxx", 'B', "x", ""},      {"abc", 'B', "", "abc"},       {"aXa", 'L', "aa", "aXa"},
    };
    for (auto c : cases) {
        std::string t = c.text;
        StripText(t, c.mode, c.strip);
        EXPECT_EQ(t, c.expected) << c.text << " " << c.mode;
    }
}

TEST(FindText, ForwardsBackwardsAndCase) {
    EXPECT_EQ(FindText(0, "Hello hello", "hello", 'L', true), 6);
    EXPECT_EQ(FindText(0, "Hello hello", "hello", 'L', false), 0);
    EXPECT_EQ(FindText(1, "Hello hello", "HELLO", 'L', false), 6);
    EXPECT_EQ(FindText(10, "Hello hello", "hello", 'R', false), 6);
    EXPECT_EQ(FindText(5, "Hello hello", "hello", 'r', false), 0);
    EXPECT_EQ(FindText(7, "Hello hello", "hello", 'L', true), -1);
    EXPECT_EQ(FindText(0, "ab", "abc", 'L', true), -1);
    EXPECT_EQ(FindText(0, "", "", 'L', true), 0);
}

} // namespace
