// TParameter: the file's name from the executable, reading and writing by name, the empty mark, the
// messages, and the file's bytes.
#include "app/Param.h"
#include "platform/system/FileUtils.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>

namespace {

std::filesystem::path FreshFolder(const char* Name)
{
    const auto Folder = std::filesystem::temp_directory_path() / Name;
    std::filesystem::remove_all(Folder);
    std::filesystem::create_directories(Folder);
    return Folder;
}

std::string MessageOf(const std::function<void()>& Action)
{
    try {
        Action();
    } catch (const Exception& Error) {
        return Error.Message();
    }
    return "(nothing raised)";
}

void AddLines(TParameter& Parameter, std::initializer_list<const char*> Lines)
{
    for (const char* Line : Lines) Parameter.AddLine(Line);
}

} // namespace

TEST(ParameterFile, IsNamedAfterTheExecutableBesideIt)
{
    TParameter Parameter;
    EXPECT_EQ(Parameter.FullName(), "");
    Parameter.SetExeName("/opt/pixora/bin/pixora");
    EXPECT_EQ(Parameter.Dir(), "/opt/pixora/bin");
    EXPECT_EQ(Parameter.FileName(), "pixora.ini");
    EXPECT_EQ(Parameter.FullName(), "/opt/pixora/bin/pixora.ini");

    TParameter Other;
    Other.SetExeName("/Vorel.exe");
    EXPECT_EQ(Other.FullName(), "/Vorel.ini");
    Other.SetDir("/var/tmp/");
    EXPECT_EQ(Other.FullName(), "/var/tmp/Vorel.ini");
    Other.SetDir("");
    Other.SetFileName("");
    EXPECT_EQ(Other.FullName(), "/Vorel.ini") << "empty values fall back to the executable's";
}

TEST(ParameterValues, MatchNamesWithoutLetterCaseAndTheFirstWins)
{
    TParameter Parameter;
    AddLines(Parameter, {"header without equals", "left=17", "LEFT=99", "Smooth=False"});
    EXPECT_EQ(Parameter.ReadInteger("Left"), 17);
    Parameter.WriteInteger("Left", -3);
    EXPECT_EQ(Parameter.Lines(),
              (std::vector<std::string>{"header without equals", "Left=-3", "LEFT=99", "Smooth=False"}));
    Parameter.WriteBool("Histgram", true);
    EXPECT_EQ(Parameter.Lines().back(), "Histgram=True");
    EXPECT_EQ(Parameter.Count(), 5);
}

TEST(ParameterValues, StoreTheEmptyStringAsTheMark)
{
    TParameter Parameter;
    Parameter.WriteText("OpenDir", "");
    EXPECT_EQ(Parameter.Lines().front(), "OpenDir=\x1A");
    EXPECT_EQ(Parameter.ReadText("openDIR"), "");
}

TEST(ParameterValues, RaiseTheMessagesOfMissingAndMalformedValues)
{
    TParameter Parameter;
    AddLines(Parameter, {"OpenDir=", "Smooth=true", "HTop=True ", "Width=abc", "Top=12 "});
    EXPECT_EQ(MessageOf([&] { Parameter.ReadText("OpenDir"); }), "Name 'OpenDir' is not found in parameters.");
    EXPECT_EQ(MessageOf([&] { Parameter.ReadText("Missing"); }), "Name 'Missing' is not found in parameters.");
    EXPECT_EQ(MessageOf([&] { Parameter.ReadBool("Smooth"); }), "Value of Smooth 'true' is not Boolean Type.");
    EXPECT_EQ(MessageOf([&] { Parameter.ReadBool("HTop"); }), "Value of HTop 'True ' is not Boolean Type.");
    EXPECT_EQ(MessageOf([&] { Parameter.ReadInteger("Width"); }), "'abc' は整数ではありません");
    EXPECT_EQ(MessageOf([&] { Parameter.ReadInteger("Top"); }), "'12 ' は整数ではありません");
    EXPECT_THROW(Parameter.ReadText("OpenDir"), EValueName);
    EXPECT_THROW(Parameter.ReadBool("Smooth"), EValueName);
    EXPECT_THROW(Parameter.ReadInteger("Width"), EConvertError);
}

