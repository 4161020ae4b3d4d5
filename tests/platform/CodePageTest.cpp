// CP932 both ways, with the bytes worked out from the code page's table.
#include "platform/system/CodePage.h"

#include <gtest/gtest.h>

TEST(CodePage, WritesJapaneseAsCp932)
{
    EXPECT_EQ(Cp932FromUtf8("環境設定"), "\x8a\xc2\x8b\xab\x90\xdd\x92\xe8");
    EXPECT_EQ(Cp932FromUtf8("額縁の幅=1"), "\x8a\x7a\x89\x8f\x82\xcc\x95\x9d=1");
    EXPECT_EQ(Cp932FromUtf8("ｱ"), "\xb1") << "half-width katakana take one byte";
    EXPECT_EQ(Cp932FromUtf8("～"), "\x81\x60") << "the full-width tilde of CP932, which plain Shift-JIS lacks";
    EXPECT_EQ(Cp932FromUtf8("plain ASCII\x1A"), "plain ASCII\x1A");
}

TEST(CodePage, ReadsCp932BackAsUtf8)
{
    EXPECT_EQ(Utf8FromCp932("\x8e\xca\x90\x5e"), "写真");
    EXPECT_EQ(Utf8FromCp932("\x81\x60\xb1"), "～ｱ");
}

TEST(CodePage, ReplacesWhatCannotBeConverted)
{
    EXPECT_EQ(Cp932FromUtf8("a😀b"), "a?b") << "one mark for the whole character";
    EXPECT_EQ(Cp932FromUtf8("a\xff"
                            "b"),
              "a?b")
        << "a byte that is no UTF-8";
    EXPECT_EQ(Utf8FromCp932("a\x80"
                            "b"),
              "a\xEF\xBF\xBD"
              "b");
    EXPECT_EQ(Utf8FromCp932("a\x8e"), "a\xEF\xBF\xBD") << "a lead byte cut off at the end";
}
