// The EMF player's page space: mapping modes, window and viewport, the clipping region, and the device
// states saved and restored.
#include "platform/graphics/emf/EmfPlayerState.h"

#include <cmath>

namespace EmfPlayback {

QTransform TEmfPlayer::PageToDevice() const
{
    double ScaleX = 1, ScaleY = 1;
    const double MmX = FHeader.PixelsPerMmX(), MmY = FHeader.PixelsPerMmY();
    switch (FState.MapMode) {
    case MmLoMetric:
        ScaleX = MmX / 10, ScaleY = -MmY / 10;
        break;
    case MmHiMetric:
        ScaleX = MmX / 100, ScaleY = -MmY / 100;
        break;
    case MmLoEnglish:
        ScaleX = MmX * 0.254, ScaleY = -MmY * 0.254;
        break;
    case MmHiEnglish:
        ScaleX = MmX * 0.0254, ScaleY = -MmY * 0.0254;
        break;
    case MmTwips:
        ScaleX = MmX * 25.4 / 1440, ScaleY = -MmY * 25.4 / 1440;
        break;
    case MmIsotropic:
    case MmAnisotropic: {
        const auto Ratio = [](double Viewport, double Window) { return Window == 0 ? 1.0 : Viewport / Window; };
        ScaleX = Ratio(FState.ViewportExt.x(), FState.WindowExt.x());
        ScaleY = Ratio(FState.ViewportExt.y(), FState.WindowExt.y());
        if (FState.MapMode == MmIsotropic) {
            const double Common = std::min(std::abs(ScaleX), std::abs(ScaleY));
            ScaleX = std::copysign(Common, ScaleX);
            ScaleY = std::copysign(Common, ScaleY);
        }
        break;
    }
    default:
        break;
    }
    return QTransform(ScaleX, 0, 0, ScaleY, FState.ViewportOrg.x() - FState.WindowOrg.x() * ScaleX,
                      FState.ViewportOrg.y() - FState.WindowOrg.y() * ScaleY);
}

void TEmfPlayer::SetMapMode(std::uint32_t Mode)
{
    // As the device sets them: one unit a pixel in the default mode; the metric, English and isotropic
    // modes start from the reference device's size in their units over its pixels, y upwards; the
    // anisotropic mode keeps the extents it finds.
    if (Mode == MmText) {
        FState.WindowExt = FState.ViewportExt = QPointF(1, 1);
    } else if (Mode != MmAnisotropic) {
        const double PerMillimetre = Mode == MmHiMetric    ? 100
                                     : Mode == MmLoEnglish ? 100 / 25.4
                                     : Mode == MmHiEnglish ? 1000 / 25.4
                                     : Mode == MmTwips     ? 1440 / 25.4
                                                           : 10;
        FState.WindowExt =
            QPointF(FHeader.DeviceMicronsX / 1000.0 * PerMillimetre, FHeader.DeviceMicronsY / 1000.0 * PerMillimetre);
        FState.ViewportExt = QPointF(FHeader.DevicePixelsX, -FHeader.DevicePixelsY);
    }
    FState.MapMode = Mode;
}

void TEmfPlayer::ApplyClip()
{
    FPainter.resetTransform();
    if (FState.Clip)
        FPainter.setClipPath(*FState.Clip);
    else
        FPainter.setClipping(false);
}

void TEmfPlayer::CombineClip(const QPainterPath& Region, std::uint32_t Mode)
{
    // Without a clip the whole surface is the current region.
    QPainterPath Everything;
    Everything.addRect(QRectF(-1e7, -1e7, 2e7, 2e7));
    const QPainterPath Current = FState.Clip.value_or(Everything);
    switch (Mode) {
    case U_RGN_AND:
        FState.Clip = Current.intersected(Region);
        break;
    case U_RGN_OR:
        FState.Clip = FState.Clip ? Current.united(Region) : Everything;
        break;
    case U_RGN_XOR:
        FState.Clip = Current.united(Region).subtracted(Current.intersected(Region));
        break;
    case U_RGN_DIFF:
        FState.Clip = Current.subtracted(Region);
        break;
    case U_RGN_COPY:
        FState.Clip = Region;
        break;
    default:
        return;
    }
    if (FState.MetaClip) FState.Clip = FState.Clip->intersected(*FState.MetaClip);
    ApplyClip();
}

QPainterPath TEmfPlayer::Region(const char* Data, std::uint32_t Bytes) const
{
    QPainterPath Result;
    if (Bytes < sizeof(U_RGNDATAHEADER)) return Result;
    U_RGNDATAHEADER Header;
    std::memcpy(&Header, Data, sizeof Header);
    const std::uint64_t Count = std::min<std::uint64_t>(Header.nCount, (Bytes - sizeof Header) / sizeof(U_RECTL));
    QRegion Rects;
    for (std::uint64_t Index = 0; Index < Count; ++Index) {
        U_RECTL Rect;
        std::memcpy(&Rect, Data + sizeof Header + Index * sizeof Rect, sizeof Rect);
        Result.addRect(RectOf(Rect).normalized());
    }
    Result.setFillRule(Qt::WindingFill);
    return Result;
}

void TEmfPlayer::RestoreDc(int Which)
{
    // Negative: relative to the newest saved state; positive: the Which-th saved state.
    const int Count = int(FSaved.size());
    const int Index = Which < 0 ? Count + Which : Which - 1;
    if (Index < 0 || Index >= Count) return;
    FState = FSaved[std::size_t(Index)];
    FSaved.resize(std::size_t(Index));
    ApplyClip();
}

} // namespace EmfPlayback
