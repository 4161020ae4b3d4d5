// Every good EMF and WMF of the corpus loads and renders, and looks like the reference rendering made
// by independent renderers.
#include "platform/graphics/Bitmap.h"
#include "platform/graphics/Metafile.h"
#include "platform/graphics/Picture.h"
#include "platform/graphics/emf/EmfPlayer.h"
#include "platform/system/Exceptions.h"
#include "platform/system/Messages.h"
#include "tests/support/MetafileCompare.h"
#include "tests/support/TestApplication.h"
#include "tests/support/TestPictures.h"

#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

// References whose renderer plainly drew something else than the records say, each with what shows it
// (the records, and the SVG that the reference renderer made from them). They are still loaded and
// rendered, and printed with their difference, but the rate is taken over the other files.
struct TWrongReference
{
    const char* File;
    const char* Why;
    bool OneColour = false; // the reference is one colour all over, which the test checks
};
constexpr TWrongReference WrongReferences[] = {
    {"emf/test-007.emf",
     "shapes whose pen is null outlined a pixel wide in their fill colour, thin black shapes thickened"},
    {"emf/test-008.emf",
     "shapes whose pen is null outlined a pixel wide in their fill colour, thin black shapes thickened"},
    {"emf/test-123.emf",
     "shapes whose pen is null outlined a pixel wide in their fill colour, thin black shapes thickened"},
    {"emf/test-132.emf",
     "shapes whose pen is null outlined a pixel wide in their fill colour, thin black shapes thickened"},
    {"emf/test-040.emf", "hatched brushes filled plain, pattern brushes black, bitmap raster operations and clipping "
                         "left out"},
    {"emf/test-065.emf", "filled black: no brush is selected, so the default white brush fills the rectangle"},
    {"emf/test-154.emf", "a pen of 8 logical units (2.7 pixels here) drawn 8 pixels wide, its dashes solid"},
    {"emf/test-171.emf", "lines drawn at a third of their size; their ends are the centres of the circles"},
    {"emf/test-173.emf", "lines drawn with the XOR raster operation shown as plain strokes"},
    {"emf/test-182.emf", "pens of one unit under a world scale of 1/16 drawn a sixteenth of a pixel wide, almost "
                         "unseen, where the device draws no line narrower than a pixel"},
    {"emf-ea/EA-test-file-001.emf", "blank: the 1:1 anisotropic mapping taken as scale 0", true},
    {"emf-ea/EA-test-file-004.emf", "blank: the 1:1 anisotropic mapping taken as scale 0", true},
    {"emf-ea/EA-test-file-005.emf", "blank: the 1:1 anisotropic mapping taken as scale 0", true},
    {"emf-ea/EA-test-file-007.emf", "blank: the 1:1 anisotropic mapping taken as scale 0", true},
    {"emf-ea/EA-test-file-008.emf", "blank: the 1:1 anisotropic mapping taken as scale 0", true},
    {"emf-ea/EA-test-file-010.emf", "blank: the 1:1 anisotropic mapping taken as scale 0", true},
    {"emf-ea/EA-test-file-011.emf", "blank: the 1:1 anisotropic mapping taken as scale 0", true},
    {"emf-ea/EA-test-file-013.emf", "blank: the 1:1 anisotropic mapping taken as scale 0", true},
    {"emf-ea/EA-test-file-014.emf", "blank: the 1:1 anisotropic mapping taken as scale 0", true},
    {"emf-ea/EA-test-file-020.emf", "text a quarter wider than its font and its advances (the text records' bounds), "
                                    "running out of the boxes drawn around it"},
    {"wmf/drawing.wmf", "a solid red brush shown half transparent, a 13-unit pen 0.4 pixels wide"},
    {"wmf/fulltest.wmf", "hatched brushes filled black, styled lines 0.02 pixels wide"},
    {"wmf/sample.wmf", "the 79 polylines filled black"},
};

const TWrongReference* WrongReference(const std::string& File)
{
    for (const TWrongReference& Entry : WrongReferences)
        if (File == Entry.File) return &Entry;
    return nullptr;
}

bool OneColour(const QImage& Image)
{
    const QImage Flat = Image.convertToFormat(QImage::Format_ARGB32);
    for (int Y = 0; Y < Flat.height(); ++Y)
        for (int X = 0; X < Flat.width(); ++X)
            if (Flat.pixel(X, Y) != Flat.pixel(0, 0)) return false;
    return true;
}

} // namespace

