// TMetafile: its size in both measures, recording through TMetafileCanvas, EMF and WMF round trips and
// the refusal of damaged streams.
#include "platform/graphics/Metafile.h"
#include "platform/graphics/Bitmap.h"
#include "platform/graphics/MetafileCanvas.h"
#include "platform/system/Exceptions.h"
#include "platform/system/Messages.h"
#include "platform/system/Screen.h"

#include "tests/support/MetafileCompare.h"

#include <gtest/gtest.h>

namespace {

TBitmap Render(const TMetafile& Metafile, int Width, int Height)
{
    TBitmap Target;
    Target.SetLayout(Width, Height, 24);
    Metafile.Draw(Target.Canvas(), Rect(0, 0, Width, Height));
    return Target;
}

// Blue, green, red of a 24-bit pixel.
TColor PixelOf(const TBitmap& Bitmap, int X, int Y)
{
    const std::uint8_t* Pixel = Bitmap.ScanLine(Y) + 3 * X;
    return RGB(Pixel[2], Pixel[1], Pixel[0]);
}

void ExpectRecordingDrawn(const TMetafile& Metafile)
{
    const TBitmap Shown = Render(Metafile, 40, 30);
    EXPECT_EQ(PixelOf(Shown, 5, 5), clRed);
    EXPECT_EQ(PixelOf(Shown, 35, 25), clRed);
    EXPECT_EQ(PixelOf(Shown, 20, 15), clBlue);
}

void ExpectInvalid(std::span<const std::uint8_t> Bytes)
{
    TMetafile Metafile;
    try {
        Metafile.LoadFromStream(Bytes);
        ADD_FAILURE() << "a damaged metafile was accepted";
    } catch (const EInvalidGraphic& Error) {
        EXPECT_EQ(Error.Message(), Messages::SInvalidMetafile);
    }
    EXPECT_TRUE(Metafile.Empty());
}

} // namespace

TEST(Metafile, PhysicalMeasureFollowsTheScreenResolution)
{
    const int Dpi = ScreenPixelsPerInch();
    TMetafile Metafile;
    Metafile.SetInch(1);
    // 2540 hundredths of a millimetre are one inch: as many pixels as the screen has per inch.
    Metafile.SetMMWidth(2540);
    Metafile.SetMMHeight(1270);
    EXPECT_EQ(Metafile.Width(), Dpi);
    EXPECT_EQ(Metafile.Height(), Dpi / 2);
    // Setting a size in pixels reads back the same size, whatever rounding the extent needs.
    for (int Pixels = 1; Pixels <= 3000; ++Pixels) {
        Metafile.SetWidth(Pixels);
        ASSERT_EQ(Metafile.Width(), Pixels);
    }
}

TEST(Metafile, RecordingCanvasFixesFrameAndDrawsItsRecords)
{
    const TMetafile Metafile = MakeRecording();
    ASSERT_FALSE(Metafile.Empty());
    EXPECT_EQ(Metafile.Width(), 40);
    EXPECT_EQ(Metafile.Height(), 30);
    ExpectRecordingDrawn(Metafile);
    // Stretched to twice the size, the line lands on row 30.
    const TBitmap Large = Render(Metafile, 80, 60);
    EXPECT_EQ(PixelOf(Large, 40, 30), clBlue);
    EXPECT_EQ(PixelOf(Large, 40, 10), clRed);
}

TEST(Metafile, CopiesAreIndependent)
{
    const TMetafile Original = MakeRecording();
    TMetafile Copy(Original);
    Copy.Clear();
    EXPECT_TRUE(Copy.Empty());
    ExpectRecordingDrawn(Original);
    TMetafile Assigned;
    Assigned = Original;
    ExpectRecordingDrawn(Assigned);
}

TEST(Metafile, EnhancedRoundTripKeepsTheDrawing)
{
    const TMetafile Original = MakeRecording();
    std::vector<std::uint8_t> Bytes;
    Original.SaveToStream(Bytes);
    TMetafile Reloaded;
    Reloaded.LoadFromStream(Bytes);
    EXPECT_TRUE(Reloaded.Enhanced());
    EXPECT_EQ(Reloaded.MMWidth(), Original.MMWidth());
    ExpectRecordingDrawn(Reloaded);
}

