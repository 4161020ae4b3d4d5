// TIcon on icon files written byte by byte: masks, alpha, the entry chosen, damaged directories.
#include "platform/graphics/Icon.h"
#include "platform/graphics/Canvas.h"
#include "platform/graphics/Metafile.h"
#include "platform/graphics/MetafileCanvas.h"
#include "platform/graphics/Picture.h"
#include "platform/graphics/codecs/PngCodec.h"
#include "platform/system/Exceptions.h"
#include "platform/system/Messages.h"

#include <QBuffer>
#include <QImage>
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <filesystem>
#include <fstream>

namespace {

using TBytes = std::vector<std::uint8_t>;

void Put32(TBytes& Bytes, std::uint32_t Value)
{
    for (int Shift = 0; Shift < 32; Shift += 8) Bytes.push_back(std::uint8_t(Value >> Shift));
}

void Put16(TBytes& Bytes, std::uint16_t Value)
{
    Bytes.push_back(std::uint8_t(Value));
    Bytes.push_back(std::uint8_t(Value >> 8));
}

// A BITMAPINFOHEADER of an icon entry: the height doubled for the colour rows and the mask.
TBytes InfoHeader(int Width, int Height, int BitCount)
{
    TBytes Bytes;
    Put32(Bytes, 40);
    Put32(Bytes, std::uint32_t(Width));
    Put32(Bytes, std::uint32_t(Height * 2));
    Put16(Bytes, 1);
    Put16(Bytes, std::uint16_t(BitCount));
    for (int Field = 0; Field < 6; ++Field) Put32(Bytes, 0);
    return Bytes;
}

// An icon file of the entries, with their offsets and sizes in the directory.
TBytes IconFile(const std::vector<TBytes>& Entries)
{
    TBytes Bytes;
    Put16(Bytes, 0);
    Put16(Bytes, 1);
    Put16(Bytes, std::uint16_t(Entries.size()));
    std::uint32_t Offset = std::uint32_t(6 + 16 * Entries.size());
    for (const auto& Entry : Entries) {
        for (int Field = 0; Field < 4; ++Field) Bytes.push_back(0); // width, height, colours, reserved
        Put16(Bytes, 1);
        Put16(Bytes, 0);
        Put32(Bytes, std::uint32_t(Entry.size()));
        Put32(Bytes, Offset);
        Offset += std::uint32_t(Entry.size());
    }
    for (const auto& Entry : Entries) Bytes.insert(Bytes.end(), Entry.begin(), Entry.end());
    return Bytes;
}

// 3 x 2 pixels at 1 bit: colour 0 black, colour 1 (blue 0x10, green 0x20, red 0x30).
// Colour rows, top first: 0 1 1 / 1 0 1. Mask rows, top first: 0 0 1 / 1 0 0 (1 = transparent).
TBytes OneBitEntry()
{
    TBytes Entry = InfoHeader(3, 2, 1);
    const TBytes Rest = {
        0x00, 0x00, 0x00, 0x00, 0x10, 0x20, 0x30, 0x00, // colour table
        0xA0, 0,    0,    0,                            // colour row of the bottom line: 1 0 1
        0x60, 0,    0,    0,                            // colour row of the top line: 0 1 1
        0x80, 0,    0,    0,                            // mask of the bottom line: 1 0 0
        0x20, 0,    0,    0,                            // mask of the top line: 0 0 1
    };
    Entry.insert(Entry.end(), Rest.begin(), Rest.end());
    return Entry;
}

// Width x Height pixels at BitCount (1, 4, 8 or 24) all of colour (Blue, 0, 0), the mask clear.
TBytes FlatEntry(int Width, int Height, int BitCount, std::uint8_t Blue)
{
    TBytes Entry = InfoHeader(Width, Height, BitCount);
    if (BitCount <= 8) {
        Put32(Entry, 0);
        Put32(Entry, Blue);
        for (int Index = 2; Index < 1 << BitCount; ++Index) Put32(Entry, 0);
    }
    const std::size_t RowBytes = BytesPerScanLine(Width, BitCount);
    for (int Y = 0; Y < Height; ++Y)
        for (std::size_t Byte = 0; Byte < RowBytes; ++Byte) {
            // Every pixel of index 1, or of blue Blue at 24 bits.
            const std::uint8_t Value = BitCount == 1 ? 0xFF : BitCount == 4 ? 0x11 : BitCount == 8 ? 1 : 0;
            Entry.push_back(BitCount == 24 ? (Byte % 3 == 0 ? Blue : 0) : Value);
        }
    Entry.insert(Entry.end(), BytesPerScanLine(Width, 1) * std::size_t(Height), 0);
    return Entry;
}

std::array<std::uint8_t, 4> Pixel(const TBitmap& Bitmap, int X, int Y)
{
    const std::uint8_t* P = Bitmap.ScanLine(Y) + X * 4;
    return {P[0], P[1], P[2], P[3]};
}

std::string LoadError(const TBytes& Bytes)
{
    try {
        TIcon Icon;
        Icon.LoadFromStream(Bytes);
    } catch (const EInvalidGraphic& Error) {
        return Error.Message();
    }
    return "";
}

} // namespace