TEST(MetafileCorpus, GoodFilesLoadRenderAndLookLikeTheirReferences)
{
    std::vector<TCorpusEntry> Entries = CorpusEntries("emf");
    const std::vector<TCorpusEntry> Wmf = CorpusEntries("wmf");
    Entries.insert(Entries.end(), Wmf.begin(), Wmf.end());
    if (Entries.empty()) GTEST_SKIP() << "the picture corpus is absent";
    EnsureApplication();

    int WithReference = 0, Close = 0, Trusted = 0, TrustedClose = 0;
    std::printf("%-40s %10s %8s\n", "file", "size", "MAD");
    for (const TCorpusEntry& Entry : Entries) {
        if (Entry.Expectation != "good") continue;
        SCOPED_TRACE(Entry.File);
        TPicture Picture;
        ASSERT_NO_THROW(Picture.LoadFromFile((CorpusDir() / Entry.File).string()));
        const auto* Metafile = dynamic_cast<const TMetafile*>(Picture.Graphic());
        ASSERT_NE(Metafile, nullptr);
        // Rendered at its own size onto a bitmap, as the shell shows it.
        TBitmap Shown;
        Shown.SetLayout(std::clamp(Metafile->Width(), 1, 2000), std::clamp(Metafile->Height(), 1, 2000), 24);
        ASSERT_NO_THROW(Metafile->Draw(Shown.Canvas(), Rect(0, 0, Shown.Width(), Shown.Height())));
        if (Entry.Reference.empty()) {
            std::printf("%-40s %4dx%-5d %8s\n", Entry.File.c_str(), Metafile->Width(), Metafile->Height(), "-");
            continue;
        }
        const QImage Reference(QString::fromStdString((CorpusDir() / Entry.Reference).string()));
        ASSERT_FALSE(Reference.isNull());
        const QImage Ours = RenderLikeReference(*Metafile, Reference.size());
        const double Difference = MeanAbsoluteDifference(Ours, Reference);
        const TWrongReference* Wrong = WrongReference(Entry.File);
        ++WithReference;
        if (Difference <= ReferenceTolerance) ++Close;
        if (Wrong == nullptr) {
            ++Trusted;
            if (Difference <= ReferenceTolerance) ++TrustedClose;
        } else if (Wrong->OneColour) {
            // A blank reference is near any rendering of little ink; what counts is that the records draw.
            EXPECT_TRUE(OneColour(Reference)) << "listed as a reference of one colour";
            EXPECT_FALSE(OneColour(Ours)) << "the records draw nothing";
        } else {
            // An entry whose reference now matches is no longer shown wrong.
            EXPECT_GT(Difference, ReferenceTolerance) << "listed as a wrong reference";
        }
        std::printf("%-40s %4dx%-5d %8.2f%s%s%s\n", Entry.File.c_str(), Reference.width(), Reference.height(),
                    Difference, Difference <= ReferenceTolerance ? "" : "  MISS",
                    Wrong == nullptr ? "" : "  wrong reference: ", Wrong == nullptr ? "" : Wrong->Why);
        if (const char* Dump = std::getenv("PIXORA_METAFILE_DUMP"))
            Ours.save(QString::fromUtf8(Dump) + "/" + QString::fromStdString(Entry.File).replace('/', '_') + ".png");
    }
    const double Rate = WithReference == 0 ? 1.0 : double(Close) / WithReference;
    const double TrustedRate = Trusted == 0 ? 1.0 : double(TrustedClose) / Trusted;
    std::printf("%d of %d files with a reference within %.0f levels: %.1f %%\n", Close, WithReference,
                ReferenceTolerance, 100 * Rate);
    std::printf("%d of %d files with a trusted reference within %.0f levels: %.1f %%\n", TrustedClose, Trusted,
                ReferenceTolerance, 100 * TrustedRate);
    // The rates reached so far; they only rise.
    EXPECT_GE(Rate, 0.84);
    EXPECT_GE(TrustedRate, 0.97);
}

