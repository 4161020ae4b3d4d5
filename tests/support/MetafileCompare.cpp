#include "tests/support/MetafileCompare.h"

#include "platform/graphics/MetafileCanvas.h"
#include "platform/graphics/emf/EmfPlayer.h"
#include "platform/graphics/emf/EmfWriter.h"

#include <QPainter>

#include <cstdlib>

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

QImage PlayOnWhiteSquare(TEmfWriter& Writer, int Side)
{
    const std::vector<std::uint8_t> Emf =
        Writer.Finish({0, 0, Side * 2540 / 96 - 1, Side * 2540 / 96 - 1}, {1920, 1080, 508000, 285750});
    QImage Image(Side, Side, QImage::Format_RGB32);
    Image.fill(Qt::white);
    QPainter Painter(&Image);
    PlayEmf(Emf, Painter, QRectF(0, 0, Side, Side), QRectF(0, 0, Side, Side));
    return Image;
}

TMetafile MakeRecording(TColor Background, TColor Line, int PenWidth, int LineY)
{
    TMetafile Metafile;
    Metafile.SetWidth(40);
    Metafile.SetHeight(30);
    {
        TMetafileCanvas Canvas(Metafile);
        Canvas.Brush.Color = Background;
        Canvas.FillRect(Rect(0, 0, 40, 30));
        Canvas.Pen.Color = Line;
        Canvas.Pen.Width = PenWidth;
        Canvas.MoveTo(0, LineY);
        Canvas.LineTo(40, LineY);
    }
    return Metafile;
}

void Append16(std::vector<std::uint8_t>& Bytes, std::uint16_t Value)
{
    Bytes.push_back(std::uint8_t(Value));
    Bytes.push_back(std::uint8_t(Value >> 8));
}

void Append32(std::vector<std::uint8_t>& Bytes, std::uint32_t Value)
{
    Append16(Bytes, std::uint16_t(Value));
    Append16(Bytes, std::uint16_t(Value >> 16));
}

std::vector<std::uint8_t> PlaceableWmf(const std::vector<std::uint8_t>& Records, std::int16_t Width,
                                       std::int16_t Height, std::uint16_t Inch)
{
    std::vector<std::uint8_t> Bytes;
    Append32(Bytes, 0x9AC6CDD7);
    Append16(Bytes, 0);
    for (const std::int16_t Edge : {std::int16_t(0), std::int16_t(0), Width, Height})
        Append16(Bytes, std::uint16_t(Edge));
    Append16(Bytes, Inch);
    Append32(Bytes, 0);
    std::uint16_t Sum = 0;
    for (std::size_t Index = 0; Index < 20; Index += 2) Sum ^= std::uint16_t(Bytes[Index] | Bytes[Index + 1] << 8);
    Append16(Bytes, Sum);
    // The header: on disk, 9 words, version 3, the file's size in words, objects, largest record, no
    // parameters.
    Append16(Bytes, 1);
    Append16(Bytes, 9);
    Append16(Bytes, 0x300);
    Append32(Bytes, std::uint32_t((18 + Records.size()) / 2));
    Append16(Bytes, 8);
    Append32(Bytes, std::uint32_t(Records.size() / 2));
    Append16(Bytes, 0);
    Bytes.insert(Bytes.end(), Records.begin(), Records.end());
    return Bytes;
}
