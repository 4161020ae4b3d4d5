// The EMF player's bitmaps: block transfers with and without a source bitmap.
#include "platform/graphics/emf/EmfPlayerState.h"

#include "platform/graphics/emf/DibImage.h"

#include <cmath>

namespace EmfPlayback {

void TEmfPlayer::Blit(const QRectF& Dest, const char* Record, std::uint32_t Size, std::uint32_t OffBmi,
                      std::uint32_t CbBmi, std::uint32_t OffBits, std::uint32_t CbBits, std::uint32_t Usage,
                      const QRect& SourceRect, std::uint32_t Rop, std::optional<QRgb> Transparent, int ConstantAlpha)
{
    const QTransform Transform = Total();
    const QRectF OnDevice = Transform.mapRect(Dest.normalized());
    if (!OnDevice.intersects(QRectF(0, 0, FPainter.device()->width(), FPainter.device()->height()))) return;
    // The whole bitmap's size on the device: the destination scaled by the bitmap over its source part.
    const QSize Full = DibSize(Record, Size, OffBmi, CbBmi);
    const QRect Part = SourceRect.isValid() ? SourceRect : QRect(0, 0, Full.width(), std::abs(Full.height()));
    QSize Needed;
    if (Part.width() > 0 && Part.height() > 0) {
        const auto Scaled = [](double Device, int Whole, int Of) {
            return int(std::clamp(std::ceil(Device * Whole / Of), 1.0, 65536.0));
        };
        Needed = QSize(Scaled(OnDevice.width(), Full.width(), Part.width()),
                       Scaled(OnDevice.height(), std::abs(Full.height()), Part.height()));
    }
    QImage Image = DecodedDib(Record, Size, OffBmi, CbBmi, OffBits, CbBits, Usage, ConstantAlpha >= 0, Needed);
    if (Image.isNull()) return;
    if (Transparent) {
        Image = Image.convertToFormat(QImage::Format_ARGB32);
        for (int Y = 0; Y < Image.height(); ++Y) {
            auto* Row = reinterpret_cast<QRgb*>(Image.scanLine(Y));
            for (int X = 0; X < Image.width(); ++X)
                if ((Row[X] & 0xFFFFFF) == (*Transparent & 0xFFFFFF)) Row[X] = 0;
        }
    }
    QPainter::CompositionMode Mode = QPainter::CompositionMode_SourceOver;
    switch (Rop) {
    case U_SRCPAINT:
        Mode = QPainter::RasterOp_SourceOrDestination;
        break;
    case U_SRCAND:
        Mode = QPainter::RasterOp_SourceAndDestination;
        break;
    case U_SRCINVERT:
        Mode = QPainter::RasterOp_SourceXorDestination;
        break;
    case U_SRCERASE:
        Mode = QPainter::RasterOp_SourceAndNotDestination;
        break;
    case U_NOTSRCCOPY:
        Mode = QPainter::RasterOp_NotSource;
        break;
    case U_NOTSRCERASE:
        Mode = QPainter::RasterOp_NotSourceAndNotDestination;
        break;
    case U_MERGEPAINT:
        Mode = QPainter::RasterOp_NotSourceOrDestination;
        break;
    default:
        break;
    }
    FPainter.setTransform(Transform);
    FPainter.setCompositionMode(Mode);
    FPainter.setRenderHint(QPainter::SmoothPixmapTransform, FState.Halftone);
    if (ConstantAlpha >= 0) FPainter.setOpacity(ConstantAlpha / 255.0);
    // Pixels decoded smaller than the header says take the source rectangle at their scale.
    const double ScaleX = Full.width() > 0 ? double(Image.width()) / Full.width() : 1;
    const double ScaleY = Full.height() != 0 ? double(Image.height()) / std::abs(Full.height()) : 1;
    const QRectF Source = SourceRect.isValid() ? QRectF(SourceRect.x() * ScaleX, SourceRect.y() * ScaleY,
                                                        SourceRect.width() * ScaleX, SourceRect.height() * ScaleY)
                                               : QRectF(Image.rect());
    FPainter.drawImage(Dest, Image, Source);
    FPainter.setOpacity(1);
}

QImage TEmfPlayer::DecodedDib(const char* Record, std::uint32_t Size, std::uint32_t OffBmi, std::uint32_t CbBmi,
                              std::uint32_t OffBits, std::uint32_t CbBits, std::uint32_t Usage, bool KeepAlpha,
                              QSize Needed)
{
    if (OffBmi > Size || CbBmi > Size - OffBmi || OffBits > Size || CbBits > Size - OffBits) return {};
    const std::string_view Header(Record + OffBmi, CbBmi), Bits(Record + OffBits, CbBits);
    const std::size_t Key = std::hash<std::string_view>()(Header) ^ (std::hash<std::string_view>()(Bits) * 31) ^
                            (std::size_t(Needed.width()) << 8) ^ (std::size_t(Needed.height()) << 24) ^ Usage ^
                            (KeepAlpha ? 0x10000 : 0);
    for (auto [At, End] = FDibs.equal_range(Key); At != End; ++At) {
        const TDecodedDib& Dib = At->second;
        if (Dib.Header == Header && Dib.Bits == Bits && Dib.Usage == Usage && Dib.KeepAlpha == KeepAlpha &&
            Dib.Needed == Needed)
            return Dib.Image;
    }
    QImage Image = DibToImage(Record, Size, OffBmi, CbBmi, OffBits, CbBits, Usage, KeepAlpha, Needed);
    if (FDibBytes + std::size_t(Image.sizeInBytes()) <= DibCacheBytes) {
        FDibBytes += std::size_t(Image.sizeInBytes());
        FDibs.emplace(Key, TDecodedDib{Header, Bits, Usage, KeepAlpha, Needed, Image});
    }
    return Image;
}

void TEmfPlayer::PatBlt(const QRectF& Dest, std::uint32_t Rop)
{
    FPainter.setTransform(Total());
    FPainter.setRenderHint(QPainter::Antialiasing, false);
    switch (Rop) {
    case U_BLACKNESS:
        FPainter.setCompositionMode(QPainter::CompositionMode_SourceOver);
        FPainter.fillRect(Dest, Qt::black);
        break;
    case U_WHITENESS:
        FPainter.setCompositionMode(QPainter::CompositionMode_SourceOver);
        FPainter.fillRect(Dest, Qt::white);
        break;
    case U_DSTINVERT:
        FPainter.setCompositionMode(QPainter::RasterOp_NotDestination);
        FPainter.fillRect(Dest, Qt::black);
        break;
    case U_PATINVERT:
        FPainter.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
        FPainter.fillRect(Dest, MakeBrush(FState.Brush, Total()));
        break;
    case U_NOOP:
        break;
    default:
        FPainter.setCompositionMode(QPainter::CompositionMode_SourceOver);
        FPainter.fillRect(Dest, MakeBrush(FState.Brush, Total()));
        break;
    }
}

} // namespace EmfPlayback
