#include <gtest/gtest.h>

#include "base/Utf8Text.h"

TEST(Utf8Text, AcceptsEveryScriptAndRefusesMalformedSequences)
{
    EXPECT_TRUE(IsValidUtf8(""));
    EXPECT_TRUE(IsValidUtf8("plain ASCII\r\n"));
    EXPECT_TRUE(IsValidUtf8("\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82"));  // Cyrillic
    EXPECT_TRUE(IsValidUtf8("\xE6\x97\xA5\xE6\x9C\xAC"));  // CJK
    EXPECT_TRUE(IsValidUtf8("\xF0\x9F\x98\x80"));  // emoji outside the BMP
    EXPECT_TRUE(IsValidUtf8("cafe\xCC\x81"));  // combining accent
    EXPECT_TRUE(IsValidUtf8("\xF4\x8F\xBF\xBF"));  // U+10FFFF

    EXPECT_FALSE(IsValidUtf8("caf\xE9"));  // Windows-1252 e acute
    EXPECT_FALSE(IsValidUtf8("\xE9t\xE9"));
    EXPECT_FALSE(IsValidUtf8("\x80"));  // stray continuation
    EXPECT_FALSE(IsValidUtf8("\xC0\xAF"));  // overlong slash
    EXPECT_FALSE(IsValidUtf8("\xE0\x80\xAF"));  // overlong
    EXPECT_FALSE(IsValidUtf8("\xED\xA0\x80"));  // surrogate
    EXPECT_FALSE(IsValidUtf8("\xF4\x90\x80\x80"));  // above U+10FFFF
    EXPECT_FALSE(IsValidUtf8("\xF5\x80\x80\x80"));
    EXPECT_FALSE(IsValidUtf8("\xE6\x97"));  // cut short at the end
    EXPECT_FALSE(IsValidUtf8("\xE6\x97x"));
    EXPECT_FALSE(IsValidUtf8(std::string_view("\xF0\x9F\x98", 3)));
}
