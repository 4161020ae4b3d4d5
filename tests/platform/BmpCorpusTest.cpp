// The real-world BMP files of the shared corpus: good ones load and equal their reference renderings in
// red, green and blue, bad ones are refused with the bitmap message, questionable ones do either.
#include "platform/graphics/Bitmap.h"
#include "platform/graphics/codecs/BmpCodec.h"
#include "platform/system/Exceptions.h"
#include "platform/system/Messages.h"
#include "tests/support/PixelReader.h"
#include "tests/support/TestPictures.h"

#include <QImage>

#include <gtest/gtest.h>

#include <cstdio>
#include <optional>

namespace {

enum class TOutcome
{
    Loaded,
    Refused
};

// Loads Entry; a refusal must carry the bitmap message, any other exception fails the test.
TOutcome LoadEntry(const TCorpusEntry& Entry, TBitmap& Bitmap)
{
    try {
        ReadBmp(ReadFileBytes(CorpusDir() / Entry.File), Bitmap);
        return TOutcome::Loaded;
    } catch (const EInvalidGraphic& Error) {
        EXPECT_EQ(Error.Message(), Messages::SInvalidBitmap) << Entry.File;
        return TOutcome::Refused;
    }
}

// How many pixels differ in red, green or blue from the opaque pixels of the reference PNG (every pixel
// when the sizes differ).
std::optional<long> DifferingPixels(const TCorpusEntry& Entry, const TBitmap& Bitmap)
{
    if (Entry.Reference.empty()) return std::nullopt;
    const QImage Reference =
        QImage(QString::fromStdString((CorpusDir() / Entry.Reference).string())).convertToFormat(QImage::Format_ARGB32);
    EXPECT_FALSE(Reference.isNull()) << Entry.Reference;
    if (Reference.width() != Bitmap.Width() || Reference.height() != Bitmap.Height())
        return long(Bitmap.Width()) * Bitmap.Height();
    long Differing = 0;
    for (int Y = 0; Y < Bitmap.Height(); ++Y)
        for (int X = 0; X < Bitmap.Width(); ++X) {
            const QRgb Expected = Reference.pixel(X, Y);
            // A fully transparent reference pixel says nothing about its colour.
            if (qAlpha(Expected) == 0) continue;
            const TColor Actual = ReadPixel(Bitmap, X, Y);
            if (GetRValue(Actual) != qRed(Expected) || GetGValue(Actual) != qGreen(Expected) ||
                GetBValue(Actual) != qBlue(Expected))
                ++Differing;
        }
    return Differing;
}

std::vector<TCorpusEntry> EntriesExpecting(const std::string& Expectation)
{
    std::vector<TCorpusEntry> Result;
    for (const auto& Entry : CorpusEntries("bmp"))
        if (Entry.Expectation == Expectation) Result.push_back(Entry);
    return Result;
}

} // namespace

TEST(BmpCorpus, GoodFilesLoadAndMatchTheirReferences)
{
    const auto Entries = EntriesExpecting("good");
    if (Entries.empty()) GTEST_SKIP() << "corpus absent: no ../shared/corpus/MANIFEST.tsv";
    int Matching = 0;
    for (const auto& Entry : Entries) {
        TBitmap Bitmap;
        if (LoadEntry(Entry, Bitmap) != TOutcome::Loaded) {
            ADD_FAILURE() << Entry.File << " refused";
            continue;
        }
        const auto Differing = DifferingPixels(Entry, Bitmap);
        if (Differing) {
            EXPECT_EQ(*Differing, 0) << Entry.File << " differs from " << Entry.Reference;
        }
        if (!Differing || *Differing == 0) ++Matching;
        std::printf("%-28s loaded %dx%d, %d bits, %s\n", Entry.File.c_str(), Bitmap.Width(), Bitmap.Height(),
                    Bitmap.BitCount(), Differing ? (*Differing == 0 ? "matches" : "DIFFERS") : "no reference");
    }
    std::printf("good: %d of %zu load and match\n", Matching, Entries.size());
}

TEST(BmpCorpus, BadFilesAreRefused)
{
    const auto Entries = EntriesExpecting("bad");
    if (Entries.empty()) GTEST_SKIP() << "corpus absent: no ../shared/corpus/MANIFEST.tsv";
    for (const auto& Entry : Entries) {
        TBitmap Bitmap;
        EXPECT_EQ(LoadEntry(Entry, Bitmap), TOutcome::Refused) << Entry.File << " loaded";
    }
    std::printf("bad: %zu files checked\n", Entries.size());
}

// Questionable files may go either way; the summary says which way each went and how it compares.
TEST(BmpCorpus, QuestionableFilesLoadOrAreRefused)
{
    const auto Entries = EntriesExpecting("questionable");
    if (Entries.empty()) GTEST_SKIP() << "corpus absent: no ../shared/corpus/MANIFEST.tsv";
    for (const auto& Entry : Entries) {
        TBitmap Bitmap;
        if (LoadEntry(Entry, Bitmap) == TOutcome::Refused) {
            std::printf("%-28s refused\n", Entry.File.c_str());
            continue;
        }
        const auto Differing = DifferingPixels(Entry, Bitmap);
        std::printf("%-28s loaded %dx%d, %d bits, ", Entry.File.c_str(), Bitmap.Width(), Bitmap.Height(),
                    Bitmap.BitCount());
        if (Differing)
            std::printf("%ld pixels differ from the reference\n", *Differing);
        else
            std::printf("no reference\n");
    }
}