TEST(Icon, OneBitEntryTakesItsTransparencyFromTheAndMask)
{
    TIcon Icon;
    Icon.LoadFromStream(IconFile({OneBitEntry()}));
    ASSERT_EQ(Icon.Width(), 3);
    ASSERT_EQ(Icon.Height(), 2);
    const TBitmap& Image = Icon.Bitmap();
    ASSERT_EQ(Image.BitCount(), 32);
    using P = std::array<std::uint8_t, 4>;
    EXPECT_EQ(Pixel(Image, 0, 0), (P{0, 0, 0, 255}));
    EXPECT_EQ(Pixel(Image, 1, 0), (P{0x10, 0x20, 0x30, 255}));
    EXPECT_EQ(Pixel(Image, 2, 0), (P{0x10, 0x20, 0x30, 0}));
    EXPECT_EQ(Pixel(Image, 0, 1), (P{0x10, 0x20, 0x30, 0}));
    EXPECT_EQ(Pixel(Image, 1, 1), (P{0, 0, 0, 255}));
    EXPECT_EQ(Pixel(Image, 2, 1), (P{0x10, 0x20, 0x30, 255}));
}

TEST(Icon, ThirtyTwoBitEntryKeepsItsAlpha)
{
    TBytes Entry = InfoHeader(2, 1, 32);
    const TBytes Rest = {1, 2, 3, 128, 4, 5, 6, 255, 0, 0, 0, 0};
    Entry.insert(Entry.end(), Rest.begin(), Rest.end());
    TIcon Icon;
    Icon.LoadFromStream(IconFile({Entry}));
    EXPECT_EQ(Pixel(Icon.Bitmap(), 0, 0), (std::array<std::uint8_t, 4>{1, 2, 3, 128}));
    EXPECT_EQ(Pixel(Icon.Bitmap(), 1, 0), (std::array<std::uint8_t, 4>{4, 5, 6, 255}));
}

TEST(Icon, PngEntryDecodesWithItsAlpha)
{
    TBitmap Source;
    Source.SetLayout(3, 2, 32);
    for (int Y = 0; Y < 2; ++Y)
        for (int X = 0; X < 3; ++X) {
            std::uint8_t* P = Source.ScanLine(Y) + X * 4;
            P[0] = std::uint8_t(10 * X);
            P[1] = std::uint8_t(100 + Y);
            P[2] = 200;
            P[3] = std::uint8_t(X == 1 ? 0 : 255);
        }
    TBytes Png;
    WritePng(Source, Png);
    TIcon Icon;
    Icon.LoadFromStream(IconFile({Png}));
    ASSERT_EQ(Icon.Width(), 3);
    EXPECT_EQ(Pixel(Icon.Bitmap(), 2, 1), (std::array<std::uint8_t, 4>{20, 101, 200, 255}));
    EXPECT_EQ(Pixel(Icon.Bitmap(), 1, 0)[3], 0);
}

