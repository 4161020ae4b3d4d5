// Every good EMF and WMF of the corpus loads and renders, and looks like the reference rendering made
// by independent renderers.
#include "platform/graphics/Bitmap.h"
#include "platform/graphics/Metafile.h"
#include "platform/graphics/Picture.h"
#include "platform/graphics/emf/EmfPlayer.h"
#include "tests/support/TestApplication.h"
#include "tests/support/TestPictures.h"

#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>

namespace {

// Mean absolute difference per channel of two images of the same size, transparency over white.
double MeanAbsoluteDifference(const QImage& A, const QImage& B)
{
    const QImage First = A.convertToFormat(QImage::Format_ARGB32);
    const QImage Second = B.convertToFormat(QImage::Format_ARGB32);
    const auto OverWhite = [](QRgb Pixel, int Channel) {
        const int Alpha = qAlpha(Pixel);
        const int Level = Channel == 0 ? qRed(Pixel) : Channel == 1 ? qGreen(Pixel) : qBlue(Pixel);
        return (Level * Alpha + 255 * (255 - Alpha)) / 255;
    };
    double Sum = 0;
    for (int Y = 0; Y < First.height(); ++Y) {
        const auto* RowA = reinterpret_cast<const QRgb*>(First.constScanLine(Y));
        const auto* RowB = reinterpret_cast<const QRgb*>(Second.constScanLine(Y));
        for (int X = 0; X < First.width(); ++X)
            for (int Channel = 0; Channel < 3; ++Channel)
                Sum += std::abs(OverWhite(RowA[X], Channel) - OverWhite(RowB[X], Channel));
    }
    return Sum / (3.0 * First.width() * First.height());
}

// The picture rendered over white at Size, showing what the reference renderers show: the bounds of what
// the records draw (kept in the header of an EMF, measured when a WMF is read).
QImage RenderLikeReference(const TMetafile& Metafile, QSize Size)
{
    QImage Image(Size, QImage::Format_RGB32);
    Image.fill(Qt::white);
    QPainter Painter(&Image);
    const auto Bytes = Metafile.EmfBytes();
    const QRectF Source = EmfBoundsInDevicePixels(Bytes);
    PlayEmf(Bytes, Painter, QRectF(0, 0, Size.width(), Size.height()), Source);
    return Image;
}

constexpr double Tolerance = 12.0;

} // namespace

TEST(MetafileCorpus, GoodFilesLoadRenderAndLookLikeTheirReferences)
{
    std::vector<TCorpusEntry> Entries = CorpusEntries("emf");
    const std::vector<TCorpusEntry> Wmf = CorpusEntries("wmf");
    Entries.insert(Entries.end(), Wmf.begin(), Wmf.end());
    if (Entries.empty()) GTEST_SKIP() << "the picture corpus is absent";
    EnsureApplication();

    int WithReference = 0, Close = 0;
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
        ++WithReference;
        if (Difference <= Tolerance) ++Close;
        std::printf("%-40s %4dx%-5d %8.2f%s\n", Entry.File.c_str(), Reference.width(), Reference.height(), Difference,
                    Difference <= Tolerance ? "" : "  MISS");
        if (const char* Dump = std::getenv("PIXORA_METAFILE_DUMP"))
            Ours.save(QString::fromUtf8(Dump) + "/" + QString::fromStdString(Entry.File).replace('/', '_') + ".png");
    }
    const double Rate = WithReference == 0 ? 1.0 : double(Close) / WithReference;
    std::printf("%d of %d files with a reference within %.0f levels: %.1f %%\n", Close, WithReference, Tolerance,
                100 * Rate);
    // The rate reached so far; it only rises.
    EXPECT_GE(Rate, 0.81);
}
