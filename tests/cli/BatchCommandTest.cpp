// pixora-batch run as a function: conversion, --info, operations and the exit codes of its failures.
#include "cli/BatchCommand.h"

#include "engine/KelvoImg.h"
#include "platform/graphics/Bitmap.h"
#include "platform/graphics/Picture.h"
#include "platform/system/Messages.h"
#include "tests/support/TestPictures.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <sstream>
#include <unistd.h>

namespace {

class Batch : public ::testing::Test
{
protected:
    void SetUp() override
    {
        FFolder =
            std::filesystem::temp_directory_path() / ("pixora-batch-test-" + std::to_string(getpid()) + "-" +
                                                      ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(FFolder);
    }
    void TearDown() override { std::filesystem::remove_all(FFolder); }

    std::string PathOf(const std::string& Name) const { return (FFolder / Name).string(); }

    std::string SaveBitmap(const TBitmap& Bitmap, const std::string& Name) const
    {
        TPicture Picture;
        Picture.SetGraphic(&Bitmap);
        Picture.SaveToFile(PathOf(Name));
        return PathOf(Name);
    }

    int Run(std::vector<std::string> Arguments)
    {
        FOutput.str("");
        FErrors.str("");
        return RunBatch(Arguments, FOutput, FErrors);
    }

    std::filesystem::path FFolder;
    std::ostringstream FOutput;
    std::ostringstream FErrors;
};

} // namespace

TEST_F(Batch, InfoDescribesTheBitmap)
{
    const std::string Input = SaveBitmap(MakeRandomBitmap(5, 3, 8, 1), "eight.bmp");
    EXPECT_EQ(Run({"--info", Input}), 0);
    EXPECT_EQ(FOutput.str(), "kind=bitmap width=5 height=3 bits=8 pixelformat=pf8bit handletype=bmDIB\n");
    EXPECT_EQ(FErrors.str(), "");
}

TEST_F(Batch, ConvertsBitmapToBitmapKeepingItsLayout)
{
    const TBitmap Source = MakeRandomBitmap(7, 2, 4, 3);
    const std::string Input = SaveBitmap(Source, "in.bmp");
    // The extension is read in any case.
    EXPECT_EQ(Run({Input, "-o", PathOf("out.BMP")}), 0) << FErrors.str();
    TPicture Back;
    Back.LoadFromFile(PathOf("out.BMP"));
    EXPECT_TRUE(SamePixels(Back.Bitmap(), Source));
    EXPECT_EQ(Back.Bitmap().ColorTable(), Source.ColorTable());
}

TEST_F(Batch, ConvertsIntoEveryFormatMadeFromABitmap)
{
    const TBitmap Source = MakeRandomBitmap(6, 5, 24, 8);
    const std::string Input = SaveBitmap(Source, "in.bmp");
    for (const std::string Extension : {"jpg", "jpeg", "png"}) {
        const std::string Output = PathOf("out." + Extension);
        ASSERT_EQ(Run({Input, "-o", Output}), 0) << Extension << ": " << FErrors.str();
        TPicture Back;
        Back.LoadFromFile(Output);
        ASSERT_NE(Back.Graphic(), nullptr);
        EXPECT_EQ(Back.Width(), 6) << Extension;
        EXPECT_EQ(Back.Height(), 5) << Extension;
        EXPECT_EQ(Back.Graphic()->DefaultExtension(), Extension == "png" ? "png" : "jpg");
    }
    // PNG keeps every pixel; back to a bitmap they are the source's.
    ASSERT_EQ(Run({PathOf("out.png"), "-o", PathOf("back.bmp")}), 0) << FErrors.str();
    TPicture Back;
    Back.LoadFromFile(PathOf("back.bmp"));
    EXPECT_TRUE(SamePixels(Back.Bitmap(), Source));
}

TEST_F(Batch, OutputExtensionWithoutFormatGetsThePicturesOwn)
{
    const std::string Input = SaveBitmap(MakeRandomBitmap(2, 2, 24, 4), "in.bmp");
    EXPECT_EQ(Run({Input, "-o", PathOf("out.dat")}), 0) << FErrors.str();
    const auto Bytes = ReadFileBytes(PathOf("out.dat"));
    ASSERT_GE(Bytes.size(), 2u);
    EXPECT_EQ(Bytes[0], 'B');
    EXPECT_EQ(Bytes[1], 'M');
}

TEST_F(Batch, AppliesOperationsInTurn)
{
    TBitmap Source;
    Source.SetLayout(1, 1, 24);
    Source.ScanLine(0)[0] = 10; // blue
    Source.ScanLine(0)[1] = 20;
    Source.ScanLine(0)[2] = 30;
    const std::string Input = SaveBitmap(Source, "in.bmp");
    EXPECT_EQ(Run({Input, "Negative", "-o", PathOf("once.bmp")}), 0) << FErrors.str();
    TPicture Once;
    Once.LoadFromFile(PathOf("once.bmp"));
    EXPECT_EQ(Once.Bitmap().ScanLine(0)[0], 245);
    EXPECT_EQ(Once.Bitmap().ScanLine(0)[2], 225);
    EXPECT_EQ(Run({Input, "Negative", "Negative", "-o", PathOf("twice.bmp")}), 0) << FErrors.str();
    TPicture Twice;
    Twice.LoadFromFile(PathOf("twice.bmp"));
    EXPECT_EQ(Twice.Bitmap().ScanLine(0)[2], 30);
}

// A JPEG picture decoded straight into the working bitmap (and a bitmap written without a copy) gives
// the file the editor's way gives: the picture made a bitmap, converted to 24 bits, changed, saved.
TEST_F(Batch, JpegInputGivesTheBitmapTheEditorMakesOfIt)
{
    const std::string Input = PathOf("in.jpg");
    {
        const TBitmap Pixels = MakeRandomBitmap(37, 23, 24, 5);
        TPicture Picture;
        Picture.SetGraphic(&Pixels);
        SavePictureAs(Picture, Input);
    }
    TKelvoImage Editor;
    Editor.Picture().LoadFromFile(Input);
    Editor.SetPictureType(picBitmap);
    Editor.Picture().Bitmap().SetPixelFormat(pf24bit);
    const std::vector<std::uint8_t> Converted = [&] {
        std::vector<std::uint8_t> Bytes;
        Editor.Picture().Bitmap().SaveToStream(Bytes);
        return Bytes;
    }();
    Editor.Negative();
    std::vector<std::uint8_t> Changed;
    Editor.Picture().Bitmap().SaveToStream(Changed);

    ASSERT_EQ(Run({Input, "-o", PathOf("plain.bmp")}), 0) << FErrors.str();
    EXPECT_EQ(ReadFileBytes(PathOf("plain.bmp")), Converted);
    ASSERT_EQ(Run({Input, "Negative", "-o", PathOf("negative.bmp")}), 0) << FErrors.str();
    EXPECT_EQ(ReadFileBytes(PathOf("negative.bmp")), Changed);
}

TEST_F(Batch, FailuresPrintTheMessageAndExitOne)
{
    EXPECT_EQ(Run({"--info", PathOf("missing.bmp")}), 1);
    EXPECT_EQ(FErrors.str(), FormatMessage(Messages::SFOpenError, PathOf("missing.bmp").c_str()) + "\n");

    EXPECT_EQ(Run({PathOf("picture.pcx"), "-o", PathOf("out.bmp")}), 1);
    EXPECT_EQ(FErrors.str(), "拡張子 .pcx の画像形式は処理できません\n");

    const std::string Damaged = PathOf("damaged.bmp");
    SaveBitmap(MakeRandomBitmap(4, 4, 24, 5), "damaged.bmp");
    std::filesystem::resize_file(Damaged, 60);
    EXPECT_EQ(Run({Damaged, "-o", PathOf("out.bmp")}), 1);
    EXPECT_EQ(FErrors.str(), std::string(Messages::SInvalidBitmap) + "\n");
    EXPECT_FALSE(std::filesystem::exists(PathOf("out.bmp")));

    const std::string Input = SaveBitmap(MakeRandomBitmap(2, 2, 24, 6), "in.bmp");
    const std::string Unwritable = PathOf("no-such-folder/out.bmp");
    EXPECT_EQ(Run({Input, "-o", Unwritable}), 1);
    EXPECT_EQ(FErrors.str(), FormatMessage(Messages::SFCreateError, Unwritable.c_str()) + "\n");
}

TEST_F(Batch, UsageErrorsExitTwo)
{
    const std::string Input = SaveBitmap(MakeRandomBitmap(2, 2, 24, 7), "in.bmp");
    const std::vector<std::vector<std::string>> Wrong{
        {},
        {Input},
        {Input, "-o"},
        {"-o", PathOf("out.bmp")},
        {Input, "-o", PathOf("a.bmp"), "-o", PathOf("b.bmp")},
        {Input, "--frobnicate", "-o", PathOf("out.bmp")},
        {"--info"},
        {"--info", Input, Input},
        {Input, "Frobnicate", "-o", PathOf("out.bmp")},
        {Input, "Mosaic", "-o", PathOf("out.bmp")},
        {Input, "Mosaic:x", "-o", PathOf("out.bmp")},
        {Input, "Mosaic:4,4", "-o", PathOf("out.bmp")},
        {Input, "Mosaic:1", "-o", PathOf("out.bmp")}, // below its range
    };
    for (const auto& Arguments : Wrong) {
        EXPECT_EQ(Run(Arguments), 2) << testing::PrintToString(Arguments);
        // One line, not the whole usage text.
        const std::string Errors = FErrors.str();
        EXPECT_EQ(Errors.rfind("pixora-batch: ", 0), 0u) << Errors;
        EXPECT_EQ(std::count(Errors.begin(), Errors.end(), '\n'), 1) << Errors;
        EXPECT_TRUE(Errors.ends_with(" (see pixora-batch --help)\n")) << Errors;
    }
    EXPECT_FALSE(std::filesystem::exists(PathOf("out.bmp")));
}

TEST_F(Batch, AnArgumentOutOfRangeNamesTheOperationTheArgumentAndItsRange)
{
    const std::string Input = SaveBitmap(MakeRandomBitmap(4, 4, 24, 7), "in.bmp");
    EXPECT_EQ(Run({Input, "Mosaic:60", "-o", PathOf("out.bmp")}), 2);
    EXPECT_EQ(FErrors.str(), "pixora-batch: Mosaic: BlockSize must be 2..50, not \"60\" (see pixora-batch --help)\n");
    EXPECT_EQ(Run({Input, "Framing:0,150,true", "-o", PathOf("out.bmp")}), 2);
    EXPECT_EQ(FErrors.str(),
              "pixora-batch: Framing: FrameWidth must be at least 1, not \"0\" (see pixora-batch --help)\n");
    EXPECT_EQ(Run({Input, "Gamma:nan", "-o", PathOf("out.bmp")}), 2);
    EXPECT_EQ(FErrors.str(), "pixora-batch: Gamma: Value must be 0.1..10, not \"nan\" (see pixora-batch --help)\n");
    // A condition beyond the bounds is checked on the picture and names every argument with the range.
    EXPECT_EQ(Run({Input, "Trimming:0,0,9,2,true", "-o", PathOf("out.bmp")}), 2);
    EXPECT_EQ(FErrors.str(), "pixora-batch: Trimming: Left=0, Top=0, Right=9, Bottom=2, InPictureUnits=true is "
                             "outside the range inclusive area (Left, Top, Right, Bottom) inside the picture, in "
                             "picture pixels when InPictureUnits, else in control pixels (see pixora-batch --help)\n");
    EXPECT_FALSE(std::filesystem::exists(PathOf("out.bmp")));
}

TEST_F(Batch, HelpAndListGoToStandardOutput)
{
    EXPECT_EQ(Run({"--help"}), 0);
    EXPECT_NE(FOutput.str().find("usage: pixora-batch"), std::string::npos);
    EXPECT_NE(FOutput.str().find(".bmp"), std::string::npos);
    EXPECT_EQ(Run({"--list"}), 0);
    EXPECT_NE(FOutput.str().find("Mosaic:BlockSize"), std::string::npos);
    EXPECT_NE(FOutput.str().find("Negative  (none)"), std::string::npos);
}

TEST(BatchStep, ParsesArgumentsByTheirTypes)
{
    const TBatchStep Sobel = ParseBatchStep("Sobel:10,true");
    ASSERT_NE(Sobel.Operation, nullptr);
    EXPECT_EQ(Sobel.Operation->Kind, "Sobel");
    ASSERT_EQ(Sobel.Arguments.size(), 2u);
    EXPECT_EQ(std::get<int>(Sobel.Arguments[0]), 10);
    EXPECT_TRUE(std::get<bool>(Sobel.Arguments[1]));

    const TBatchStep Gamma = ParseBatchStep("Gamma:1.5");
    EXPECT_EQ(std::get<long double>(Gamma.Arguments[0]), 1.5L);
    EXPECT_EQ(std::get<int>(ParseBatchStep("Light:-20").Arguments[0]), -20);
    EXPECT_TRUE(ParseBatchStep("Negative").Arguments.empty());

    EXPECT_THROW(ParseBatchStep("Light:20x"), EBatchUsage);
    EXPECT_THROW(ParseBatchStep("Light:"), EBatchUsage);
    EXPECT_THROW(ParseBatchStep("Gamma:fast"), EBatchUsage);
    EXPECT_THROW(ParseBatchStep("Sobel:10,maybe"), EBatchUsage);
    EXPECT_THROW(ParseBatchStep("Light:99999999999"), EBatchUsage);
    EXPECT_THROW(ParseBatchStep("negative"), EBatchUsage);
}

TEST_F(Batch, RefusedOperationsNameTheirKindAndExitThree)
{
    // A 4-bit picture is below the tone operations' depth.
    const std::string Input = SaveBitmap(MakeRandomBitmap(3, 2, 4, 9), "in.bmp");
    EXPECT_EQ(Run({Input, "Sepia", "-o", PathOf("out.bmp")}), 3);
    EXPECT_NE(FErrors.str().find("Sepia"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(PathOf("out.bmp")));
}

TEST_F(Batch, TimePrintsEachOperationsMilliseconds)
{
    const std::string Input = SaveBitmap(MakeRandomBitmap(3, 2, 24, 9), "in.bmp");
    EXPECT_EQ(Run({Input, "Negative", "BlackAndWhite:-1", "--time", "-o", PathOf("out.bmp")}), 0) << FErrors.str();
    EXPECT_NE(FErrors.str().find("Negative: "), std::string::npos);
    EXPECT_NE(FErrors.str().find("BlackAndWhite: "), std::string::npos);
    EXPECT_NE(FErrors.str().find(" ms\n"), std::string::npos);
}

TEST_F(Batch, PixelFormatEightWritesAnEightBitFileOnTheHalftonePalette)
{
    TBitmap Source;
    Source.SetLayout(3, 1, 24);
    std::uint8_t* Row = Source.ScanLine(0);
    const std::uint8_t Pixels[9] = {0, 0, 255, 255, 255, 255, 0, 0, 0}; // red, white, black as B, G, R
    std::copy(Pixels, Pixels + 9, Row);
    const std::string Input = SaveBitmap(Source, "in.bmp");
    ASSERT_EQ(Run({Input, "PixelFormat:8", "-o", PathOf("out.bmp")}), 0) << FErrors.str();
    TPicture Result;
    Result.LoadFromFile(PathOf("out.bmp"));
    const TBitmap& Bitmap = Result.Bitmap();
    ASSERT_EQ(Bitmap.PixelFormat(), pf8bit);
    const TPalette& Palette = Bitmap.ColorTable();
    // Pure red, white and black all lie on the halftone palette, so they come back exactly.
    const TPaletteEntry Red = Palette[Bitmap.ScanLine(0)[0]];
    const TPaletteEntry White = Palette[Bitmap.ScanLine(0)[1]];
    const TPaletteEntry Black = Palette[Bitmap.ScanLine(0)[2]];
    EXPECT_EQ(Red, (TPaletteEntry{255, 0, 0, 0}));
    EXPECT_EQ(White, (TPaletteEntry{255, 255, 255, 0}));
    EXPECT_EQ(Black, (TPaletteEntry{0, 0, 0, 0}));
    EXPECT_EQ(Run({Input, "PixelFormat:4", "-o", PathOf("bad.bmp")}), 2);
}