TEST(Icon, ShowsTheLargestEntryThenTheDeepest)
{
    {
        TIcon Icon;
        Icon.LoadFromStream(IconFile({FlatEntry(2, 2, 4, 40), FlatEntry(2, 2, 8, 80), FlatEntry(2, 2, 1, 10)}));
        EXPECT_EQ(Pixel(Icon.Bitmap(), 1, 1)[0], 80);
    }
    {
        TIcon Icon;
        Icon.LoadFromStream(IconFile({FlatEntry(2, 2, 24, 240), FlatEntry(3, 3, 1, 10)}));
        EXPECT_EQ(Icon.Width(), 3);
        EXPECT_EQ(Pixel(Icon.Bitmap(), 2, 2)[0], 10);
    }
}

TEST(Icon, RefusesDamagedDirectoriesAndEntries)
{
    const std::string Message = Messages::SInvalidIcon;
    const TBytes Good = IconFile({OneBitEntry()});
    // Every shorter prefix of the file is refused.
    for (std::size_t Length = 0; Length < Good.size(); ++Length)
        EXPECT_EQ(LoadError(TBytes(Good.begin(), Good.begin() + std::ptrdiff_t(Length))), Message) << Length;

    auto NoEntries = Good;
    NoEntries[4] = 0;
    EXPECT_EQ(LoadError(NoEntries), Message);
    auto Cursor = Good;
    Cursor[2] = 2;
    EXPECT_EQ(LoadError(Cursor), Message);
    auto FarOffset = Good;
    FarOffset[18] = std::uint8_t(Good.size() + 10); // the offset beyond the end of the file
    EXPECT_EQ(LoadError(FarOffset), Message);
    auto HugeSize = Good;
    HugeSize[14] = HugeSize[15] = HugeSize[16] = HugeSize[17] = 0xFF;
    EXPECT_EQ(LoadError(HugeSize), Message);

    // Header claims 65535 x 32767 pixels in an entry of a few dozen bytes.
    auto Bomb = Good;
    Bomb[22 + 4] = Bomb[22 + 5] = Bomb[22 + 8] = Bomb[22 + 9] = 0xFF;
    EXPECT_EQ(LoadError(Bomb), Message);
    auto Compressed = Good;
    Compressed[22 + 16] = 1;
    EXPECT_EQ(LoadError(Compressed), Message);
    auto OddDepth = Good;
    OddDepth[22 + 14] = 3;
    EXPECT_EQ(LoadError(OddDepth), Message);
}

TEST(Icon, RefusesPngEntriesThatAreHugeOrDamaged)
{
    // Signature and an IHDR claiming 4096 x 4096, then nothing: refused before any decoding.
    TBytes Huge = {0x89, 'P', 'N',  'G', '\r', '\n', 0x1A, '\n', 0, 0, 0, 13, 'I', 'H', 'D', 'R',
                   0,    0,   0x10, 0,   0,    0,    0x10, 0,    8, 6, 0, 0,  0,   0,   0,   0};
    EXPECT_EQ(LoadError(IconFile({Huge})), Messages::SInvalidIcon);
    TBytes Small = Huge;
    Small[18] = 0;
    Small[19] = 4;
    Small[22] = 0;
    Small[23] = 4;
    EXPECT_EQ(LoadError(IconFile({Small})), Messages::SInvalidIcon);
}

