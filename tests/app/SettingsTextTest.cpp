// The settings file's text: characters Shift-JIS lacks and bytes that begin no character come back
// exactly, and what is written stays Shift-JIS text.
#include "app/SettingsText.h"
#include "platform/system/CodePage.h"

#include <gtest/gtest.h>
#include <random>
#include <vector>

namespace {

bool IsCp932Text(const std::string& Bytes)
{
    return Utf8FromCp932(Bytes).find("\xEF\xBF\xBD") == std::string::npos &&
           Cp932FromUtf8(Utf8FromCp932(Bytes)) == Bytes;
}

} // namespace

TEST(SettingsText, WritesCharactersShiftJisLacksAsReferencesAndReadsThemBack)
{
    EXPECT_EQ(SettingsBytesOf("OpenDir=/home/u/Café"), "OpenDir=/home/u/Caf&#xE9;");
    EXPECT_EQ(SettingsBytesOf("😀"), "&#x1F600;");
    // A literal reference in a name is kept apart from one that stands for a character.
    EXPECT_EQ(SettingsBytesOf("/tmp/a&#xE9;b"), "/tmp/a&#x26;#xE9;b");
    // Text Shift-JIS holds is written as it always was, references of such characters included.
    EXPECT_EQ(SettingsBytesOf("額縁の幅=1 & &#x41;"), Cp932FromUtf8("額縁の幅=1 & &#x41;"));
    for (const char* Text : {"/home/u/Café", "/data/Ünïcode 😀/写真", "/tmp/a&#xE9;b", "&#x26;#xE9;", "&", "&#x41;",
                             "&#x", "&#xE9", "C:\\dir", "ﾎﾟｽﾀﾘｾﾞｰｼｮﾝ", "\x1A", ""}) {
        const std::string Bytes = SettingsBytesOf(Text);
        EXPECT_TRUE(IsCp932Text(Bytes)) << Text;
        EXPECT_EQ(SettingsTextOf(Bytes), Text) << Bytes;
    }
}

TEST(SettingsText, KeepsTheBytesOfALineNobodyChanged)
{
    for (const std::string& Bytes :
         {std::string("SaveDir=/x/\x81\x20\xFF"), std::string("\x80\xA0\xFD\xFE\xFF"), std::string("end\x9F"),
          std::string("&#x41;"), std::string("&#x0E9;"), std::string("&#xe9;"), std::string("&#x26;abc"),
          std::string("&#xD800;"), std::string("&#x110000;"), Cp932FromUtf8("あ&#x26;#x26;#xE9;")}) {
        EXPECT_EQ(SettingsBytesOf(SettingsTextOf(Bytes)), Bytes) << Bytes;
    }
    // A byte that begins no character reads as a character of its own, not as a question mark.
    EXPECT_NE(SettingsTextOf("/x/\x81\x20"), "/x/? ");
}

TEST(SettingsText, RoundTripsRandomBytesAndRandomText)
{
    std::mt19937 Random(18);
    const std::vector<std::string> Bytes{"&",    "#",    "x",    "2",    "6", "E", "9",    ";",    "A",    "0",
                                         "\x81", "\x82", "\xA0", "\xFF", "@", "a", "\x85", "\xEE", "\xEF", "\xB1"};
    const std::vector<std::string> Characters{"&", "#", "x", "2", "6", "E", "9", ";", "é", "あ", "😀", "a", "?", "0"};
    for (int Case = 0; Case < 3000; ++Case) {
        std::string File;
        std::string Text;
        const int Length = int(Random() % 12);
        for (int Index = 0; Index < Length; ++Index) {
            File += Bytes[Random() % Bytes.size()];
            Text += Characters[Random() % Characters.size()];
        }
        ASSERT_EQ(SettingsBytesOf(SettingsTextOf(File)), File);
        ASSERT_EQ(SettingsTextOf(SettingsBytesOf(Text)), Text);
        ASSERT_TRUE(IsCp932Text(SettingsBytesOf(Text))) << Text;
    }
}
