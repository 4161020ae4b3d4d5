// Hostile metafiles: records shorter than their parameters at the very end of readable memory, frames
// that are empty, inverted or asking for gigapixels, and text records without advances.
#include "platform/graphics/Bitmap.h"
#include "platform/graphics/Metafile.h"
#include "platform/graphics/emf/EmfPlayer.h"
#include "platform/graphics/emf/EmfWriter.h"
#include "platform/system/Exceptions.h"
#include "platform/system/Messages.h"
#include "platform/system/Screen.h"
#include "tests/support/MetafileCompare.h"
#include "tests/support/TestApplication.h"

#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <string>
#include <sys/mman.h>
#include <uemf.h>
#include <unistd.h>
#include <uwmf.h>

namespace {

// Bytes placed so that they end where readable memory ends: the page after them is inaccessible, so a
// read past their end faults.
class TGuardedBytes
{
public:
    TGuardedBytes()
    {
        FPage = std::size_t(sysconf(_SC_PAGESIZE));
        void* Mapping = mmap(nullptr, 2 * FPage, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (Mapping == MAP_FAILED) throw std::bad_alloc();
        FBase = static_cast<std::uint8_t*>(Mapping);
        mprotect(FBase + FPage, FPage, PROT_NONE);
    }
    ~TGuardedBytes() { munmap(FBase, 2 * FPage); }
    TGuardedBytes(const TGuardedBytes&) = delete;
    TGuardedBytes& operator=(const TGuardedBytes&) = delete;

    std::span<const std::uint8_t> Place(const std::vector<std::uint8_t>& Bytes)
    {
        std::uint8_t* At = FBase + FPage - Bytes.size();
        std::memcpy(At, Bytes.data(), Bytes.size());
        return {At, Bytes.size()};
    }

private:
    std::size_t FPage = 0;
    std::uint8_t* FBase = nullptr;
};

// A WMF record of the function whose libUEMF index is Index, Words words long, its parameters Fill.
std::vector<std::uint8_t> WmfRecord(int Index, std::uint32_t Words, std::uint8_t Fill)
{
    std::vector<std::uint8_t> Record;
    Append32(Record, Words);
    Append16(Record, std::uint16_t(U_wmr_values(Index)));
    Record.resize(std::size_t(Words) * 2, Fill);
    return Record;
}

// An EMF of a 100 × 100 frame whose records are Records, without an end-of-file record unless they
// bring one.
std::vector<std::uint8_t> EmfWithoutEnd(const std::vector<std::uint8_t>& Records,
                                        const std::int32_t (&Frame)[4] = {0, 0, 2645, 2645})
{
    const TEmfWriter Writer;
    std::vector<std::uint8_t> Bytes = Writer.Finish(Frame, {1920, 1080, 508000, 285750});
    Bytes.resize(Bytes.size() - 20);
    Bytes.insert(Bytes.end(), Records.begin(), Records.end());
    return Bytes;
}

// Loading either refuses with the metafile's message or succeeds; the bytes of a successful load are drawn.
void LoadAndDraw(std::span<const std::uint8_t> Bytes)
{
    TMetafile Metafile;
    try {
        Metafile.LoadFromStream(Bytes);
    } catch (const EInvalidGraphic& Error) {
        EXPECT_EQ(Error.Message(), Messages::SInvalidMetafile);
        return;
    }
    TBitmap Shown;
    Shown.SetLayout(16, 16, 24);
    Metafile.Draw(Shown.Canvas(), Rect(0, 0, 16, 16));
}

// Every WMF function the translation reads.
const int WmfFunctions[] = {U_WMR_SETBKCOLOR,
                            U_WMR_SETTEXTCOLOR,
                            U_WMR_SETBKMODE,
                            U_WMR_SETROP2,
                            U_WMR_SETPOLYFILLMODE,
                            U_WMR_SETSTRETCHBLTMODE,
                            U_WMR_SETTEXTALIGN,
                            U_WMR_SETMAPMODE,
                            U_WMR_SETWINDOWORG,
                            U_WMR_SETWINDOWEXT,
                            U_WMR_OFFSETWINDOWORG,
                            U_WMR_SCALEWINDOWEXT,
                            U_WMR_SETVIEWPORTORG,
                            U_WMR_SETVIEWPORTEXT,
                            U_WMR_OFFSETVIEWPORTORG,
                            U_WMR_SCALEVIEWPORTEXT,
                            U_WMR_MOVETO,
                            U_WMR_LINETO,
                            U_WMR_EXCLUDECLIPRECT,
                            U_WMR_INTERSECTCLIPRECT,
                            U_WMR_OFFSETCLIPRGN,
                            U_WMR_RECTANGLE,
                            U_WMR_ELLIPSE,
                            U_WMR_ROUNDRECT,
                            U_WMR_ARC,
                            U_WMR_PIE,
                            U_WMR_CHORD,
                            U_WMR_SETPIXEL,
                            U_WMR_POLYGON,
                            U_WMR_POLYLINE,
                            U_WMR_POLYPOLYGON,
                            U_WMR_TEXTOUT,
                            U_WMR_EXTTEXTOUT,
                            U_WMR_SAVEDC,
                            U_WMR_RESTOREDC,
                            U_WMR_SELECTOBJECT,
                            U_WMR_DELETEOBJECT,
                            U_WMR_SELECTCLIPREGION,
                            U_WMR_CREATEPENINDIRECT,
                            U_WMR_CREATEBRUSHINDIRECT,
                            U_WMR_CREATEFONTINDIRECT,
                            U_WMR_DIBCREATEPATTERNBRUSH,
                            U_WMR_CREATEPATTERNBRUSH,
                            U_WMR_CREATEPALETTE,
                            U_WMR_CREATEREGION,
                            U_WMR_PATBLT,
                            U_WMR_DIBBITBLT,
                            U_WMR_DIBSTRETCHBLT,
                            U_WMR_STRETCHDIB,
                            U_WMR_SETDIBTODEV,
                            U_WMR_EOF};

// Every EMF record the player draws or keeps state from.
const std::uint32_t EmfTypes[] = {U_EMR_POLYBEZIER,
                                  U_EMR_POLYGON,
                                  U_EMR_POLYLINE,
                                  U_EMR_POLYBEZIERTO,
                                  U_EMR_POLYLINETO,
                                  U_EMR_POLYPOLYLINE,
                                  U_EMR_POLYPOLYGON,
                                  U_EMR_SETWINDOWEXTEX,
                                  U_EMR_SETWINDOWORGEX,
                                  U_EMR_SETVIEWPORTEXTEX,
                                  U_EMR_SETVIEWPORTORGEX,
                                  U_EMR_SETBRUSHORGEX,
                                  U_EMR_SETPIXELV,
                                  U_EMR_SETMAPMODE,
                                  U_EMR_SETBKMODE,
                                  U_EMR_SETPOLYFILLMODE,
                                  U_EMR_SETROP2,
                                  U_EMR_SETSTRETCHBLTMODE,
                                  U_EMR_SETTEXTALIGN,
                                  U_EMR_SETTEXTCOLOR,
                                  U_EMR_SETBKCOLOR,
                                  U_EMR_OFFSETCLIPRGN,
                                  U_EMR_MOVETOEX,
                                  U_EMR_EXCLUDECLIPRECT,
                                  U_EMR_INTERSECTCLIPRECT,
                                  U_EMR_SCALEVIEWPORTEXTEX,
                                  U_EMR_SCALEWINDOWEXTEX,
                                  U_EMR_SAVEDC,
                                  U_EMR_RESTOREDC,
                                  U_EMR_SETWORLDTRANSFORM,
                                  U_EMR_MODIFYWORLDTRANSFORM,
                                  U_EMR_SELECTOBJECT,
                                  U_EMR_CREATEPEN,
                                  U_EMR_CREATEBRUSHINDIRECT,
                                  U_EMR_DELETEOBJECT,
                                  U_EMR_ANGLEARC,
                                  U_EMR_ELLIPSE,
                                  U_EMR_RECTANGLE,
                                  U_EMR_ROUNDRECT,
                                  U_EMR_ARC,
                                  U_EMR_CHORD,
                                  U_EMR_PIE,
                                  U_EMR_CREATEPALETTE,
                                  U_EMR_LINETO,
                                  U_EMR_ARCTO,
                                  U_EMR_POLYDRAW,
                                  U_EMR_SETARCDIRECTION,
                                  U_EMR_SETMITERLIMIT,
                                  U_EMR_BEGINPATH,
                                  U_EMR_ENDPATH,
                                  U_EMR_CLOSEFIGURE,
                                  U_EMR_FILLPATH,
                                  U_EMR_STROKEANDFILLPATH,
                                  U_EMR_STROKEPATH,
                                  U_EMR_WIDENPATH,
                                  U_EMR_SELECTCLIPPATH,
                                  U_EMR_ABORTPATH,
                                  U_EMR_FILLRGN,
                                  U_EMR_FRAMERGN,
                                  U_EMR_INVERTRGN,
                                  U_EMR_PAINTRGN,
                                  U_EMR_EXTSELECTCLIPRGN,
                                  U_EMR_BITBLT,
                                  U_EMR_STRETCHBLT,
                                  U_EMR_MASKBLT,
                                  U_EMR_SETDIBITSTODEVICE,
                                  U_EMR_STRETCHDIBITS,
                                  U_EMR_EXTCREATEFONTINDIRECTW,
                                  U_EMR_EXTTEXTOUTA,
                                  U_EMR_EXTTEXTOUTW,
                                  U_EMR_POLYBEZIER16,
                                  U_EMR_POLYGON16,
                                  U_EMR_POLYLINE16,
                                  U_EMR_POLYBEZIERTO16,
                                  U_EMR_POLYLINETO16,
                                  U_EMR_POLYPOLYLINE16,
                                  U_EMR_POLYPOLYGON16,
                                  U_EMR_POLYDRAW16,
                                  U_EMR_CREATEMONOBRUSH,
                                  U_EMR_CREATEDIBPATTERNBRUSHPT,
                                  U_EMR_EXTCREATEPEN,
                                  U_EMR_POLYTEXTOUTA,
                                  U_EMR_POLYTEXTOUTW,
                                  U_EMR_ALPHABLEND,
                                  U_EMR_TRANSPARENTBLT,
                                  U_EMR_GRADIENTFILL,
                                  U_EMR_SMALLTEXTOUT,
                                  U_EMR_EOF};

// Parameters of every byte value that matters to a reader: none, all bits, and small counts.
constexpr std::uint8_t Fills[] = {0x00, 0xFF, 0x03};

class WmfShortRecords : public testing::TestWithParam<int>
{
};

class EmfShortRecords : public testing::TestWithParam<std::uint32_t>
{
};

} // namespace

TEST_P(WmfShortRecords, ARecordCutShortAtTheEndOfMemoryIsNeverReadPastItsEnd)
{
    // The record is the file's last, ending where readable memory ends, at every length from its bare
    // header to past its largest fixed part (a bitmap header of 40 bytes behind 28 bytes of parameters).
    EnsureApplication();
    TGuardedBytes Guarded;
    for (std::uint32_t Words = 3; Words <= 40; ++Words)
        for (const std::uint8_t Fill : Fills) {
            SCOPED_TRACE(testing::Message() << Words << " words of " << int(Fill));
            LoadAndDraw(Guarded.Place(PlaceableWmf(WmfRecord(GetParam(), Words, Fill))));
        }
}

INSTANTIATE_TEST_SUITE_P(EveryFunction, WmfShortRecords, testing::ValuesIn(WmfFunctions),
                         [](const testing::TestParamInfo<int>& Info) {
                             return std::string(U_wmr_names(Info.param)).substr(6);
                         });

TEST_P(EmfShortRecords, ARecordCutShortAtTheEndOfMemoryIsNeverReadPastItsEnd)
{
    // The player reads the stream where it lies; loading reads it too before taking a copy.
    EnsureApplication();
    TGuardedBytes Guarded;
    for (std::uint32_t Size = 8; Size <= 340; Size += 4)
        for (const std::uint8_t Fill : Fills) {
            SCOPED_TRACE(testing::Message() << Size << " bytes of " << int(Fill));
            std::vector<std::uint8_t> Record;
            Append32(Record, GetParam());
            Append32(Record, Size);
            Record.resize(Size, Fill);
            const std::span<const std::uint8_t> Bytes = Guarded.Place(EmfWithoutEnd(Record));
            QImage Image(16, 16, QImage::Format_RGB32);
            Image.fill(Qt::white);
            QPainter Painter(&Image);
            PlayEmf(Bytes, Painter, QRectF(0, 0, 16, 16), QRectF(0, 0, 100, 100));
            Painter.end();
            LoadAndDraw(Bytes);
        }
}

INSTANTIATE_TEST_SUITE_P(EveryRecord, EmfShortRecords, testing::ValuesIn(EmfTypes),
                         [](const testing::TestParamInfo<std::uint32_t>& Info) { return std::to_string(Info.param); });

TEST(MetafileFrame, EmptyInvertedAndGigapixelFramesAreRefused)
{
    // 228-byte files: a header, one record, the end; frames in 0.01 mm.
    const std::int32_t Dpi = ScreenPixelsPerInch();
    const std::int32_t Side20000 = std::int32_t(20000LL * 2540 / Dpi + 1);
    const std::int32_t Frames[][4] = {{0, 0, 0, 0},
                                      {100, 100, 100, 2000},
                                      {2000, 0, 100, 2000},
                                      {0, 2000, 2000, 100},
                                      {INT_MIN, INT_MIN, INT_MAX, INT_MAX},
                                      {0, 0, INT_MAX, 2000},
                                      {0, 0, Side20000, Side20000}};
    for (const auto& Frame : Frames) {
        SCOPED_TRACE(testing::Message() << Frame[0] << "," << Frame[1] << "," << Frame[2] << "," << Frame[3]);
        TEmfWriter Writer;
        Writer.Add(U_EMR_RECTANGLE, {10, 10, 50, 50});
        const std::vector<std::uint8_t> Bytes = Writer.Finish(Frame, {1920, 1080, 508000, 285750});
        TMetafile Metafile;
        try {
            Metafile.LoadFromStream(Bytes);
            ADD_FAILURE() << "taken as " << Metafile.Width() << " × " << Metafile.Height();
        } catch (const EInvalidGraphic& Error) {
            EXPECT_EQ(Error.Message(), Messages::SInvalidMetafile);
        }
        EXPECT_TRUE(Metafile.Empty());
    }
}

TEST(MetafileFrame, TheLimitAdmitsALargeRealChartAndRefusesPlaceableBoxesAskingForMore)
{
    // A chart of 12047 × 15590 pixels at the screen's resolution opens at that size.
    const std::int64_t Dpi = ScreenPixelsPerInch();
    const std::int32_t Frame[4] = {0, 0, std::int32_t(12047 * 2540 / Dpi + 1), std::int32_t(15590 * 2540 / Dpi + 1)};
    TEmfWriter Writer;
    Writer.Add(U_EMR_RECTANGLE, {10, 10, 50, 50});
    TMetafile Chart;
    Chart.LoadFromStream(Writer.Finish(Frame, {1920, 1080, 508000, 285750}));
    Chart.SetInch(1);
    EXPECT_EQ(Chart.Width(), 12047);
    EXPECT_EQ(Chart.Height(), 15590);

    // Placeable boxes of 1000 units at one unit per inch, and of 2000 at ten, are far beyond it; a box
    // of 2000 at 1440 units per inch is a picture of 133 pixels.
    const std::vector<std::uint8_t> Rectangle = {7, 0, 0, 0, 0x1B, 0x04, 10, 0, 10, 0, 50, 0, 50, 0};
    for (const auto& [Side, Inch, Refused] : {std::tuple{std::int16_t(1000), std::uint16_t(1), true},
                                              std::tuple{std::int16_t(2000), std::uint16_t(10), true},
                                              std::tuple{std::int16_t(32767), std::uint16_t(1), true},
                                              std::tuple{std::int16_t(2000), std::uint16_t(1440), false}}) {
        SCOPED_TRACE(testing::Message() << Side << " units at " << Inch << " per inch");
        TMetafile Metafile;
        if (Refused) {
            EXPECT_THROW(Metafile.LoadFromStream(PlaceableWmf(Rectangle, Side, Side, Inch)), EInvalidGraphic);
        } else {
            Metafile.LoadFromStream(PlaceableWmf(Rectangle, Side, Side, Inch));
            EXPECT_EQ(Metafile.Width(), 2000 * Dpi / 1440);
        }
    }
}

TEST(MetafileText, StringsOfFortyCharactersAndMoreWithoutAdvancesOpen)
{
    EnsureApplication();
    const std::string Text(48, 'W');
    // A plain WMF text record: length, string, y, x.
    std::vector<std::uint8_t> Records;
    Append32(Records, std::uint32_t(3 + 1 + Text.size() / 2 + 2));
    Append16(Records, std::uint16_t(U_wmr_values(U_WMR_TEXTOUT)));
    Append16(Records, std::uint16_t(Text.size()));
    Records.insert(Records.end(), Text.begin(), Text.end());
    Append16(Records, 20);
    Append16(Records, 0);
    Append32(Records, 3);
    Append16(Records, 0);
    TMetafile FromWmf;
    ASSERT_NO_THROW(FromWmf.LoadFromStream(PlaceableWmf(Records, 1000, 100)));
    TBitmap Shown;
    Shown.SetLayout(FromWmf.Width(), FromWmf.Height(), 24);
    for (int Y = 0; Y < Shown.Height(); ++Y) std::memset(Shown.ScanLine(Y), 0xFF, 3 * std::size_t(Shown.Width()));
    FromWmf.Draw(Shown.Canvas(), Rect(0, 0, Shown.Width(), Shown.Height()));
    int Ink = 0;
    for (int Y = 0; Y < Shown.Height(); ++Y)
        for (int X = 0; X < Shown.Width(); ++X) Ink += Shown.ScanLine(Y)[3 * X] < 128;
    EXPECT_GT(Ink, 100) << "the string is drawn";

    // An EMF wide-character text record whose advances are left out (offDx 0).
    const std::u16string Wide(50, u'W');
    std::vector<std::uint8_t> Tail(Wide.size() * 2);
    std::memcpy(Tail.data(), Wide.data(), Tail.size());
    TEmfWriter Writer;
    Writer.Add(U_EMR_EXTTEXTOUTW,
               {0, 0, -1, -1, U_GM_COMPATIBLE, 0, 0, 5, 5, std::int32_t(Wide.size()), 76, 0, 0, 0, 0, 0, 0}, Tail);
    TMetafile FromEmf;
    EXPECT_NO_THROW(FromEmf.LoadFromStream(Writer.Finish({0, 0, 26458, 2645}, {1920, 1080, 508000, 285750})));
}