TEST(ParameterValues, ConvertIntegersAsTheRuntimeLibraryDoes)
{
    EXPECT_EQ(StrToInt("723"), 723);
    EXPECT_EQ(StrToInt("-5"), -5);
    EXPECT_EQ(StrToInt("+8"), 8);
    EXPECT_EQ(StrToInt(" 7"), 7);
    EXPECT_EQ(StrToInt("$1F"), 31);
    EXPECT_EQ(StrToInt("0x10"), 16);
    EXPECT_EQ(StrToInt("$FFFFFFFF"), -1);
    EXPECT_EQ(StrToInt("2147483647"), 2147483647);
    EXPECT_EQ(StrToInt("-2147483648"), -2147483647 - 1);
    for (const char* Bad : {"", " ", "-", "$", "2147483648", "$100000000", "1.5", "1e3", "12a", "\x1A"})
        EXPECT_THROW(StrToInt(Bad), EConvertError) << Bad;
}

TEST(ParameterFile, WritesCp932LinesEndedByCrLf)
{
    const auto Folder = FreshFolder("pixora-param-bytes");
    TParameter Parameter;
    Parameter.SetDir(Folder.string());
    Parameter.SetFileName("t.ini");
    Parameter.AddLine("環境設定");
    Parameter.WriteInteger("額縁の幅", 1);
    Parameter.WriteText("OpenDir", "/写真");
    Parameter.SaveValues();
    const std::vector<std::uint8_t> Bytes = ReadWholeFile((Folder / "t.ini").string());
    const std::string Expected = "\x8a\xc2\x8b\xab\x90\xdd\x92\xe8\r\n"
                                 "\x8a\x7a\x89\x8f\x82\xcc\x95\x9d=1\r\n"
                                 "OpenDir=/\x8e\xca\x90\x5e\r\n";
    EXPECT_EQ(std::string(Bytes.begin(), Bytes.end()), Expected);

    TParameter Back;
    Back.SetDir(Folder.string());
    Back.SetFileName("t.ini");
    Back.LoadValues();
    EXPECT_EQ(Back.Lines(), Parameter.Lines());
    EXPECT_EQ(Back.ReadText("opendir"), "/写真");
}

TEST(ParameterFile, ReadsLinesEndedAnyWay)
{
    EXPECT_EQ(SettingsLinesOf(std::vector<std::uint8_t>{'a', '\r', '\n', 'b', '\n', 'c', '\r', 'd'}),
              (std::vector<std::string>{"a", "b", "c", "d"}));
    EXPECT_EQ(SettingsLinesOf(std::vector<std::uint8_t>{'a', '\r', '\n', '\r', '\n'}),
              (std::vector<std::string>{"a", ""}));
    EXPECT_TRUE(SettingsLinesOf({}).empty());
}

TEST(ParameterFile, LeavesTheLinesWhenThereIsNoFile)
{
    const auto Folder = FreshFolder("pixora-param-none");
    TParameter Parameter;
    Parameter.SetDir(Folder.string());
    Parameter.SetFileName("none.ini");
    Parameter.AddLine("kept");
    Parameter.LoadValues();
    EXPECT_EQ(Parameter.Lines(), std::vector<std::string>{"kept"});
}

TEST(ParameterFile, RaisesWhenTheFileCannotBeWritten)
{
    const auto Folder = FreshFolder("pixora-param-unwritable");
    std::ofstream(Folder / "plain-file") << "x";
    TParameter Parameter;
    Parameter.SetDir((Folder / "plain-file").string());
    Parameter.SetFileName("t.ini");
    Parameter.AddLine("a=1");
    const std::string Name = (Folder / "plain-file" / "t.ini").string();
    EXPECT_EQ(MessageOf([&] { Parameter.SaveValues(); }), "ファイル " + Name + " を作成できません");
    EXPECT_THROW(Parameter.SaveValues(), EFCreateError);
}