TEST(Icon, DrawsThroughItsMaskAndSavesTheBytesItLoaded)
{
    const TBytes File = IconFile({OneBitEntry()});
    TIcon Icon;
    Icon.LoadFromStream(File);
    TBitmap Target;
    Target.SetLayout(3, 2, 24);
    Target.Canvas().Brush = TBrush{clWhite, bsSolid};
    Target.Canvas().FillRect(Rect(0, 0, 3, 2));
    Target.Canvas().Draw(0, 0, Icon);
    const std::uint8_t* Top = Target.ScanLine(0);
    EXPECT_EQ(Top[0], 0);                         // opaque black
    EXPECT_EQ(Top[3], 0x10);                      // opaque colour 1
    EXPECT_EQ(Top[6] + Top[7] + Top[8], 3 * 255); // transparent: the white stays

    std::vector<std::uint8_t> Saved;
    Icon.Clone()->SaveToStream(Saved);
    EXPECT_EQ(Saved, File);
    // A bitmap made from it shows the same: the transparent pixel white.
    TBitmap Assigned;
    Assigned.Assign(Icon);
    ASSERT_EQ(Assigned.BitCount(), 24);
    EXPECT_EQ(Assigned.ScanLine(0)[6] + Assigned.ScanLine(0)[7] + Assigned.ScanLine(0)[8], 3 * 255);
}

TEST(Icon, LoadsByItsExtension)
{
    const TBytes File = IconFile({OneBitEntry()});
    const auto Path = std::filesystem::temp_directory_path() / "pixora-icon-test.ICO";
    std::ofstream(Path, std::ios::binary)
        .write(reinterpret_cast<const char*>(File.data()), std::streamsize(File.size()));
    TPicture Picture;
    Picture.LoadFromFile(Path.string());
    std::filesystem::remove(Path);
    EXPECT_NE(dynamic_cast<TIcon*>(Picture.Graphic()), nullptr);
    EXPECT_EQ(Picture.Width(), 3);
}

namespace {

// 256 x 256 pixels with soft edges, as straight-alpha ARGB: a white ring 4 pixels wide at alpha 32, a red
// ring inside it at alpha 128, green within, and a transparent black hole in the middle.
QImage SoftEdgedPicture()
{
    QImage Picture(256, 256, QImage::Format_ARGB32);
    for (int Y = 0; Y < 256; ++Y)
        for (int X = 0; X < 256; ++X) {
            const int Border = std::min({X, Y, 255 - X, 255 - Y});
            const bool Hole = std::abs(X - 128) < 20 && std::abs(Y - 128) < 20;
            Picture.setPixel(X, Y,
                             Border < 4    ? qRgba(255, 255, 255, 32)
                             : Border < 12 ? qRgba(255, 0, 0, 128)
                             : Hole        ? qRgba(0, 0, 0, 0)
                                           : qRgba(30, 160, 90, 255));
        }
    return Picture;
}

TBytes PngEntry(const QImage& Picture)
{
    QByteArray Encoded;
    QBuffer Buffer(&Encoded);
    Buffer.open(QIODevice::WriteOnly);
    Picture.save(&Buffer, "PNG");
    return TBytes(Encoded.begin(), Encoded.end());
}

// A 32-bit DIB entry of the picture: blue, green, red, alpha, bottom-up, and an AND mask of zeros.
TBytes ThirtyTwoBitEntry(const QImage& Picture)
{
    TBytes Entry = InfoHeader(Picture.width(), Picture.height(), 32);
    for (int Y = Picture.height() - 1; Y >= 0; --Y)
        for (int X = 0; X < Picture.width(); ++X) {
            const QRgb Colour = Picture.pixel(X, Y);
            for (const int Channel : {qBlue(Colour), qGreen(Colour), qRed(Colour), qAlpha(Colour)})
                Entry.push_back(std::uint8_t(Channel));
        }
    Entry.insert(Entry.end(), BytesPerScanLine(Picture.width(), 1) * std::size_t(Picture.height()), 0);
    return Entry;
}

// The pixels of a 24-bit Target that differ by more than one level from Picture composited by hand over
// a background of Blue, Green, Red.
int DifferFromComposite(const TBitmap& Target, const QImage& Picture, std::array<int, 3> Background)
{
    int Differing = 0;
    for (int Y = 0; Y < Picture.height(); ++Y)
        for (int X = 0; X < Picture.width(); ++X) {
            const QRgb Colour = Picture.pixel(X, Y);
            const int Alpha = qAlpha(Colour);
            const int Source[3] = {qBlue(Colour), qGreen(Colour), qRed(Colour)};
            const std::uint8_t* Pixel = Target.ScanLine(Y) + X * 3;
            for (int Channel = 0; Channel < 3; ++Channel) {
                const double Expected =
                    (Source[Channel] * Alpha + Background[std::size_t(Channel)] * (255 - Alpha)) / 255.0;
                if (std::abs(Pixel[Channel] - Expected) > 1.0) {
                    ++Differing;
                    break;
                }
            }
        }
    return Differing;
}

} // namespace