TEST(Metafile, WindowsMetafileRoundTripKeepsTheDrawing)
{
    TMetafile Original = MakeRecording();
    Original.SetEnhanced(false);
    EXPECT_EQ(Original.DefaultExtension(), "wmf");
    std::vector<std::uint8_t> Bytes;
    Original.SaveToStream(Bytes);
    ASSERT_GE(Bytes.size(), 40u);
    EXPECT_EQ(Bytes[0], 0xD7); // the placeable key
    TMetafile Reloaded;
    Reloaded.LoadFromStream(Bytes);
    EXPECT_FALSE(Reloaded.Enhanced());
    ExpectRecordingDrawn(Reloaded);
}

TEST(Metafile, DamagedStreamsAreRefused)
{
    std::vector<std::uint8_t> Bytes;
    MakeRecording().SaveToStream(Bytes);
    ExpectInvalid(std::span(Bytes).first(40)); // inside the header
    std::vector<std::uint8_t> Impossible = Bytes;
    Impossible[108 + 4] = 6; // the first record is shorter than a record can be
    ExpectInvalid(Impossible);
    const std::vector<std::uint8_t> Noise(300, 0x5A);
    ExpectInvalid(Noise);
}

TEST(Metafile, ATruncatedStreamIsDrawnUpToItsLastWholeRecord)
{
    std::vector<std::uint8_t> Bytes;
    MakeRecording().SaveToStream(Bytes);
    // Without its end-of-file record, whole or cut, the recording is all there.
    for (const std::size_t Cut : {std::size_t(20), std::size_t(8)}) {
        TMetafile Metafile;
        ASSERT_NO_THROW(Metafile.LoadFromStream(std::span(Bytes).first(Bytes.size() - Cut)));
        ExpectRecordingDrawn(Metafile);
        // It is stored as a whole stream again: saved, it reads back with the header's size its own.
        std::vector<std::uint8_t> Saved;
        Metafile.SaveToStream(Saved);
        std::uint32_t Claimed;
        std::memcpy(&Claimed, Saved.data() + 48, 4);
        EXPECT_EQ(Claimed, Saved.size());
        TMetafile Again;
        Again.LoadFromStream(Saved);
        ExpectRecordingDrawn(Again);
    }
    // A record that runs past the end of the file ends the picture: what precedes it is drawn.
    std::vector<std::uint8_t> Oversized = Bytes;
    Oversized[108 + 4] = 0xFF;
    Oversized[108 + 5] = 0xFF;
    TMetafile Metafile;
    ASSERT_NO_THROW(Metafile.LoadFromStream(Oversized));
    EXPECT_EQ(Metafile.Width(), 40);
}

TEST(Metafile, MadeFromABitmapRecordsItAtItsSizeInPhysicalMeasure)
{
    TBitmap Source;
    Source.SetLayout(6, 4, 24);
    for (int Y = 0; Y < 4; ++Y)
        for (int X = 0; X < 6; ++X) {
            std::uint8_t* Pixel = Source.ScanLine(Y) + 3 * X;
            Pixel[0] = 0, Pixel[1] = X < 3 ? 255 : 0, Pixel[2] = X < 3 ? 0 : 255; // green left, red right
        }
    TMetafile Metafile;
    ASSERT_TRUE(Metafile.AssignFromBitmap(Source));
    EXPECT_EQ(Metafile.Inch(), 1);
    EXPECT_EQ(Metafile.Width(), 6);
    EXPECT_EQ(Metafile.Height(), 4);
    const TBitmap Shown = Render(Metafile, 6, 4);
    EXPECT_EQ(PixelOf(Shown, 1, 2), clLime);
    EXPECT_EQ(PixelOf(Shown, 4, 1), clRed);
}

TEST(Metafile, PensComingToUnderOneAndAHalfPixelsAreOnePixelWide)
{
    // A black pen of one unit across white, shown at 1.3 and at 2 pixels per unit: the first rounds to
    // one pixel, the second keeps its two. The ink in a column across the line is its width in pixels.
    const TMetafile Metafile = MakeRecording(clWhite, clBlack, 1, 10);
    const auto InkAcross = [](const TBitmap& Shown, int X) {
        double Ink = 0;
        for (int Y = 0; Y < Shown.Height(); ++Y) Ink += (255 - Shown.ScanLine(Y)[3 * X]) / 255.0;
        return Ink;
    };
    EXPECT_NEAR(InkAcross(Render(Metafile, 52, 39), 26), 1.0, 0.1);
    EXPECT_NEAR(InkAcross(Render(Metafile, 80, 60), 40), 2.0, 0.1);
}
