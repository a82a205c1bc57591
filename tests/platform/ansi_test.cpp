#include "platform/base/ansi.h"

#include <gtest/gtest.h>

using namespace zrv;

TEST(Ansi, CaseFoldingCoversLatin1AndTheExtraLetters) {
    EXPECT_EQ(upperAnsi("abc\xe9\xff\x9a\x9c\x9e"), "ABC\xc9\x9f\x8a\x8c\x8e");
    EXPECT_EQ(lowerAnsi("ABC\xc9\x9f\x8a"), "abc\xe9\xff\x9a");
    // Division and multiplication signs and sharp s have no other case.
    EXPECT_EQ(upperAnsi("\xf7\xdf"), "\xf7\xdf");
    EXPECT_EQ(lowerAnsi("\xd7"), "\xd7");
    EXPECT_TRUE(equalNoCase("Program Files", "PROGRAM FILES"));
    EXPECT_FALSE(equalNoCase("ab", "abc"));
    EXPECT_LT(compareNoCase("apple", "Banana"), 0);
}

TEST(Ansi, EveryByteSurvivesARoundTripThroughUtf8) {
    for (int b = 1; b < 256; ++b) {
        std::string s(1, static_cast<char>(b));
        auto back = utf8ToAnsi(ansiToUtf8(s));
        ASSERT_TRUE(back.has_value()) << b;
        EXPECT_EQ(*back, s) << b;
    }
    EXPECT_EQ(ansiToUtf8("\x80"), "\xe2\x82\xac"); // euro sign
}

TEST(Ansi, Utf8ThatCodePage1252CannotHoldIsRefused) {
    EXPECT_FALSE(utf8ToAnsi("\xe4\xb8\xad").has_value()); // a CJK character
    EXPECT_FALSE(utf8ToAnsi("\xc0\xaf").has_value());     // overlong '/'
    EXPECT_FALSE(utf8ToAnsi("\xe2\x82").has_value());     // cut short
    EXPECT_EQ(utf8ToAnsiLossy("a\xe4\xb8\xad" "b"), "a?b");
}