TEST(MetafileCorpus, DamagedFilesAreRefusedOrDrawWhatPrecedesTheDamage)
{
    std::vector<TCorpusEntry> Entries = CorpusEntries("emf");
    const std::vector<TCorpusEntry> Wmf = CorpusEntries("wmf");
    Entries.insert(Entries.end(), Wmf.begin(), Wmf.end());
    if (Entries.empty()) GTEST_SKIP() << "the picture corpus is absent";
    EnsureApplication();

    int Damaged = 0, Refused = 0;
    for (const TCorpusEntry& Entry : Entries) {
        if (Entry.Expectation == "good") continue;
        SCOPED_TRACE(Entry.File);
        ++Damaged;
        TPicture Picture;
        try {
            Picture.LoadFromFile((CorpusDir() / Entry.File).string());
            const auto* Metafile = dynamic_cast<const TMetafile*>(Picture.Graphic());
            ASSERT_NE(Metafile, nullptr);
            TBitmap Shown;
            Shown.SetLayout(std::clamp(Metafile->Width(), 1, 2000), std::clamp(Metafile->Height(), 1, 2000), 24);
            EXPECT_NO_THROW(Metafile->Draw(Shown.Canvas(), Rect(0, 0, Shown.Width(), Shown.Height())));
        } catch (const EInvalidGraphic& Error) {
            EXPECT_EQ(Error.Message(), Messages::SInvalidMetafile);
            ++Refused;
        }
        // The player itself, handed the damaged records unchecked, draws up to the damage or refuses the
        // header.
        const std::vector<std::uint8_t> Bytes = ReadFileBytes(CorpusDir() / Entry.File);
        QImage Image(256, 256, QImage::Format_RGB32);
        Image.fill(Qt::white);
        QPainter Painter(&Image);
        try {
            PlayEmf(Bytes, Painter, QRectF(0, 0, 256, 256), EmfFrameInDevicePixels(Bytes));
        } catch (const EInvalidGraphic& Error) {
            EXPECT_EQ(Error.Message(), Messages::SInvalidMetafile);
        }
    }
    std::printf("%d damaged files, %d refused, %d drawn\n", Damaged, Refused, Damaged - Refused);
    EXPECT_GT(Damaged, 0);
}

TEST(MetafileCorpus, LargeTargetsDrawnInBandsAsThroughAThirtyTwoBitCopy)
{
    // A 24-bit target of more than 2^22 pixels is played band by band; the plain way is the 32-bit
    // painting of the same pixels, compared over random pixels at odd sizes. One-pixel strokes that a
    // border between bands cuts may differ a little, a dotted line's dots starting again at the border;
    // text from another thread may sit a fraction of a pixel apart, the toolkit's glyph caches being
    // each thread's own and shaped by what the thread drew before.
    struct TCase
    {
        const char* File;
        double MeanAllowed; // mean difference per channel allowed, in levels
    };
    if (CorpusDir().empty()) GTEST_SKIP() << "the picture corpus is absent";
    EnsureApplication();
    std::uint32_t Seed = 1;
    for (const auto& [File, MeanAllowed] :
         {TCase{"emf/test-157.emf", 0.4}, TCase{"emf/test-173.emf", 0.25}, TCase{"wmf/fulltest.wmf", 0.02}}) {
        SCOPED_TRACE(File);
        TPicture Picture;
        ASSERT_NO_THROW(Picture.LoadFromFile((CorpusDir() / File).string()));
        const int Width = 2049, Height = 2051 + 2 * int(Seed);
        TBitmap Rows24 = MakeRandomBitmap(Width, Height, 24, Seed++);
        TBitmap Rows32;
        Rows32.SetLayout(Width, Height, 32);
        for (int Y = 0; Y < Height; ++Y)
            for (int X = 0; X < Width; ++X) {
                std::memcpy(Rows32.ScanLine(Y) + 4 * X, Rows24.ScanLine(Y) + 3 * X, 3);
                Rows32.ScanLine(Y)[4 * X + 3] = 0xFF;
            }
        const TRect Into = Rect(5, 3, Width - 4, Height - 2);
        Picture.Graphic()->Draw(Rows24.Canvas(), Into);
        Picture.Graphic()->Draw(Rows32.Canvas(), Into);
        int Differing = 0;
        double Sum = 0;
        for (int Y = 0; Y < Height; ++Y)
            for (int X = 0; X < Width; ++X)
                for (int Channel = 0; Channel < 3; ++Channel) {
                    const int Difference =
                        std::abs(Rows32.ScanLine(Y)[4 * X + Channel] - Rows24.ScanLine(Y)[3 * X + Channel]);
                    Differing += Difference != 0;
                    Sum += Difference;
                }
        EXPECT_LE(Sum / (3.0 * Width * Height), MeanAllowed);
        EXPECT_LT(Differing, Width * Height / 100);
    }
}