TEST(Icon, PngAndThirtyTwoBitEntriesBlendTheirSoftEdgesOverWhatLiesBeneath)
{
    const QImage Picture = SoftEdgedPicture();
    for (const TBytes& Entry : {PngEntry(Picture), ThirtyTwoBitEntry(Picture)}) {
        TIcon Icon;
        Icon.LoadFromStream(IconFile({Entry}));
        // Drawn onto a coloured bitmap.
        TBitmap Target;
        Target.SetLayout(256, 256, 24);
        Target.Canvas().Brush = TBrush{RGB(150, 110, 70), bsSolid};
        Target.Canvas().FillRect(Rect(0, 0, 256, 256));
        Target.Canvas().Draw(0, 0, Icon);
        EXPECT_EQ(DifferFromComposite(Target, Picture, {70, 110, 150}), 0) << Entry.size();
        // Made into a bitmap, as the graphic-type box does: drawn onto a new white bitmap, opaque.
        TBitmap Assigned;
        Assigned.Assign(Icon);
        ASSERT_EQ(Assigned.BitCount(), 24) << Entry.size();
        EXPECT_EQ(DifferFromComposite(Assigned, Picture, {255, 255, 255}), 0) << Entry.size();
    }
}

TEST(Icon, RecordedOnAMetafileCanvasItsTransparentPixelsShowTheDrawingBeneath)
{
    // Soft edges go in as an alpha blend; a picture whose pixels are either opaque or transparent as a
    // mask transfer, which the Windows metafile keeps too.
    QImage TwoLevel = SoftEdgedPicture();
    for (int Y = 0; Y < 256; ++Y)
        for (int X = 0; X < 256; ++X)
            if (qAlpha(TwoLevel.pixel(X, Y)) < 255) TwoLevel.setPixel(X, Y, qRgba(0, 0, 255, 0));
    for (const QImage& Picture : {SoftEdgedPicture(), TwoLevel}) {
        TIcon Icon;
        Icon.LoadFromStream(IconFile({ThirtyTwoBitEntry(Picture)}));
        TMetafile Metafile;
        Metafile.SetWidth(256);
        Metafile.SetHeight(256);
        {
            TMetafileCanvas Canvas(Metafile);
            Canvas.Brush = TBrush{RGB(150, 110, 70), bsSolid};
            Canvas.FillRect(Rect(0, 0, 256, 256));
            Canvas.Draw(0, 0, Icon);
        }
        const auto Shown = [](const TMetafile& Played) {
            TBitmap Target;
            Target.SetLayout(256, 256, 24);
            Played.Draw(Target.Canvas(), Rect(0, 0, 256, 256));
            return Target;
        };
        const bool Soft = Picture == SoftEdgedPicture();
        EXPECT_EQ(DifferFromComposite(Shown(Metafile), Picture, {70, 110, 150}), 0) << Soft;
        Metafile.SetEnhanced(false);
        TBytes Wmf;
        Metafile.SaveToStream(Wmf);
        TMetafile Reloaded;
        Reloaded.LoadFromStream(Wmf);
        EXPECT_LE(DifferFromComposite(Shown(Reloaded), Picture, {70, 110, 150}), Soft ? 256 * 4 : 0) << Soft;
    }
}
