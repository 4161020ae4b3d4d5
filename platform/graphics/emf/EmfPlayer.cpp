// The record dispatch of the EMF player: each record's fields read and handed to the device state's
// themes, and the playing of a whole stream.
#include "platform/graphics/emf/EmfPlayer.h"

#include "platform/graphics/emf/DibImage.h"
#include "platform/graphics/emf/EmfPlayerState.h"

#include <QPainterPathStroker>

#include <cmath>

namespace EmfPlayback {

void TEmfPlayer::Play(std::uint32_t Type, const char* Record, std::uint32_t Size)
{
    switch (Type) {
    case U_EMR_POLYBEZIER:
    case U_EMR_POLYGON:
    case U_EMR_POLYLINE:
    case U_EMR_POLYBEZIERTO:
    case U_EMR_POLYLINETO:
        Poly<U_POINTL>(Type, Record, Size);
        break;
    case U_EMR_POLYBEZIER16:
    case U_EMR_POLYGON16:
    case U_EMR_POLYLINE16:
    case U_EMR_POLYBEZIERTO16:
    case U_EMR_POLYLINETO16:
        Poly<U_POINT16>(Type, Record, Size);
        break;
    case U_EMR_POLYPOLYLINE:
    case U_EMR_POLYPOLYGON:
        PolyPoly<U_POINTL>(Type, Record, Size);
        break;
    case U_EMR_POLYPOLYLINE16:
    case U_EMR_POLYPOLYGON16:
        PolyPoly<U_POINT16>(Type, Record, Size);
        break;
    case U_EMR_POLYDRAW:
        PolyDraw<U_POINTL>(Record, Size);
        break;
    case U_EMR_POLYDRAW16:
        PolyDraw<U_POINT16>(Record, Size);
        break;
    case U_EMR_SETWINDOWEXTEX: {
        const auto& Pair = RecordAs<U_EMRGENERICPAIR>(Record).pair;
        if (Scaling() && Pair.x != 0 && Pair.y != 0) FState.WindowExt = QPointF(Pair.x, Pair.y);
        break;
    }
    case U_EMR_SETWINDOWORGEX: {
        const auto& Pair = RecordAs<U_EMRGENERICPAIR>(Record).pair;
        FState.WindowOrg = QPointF(Pair.x, Pair.y);
        break;
    }
    case U_EMR_SETVIEWPORTEXTEX: {
        const auto& Pair = RecordAs<U_EMRGENERICPAIR>(Record).pair;
        if (Scaling() && Pair.x != 0 && Pair.y != 0) FState.ViewportExt = QPointF(Pair.x, Pair.y);
        break;
    }
    case U_EMR_SETVIEWPORTORGEX: {
        const auto& Pair = RecordAs<U_EMRGENERICPAIR>(Record).pair;
        FState.ViewportOrg = QPointF(Pair.x, Pair.y);
        break;
    }
    case U_EMR_SETBRUSHORGEX: {
        const auto& Pair = RecordAs<U_EMRGENERICPAIR>(Record).pair;
        FState.BrushOrigin = QPointF(Pair.x, Pair.y);
        break;
    }
    case U_EMR_SCALEVIEWPORTEXTEX:
    case U_EMR_SCALEWINDOWEXTEX: {
        const auto& Scale = RecordAs<U_EMRSCALEVIEWPORTEXTEX>(Record);
        if (!Scaling() || Scale.xDenom == 0 || Scale.yDenom == 0 || Scale.xNum == 0 || Scale.yNum == 0) break;
        QPointF& Extent = Type == U_EMR_SCALEVIEWPORTEXTEX ? FState.ViewportExt : FState.WindowExt;
        Extent = QPointF(Extent.x() * Scale.xNum / Scale.xDenom, Extent.y() * Scale.yNum / Scale.yDenom);
        break;
    }
    case U_EMR_SETMAPMODE: {
        const std::uint32_t Mode = RecordAs<U_EMRSETMAPMODE>(Record).iMode;
        if (Mode >= MmText && Mode <= MmAnisotropic) SetMapMode(Mode);
        break;
    }
    case U_EMR_SETBKMODE:
        FState.BkMode = RecordAs<U_EMRSETMAPMODE>(Record).iMode;
        break;
    case U_EMR_SETPOLYFILLMODE:
        FState.FillRule = RecordAs<U_EMRSETMAPMODE>(Record).iMode == U_WINDING ? Qt::WindingFill : Qt::OddEvenFill;
        break;
    case U_EMR_SETROP2:
        FState.Rop2 = RecordAs<U_EMRSETMAPMODE>(Record).iMode;
        break;
    case U_EMR_SETTEXTALIGN:
        FState.TextAlign = RecordAs<U_EMRSETMAPMODE>(Record).iMode;
        break;
    case U_EMR_SETARCDIRECTION:
        FState.Clockwise = RecordAs<U_EMRSETARCDIRECTION>(Record).iArcDirection == U_AD_CLOCKWISE;
        break;
    case U_EMR_SETMITERLIMIT: {
        const double Limit = RecordAs<U_EMRSETMITERLIMIT>(Record).eMiterLimit;
        if (Limit >= 1 && Limit < 1000) FState.MiterLimit = Limit;
        break;
    }
    case U_EMR_SETTEXTCOLOR:
        FState.TextColor = ColorOf(RecordAs<U_EMRSETTEXTCOLOR>(Record).crColor);
        break;
    case U_EMR_SETBKCOLOR:
        FState.BkColor = ColorOf(RecordAs<U_EMRSETTEXTCOLOR>(Record).crColor);
        break;
    case U_EMR_MOVETOEX: {
        const auto& Pair = RecordAs<U_EMRGENERICPAIR>(Record).pair;
        FState.Position = QPointF(Pair.x, Pair.y);
        if (FInPath) FPath.moveTo(FState.Position);
        break;
    }
    case U_EMR_LINETO: {
        const auto& Pair = RecordAs<U_EMRGENERICPAIR>(Record).pair;
        const QPointF To(Pair.x, Pair.y);
        if (FInPath) {
            if (FPath.elementCount() == 0) FPath.moveTo(FState.Position);
            FPath.lineTo(To);
        } else {
            QPainterPath Line;
            Line.moveTo(FState.Position);
            Line.lineTo(To);
            DrawShape(Line, false, true);
        }
        FState.Position = To;
        break;
    }
    case U_EMR_SETPIXELV: {
        const auto& Pixel = RecordAs<U_EMRSETPIXELV>(Record);
        FPainter.setTransform(Total());
        FPainter.setCompositionMode(QPainter::CompositionMode_SourceOver);
        FPainter.fillRect(QRectF(Pixel.ptlPixel.x, Pixel.ptlPixel.y, 1, 1), ColorOf(Pixel.crColor));
        break;
    }
    case U_EMR_RECTANGLE:
    case U_EMR_ELLIPSE: {
        const QRectF Box = RectOf(RecordAs<U_EMRELLIPSE>(Record).rclBox).normalized();
        QPainterPath Shape;
        if (Type == U_EMR_RECTANGLE)
            Shape.addRect(Box);
        else
            Shape.addEllipse(Box);
        AddOrDraw(Shape, true);
        break;
    }
    case U_EMR_ROUNDRECT: {
        const auto& Round = RecordAs<U_EMRROUNDRECT>(Record);
        QPainterPath Shape;
        Shape.addRoundedRect(RectOf(Round.rclBox).normalized(), std::abs(Round.szlCorner.cx) / 2.0,
                             std::abs(Round.szlCorner.cy) / 2.0);
        AddOrDraw(Shape, true);
        break;
    }
    case U_EMR_ARC:
    case U_EMR_CHORD:
    case U_EMR_PIE:
    case U_EMR_ARCTO:
        ArcFamily(Type, RecordAs<U_EMRARC>(Record));
        break;
    case U_EMR_ANGLEARC: {
        const auto& Arc = RecordAs<U_EMRANGLEARC>(Record);
        const double Radius = Arc.nRadius;
        const QRectF Box(Arc.ptlCenter.x - Radius, Arc.ptlCenter.y - Radius, 2 * Radius, 2 * Radius);
        QPainterPath Shape;
        Shape.moveTo(FState.Position);
        QPainterPath Probe;
        Probe.arcMoveTo(Box, Arc.eStartAngle);
        Shape.lineTo(Probe.currentPosition());
        Shape.arcTo(Box, Arc.eStartAngle, Arc.eSweepAngle);
        FState.Position = Shape.currentPosition();
        AddOrDraw(Shape, false);
        break;
    }
    case U_EMR_CREATEPEN:
        CreatePen(RecordAs<U_EMRCREATEPEN>(Record));
        break;
    case U_EMR_EXTCREATEPEN:
        ExtCreatePen(Record, Size);
        break;
    case U_EMR_CREATEBRUSHINDIRECT:
        CreateBrush(RecordAs<U_EMRCREATEBRUSHINDIRECT>(Record));
        break;
    case U_EMR_CREATEDIBPATTERNBRUSHPT:
    case U_EMR_CREATEMONOBRUSH: {
        const auto& Brush = RecordAs<U_EMRCREATEDIBPATTERNBRUSHPT>(Record);
        CreatePatternBrush(Record, Size, Brush.ihBrush, Brush.iUsage, Brush.offBmi, Brush.cbBmi, Brush.offBits,
                           Brush.cbBits);
        break;
    }
    case U_EMR_EXTCREATEFONTINDIRECTW:
        CreateFont(Record, Size);
        break;
    case U_EMR_CREATEPALETTE:
        FObjects[RecordAs<U_EMRCREATEPALETTE>(Record).ihPal] = std::monostate{};
        break;
    case U_EMR_SELECTOBJECT:
        SelectObject(RecordAs<U_EMRSELECTOBJECT>(Record).ihObject);
        break;
    case U_EMR_DELETEOBJECT:
        FObjects.erase(RecordAs<U_EMRDELETEOBJECT>(Record).ihObject);
        break;
    case U_EMR_SETMETARGN:
        FState.MetaClip = FState.Clip;
        break;
    case U_EMR_SAVEDC:
        if (FSaved.size() < MaxSavedStates) FSaved.push_back(FState);
        break;
    case U_EMR_RESTOREDC:
        RestoreDc(RecordAs<U_EMRRESTOREDC>(Record).iRelative);
        break;
    case U_EMR_SETWORLDTRANSFORM:
    case U_EMR_MODIFYWORLDTRANSFORM: {
        U_XFORM Form;
        std::uint32_t Mode = MwtSet;
        std::memcpy(&Form, Record + 8, sizeof Form);
        if (Type == U_EMR_MODIFYWORLDTRANSFORM) std::memcpy(&Mode, Record + 8 + sizeof Form, 4);
        const QTransform Matrix(Form.eM11, Form.eM12, Form.eM21, Form.eM22, Form.eDx, Form.eDy);
        if (!std::isfinite(Matrix.determinant()) || !std::isfinite(Form.eDx) || !std::isfinite(Form.eDy)) break;
        switch (Mode) {
        case U_MWT_IDENTITY:
            FState.World = QTransform();
            break;
        case U_MWT_LEFTMULTIPLY:
            FState.World = Matrix * FState.World;
            break;
        case U_MWT_RIGHTMULTIPLY:
            FState.World = FState.World * Matrix;
            break;
        case MwtSet:
            FState.World = Matrix;
            break;
        default:
            break;
        }
        break;
    }
    case U_EMR_BEGINPATH:
        FInPath = true;
        FPath = QPainterPath();
        break;
    case U_EMR_ENDPATH:
        FInPath = false;
        break;
    case U_EMR_ABORTPATH:
        FInPath = false;
        FPath = QPainterPath();
        break;
    case U_EMR_CLOSEFIGURE:
        if (FInPath) FPath.closeSubpath();
        break;
    case U_EMR_FILLPATH:
    case U_EMR_STROKEPATH:
    case U_EMR_STROKEANDFILLPATH:
        FInPath = false;
        DrawShape(FPath, Type != U_EMR_STROKEPATH, Type != U_EMR_FILLPATH);
        FPath = QPainterPath();
        break;
    case U_EMR_WIDENPATH: {
        QPainterPathStroker Stroker(MakePen(Total()));
        Stroker.setWidth(std::max(1.0, FState.Pen.Width));
        FPath = Stroker.createStroke(FPath);
        break;
    }
    case U_EMR_SELECTCLIPPATH:
        FPath.setFillRule(FState.FillRule);
        CombineClip(Total().map(FPath), RecordAs<U_EMRSETMAPMODE>(Record).iMode);
        FPath = QPainterPath();
        FInPath = false;
        break;
    case U_EMR_INTERSECTCLIPRECT:
    case U_EMR_EXCLUDECLIPRECT: {
        QPainterPath Box;
        Box.addRect(RectOf(RecordAs<U_EMREXCLUDECLIPRECT>(Record).rclClip).normalized());
        CombineClip(Total().map(Box), Type == U_EMR_INTERSECTCLIPRECT ? U_RGN_AND : U_RGN_DIFF);
        break;
    }
    case U_EMR_EXTSELECTCLIPRGN: {
        const auto& Clip = RecordAs<U_EMREXTSELECTCLIPRGN>(Record);
        if (Clip.iMode == U_RGN_COPY && Clip.cbRgnData == 0) {
            FState.Clip = FState.MetaClip;
            ApplyClip();
        } else if (Inside(offsetof(U_EMREXTSELECTCLIPRGN, RgnData), Clip.cbRgnData, 1, Size)) {
            // The region is in reference-device pixels.
            CombineClip(FPlayback.map(Region(Record + offsetof(U_EMREXTSELECTCLIPRGN, RgnData), Clip.cbRgnData)),
                        Clip.iMode);
        }
        break;
    }
    case U_EMR_OFFSETCLIPRGN:
        // A clip of the records' own moves, within the meta region; the meta region itself stays.
        if (FState.Clip && FState.Clip != FState.MetaClip) {
            const auto& Pair = RecordAs<U_EMRGENERICPAIR>(Record).pair;
            const QTransform Transform = Total();
            const QPointF Delta = Transform.map(QPointF(Pair.x, Pair.y)) - Transform.map(QPointF(0, 0));
            FState.Clip->translate(Delta);
            if (FState.MetaClip) FState.Clip = FState.Clip->intersected(*FState.MetaClip);
            ApplyClip();
        }
        break;
    case U_EMR_FILLRGN:
    case U_EMR_PAINTRGN:
    case U_EMR_INVERTRGN:
    case U_EMR_FRAMERGN: {
        std::uint32_t Bytes;
        std::size_t At;
        if (Type == U_EMR_FILLRGN || Type == U_EMR_FRAMERGN) {
            Bytes = RecordAs<U_EMRFILLRGN>(Record).cbRgnData;
            At = Type == U_EMR_FILLRGN ? offsetof(U_EMRFILLRGN, RgnData) : offsetof(U_EMRFRAMERGN, RgnData);
        } else {
            Bytes = RecordAs<U_EMRINVERTRGN>(Record).cbRgnData;
            At = offsetof(U_EMRINVERTRGN, RgnData);
        }
        if (!Inside(At, Bytes, 1, Size)) break;
        const QPainterPath Area = Region(Record + At, Bytes);
        const TBrushState Saved = FState.Brush;
        if (Type == U_EMR_FILLRGN || Type == U_EMR_FRAMERGN) {
            const auto Found = FObjects.find(RecordAs<U_EMRFILLRGN>(Record).ihBrush);
            if (Found != FObjects.end())
                if (const auto* Brush = std::get_if<TBrushState>(&Found->second)) FState.Brush = *Brush;
        }
        FPainter.setTransform(Total());
        if (Type == U_EMR_INVERTRGN) {
            FPainter.setCompositionMode(QPainter::RasterOp_NotDestination);
            FPainter.fillPath(Area, Qt::black);
        } else if (Type == U_EMR_FRAMERGN) {
            FPainter.setCompositionMode(QPainter::CompositionMode_SourceOver);
            FPainter.strokePath(Area.simplified(), QPen(MakeBrush(FState.Brush, Total()), 1));
        } else {
            FPainter.setCompositionMode(QPainter::CompositionMode_SourceOver);
            FPainter.fillPath(Area, MakeBrush(FState.Brush, Total()));
        }
        FState.Brush = Saved;
        break;
    }
    case U_EMR_EXTTEXTOUTA:
    case U_EMR_EXTTEXTOUTW: {
        const auto& Text = RecordAs<U_EMREXTTEXTOUTA>(Record);
        TextOut(Record, Size, Text.emrtext, Type == U_EMR_EXTTEXTOUTW);
        break;
    }
    case U_EMR_SMALLTEXTOUT:
        SmallTextOut(Record, Size);
        break;
    case U_EMR_POLYTEXTOUTA:
    case U_EMR_POLYTEXTOUTW: {
        const std::uint64_t At = offsetof(U_EMRPOLYTEXTOUTA, emrtext);
        if (Size < At) break;
        const auto& Texts = RecordAs<U_EMRPOLYTEXTOUTA>(Record);
        // Each entry is the fixed text part, its rectangle and the offset of its advances.
        const std::size_t Entry = sizeof(U_EMRTEXT) + sizeof(U_RECTL) + 4;
        if (!Inside(At, Texts.cStrings, Entry, Size)) break;
        for (std::uint32_t Index = 0; Index < Texts.cStrings; ++Index) {
            TextOut(Record, Size, *reinterpret_cast<const U_EMRTEXT*>(Record + At + Index * Entry),
                    Type == U_EMR_POLYTEXTOUTW);
        }
        break;
    }
    case U_EMR_BITBLT: {
        const auto& Blt = RecordAs<U_EMRBITBLT>(Record);
        const QRectF Dest(Blt.Dest.x, Blt.Dest.y, Blt.cDest.x, Blt.cDest.y);
        if (Blt.cbBmiSrc == 0)
            PatBlt(Dest, Blt.dwRop);
        else
            Blit(Dest, Record, Size, Blt.offBmiSrc, Blt.cbBmiSrc, Blt.offBitsSrc, Blt.cbBitsSrc, Blt.iUsageSrc,
                 QRect(Blt.Src.x, Blt.Src.y, Blt.cDest.x, Blt.cDest.y), Blt.dwRop);
        break;
    }
    case U_EMR_STRETCHBLT: {
        const auto& Blt = RecordAs<U_EMRSTRETCHBLT>(Record);
        const QRectF Dest(Blt.Dest.x, Blt.Dest.y, Blt.cDest.x, Blt.cDest.y);
        if (Blt.cbBmiSrc == 0)
            PatBlt(Dest, Blt.dwRop);
        else
            Blit(Dest, Record, Size, Blt.offBmiSrc, Blt.cbBmiSrc, Blt.offBitsSrc, Blt.cbBitsSrc, Blt.iUsageSrc,
                 QRect(Blt.Src.x, Blt.Src.y, Blt.cSrc.x, Blt.cSrc.y), Blt.dwRop);
        break;
    }
    case U_EMR_MASKBLT: {
        const auto& Blt = RecordAs<U_EMRMASKBLT>(Record);
        const QRectF Dest(Blt.Dest.x, Blt.Dest.y, Blt.cDest.x, Blt.cDest.y);
        if (Blt.cbBmiSrc == 0)
            PatBlt(Dest, Blt.dwRop & 0xFFFFFF);
        else
            Blit(Dest, Record, Size, Blt.offBmiSrc, Blt.cbBmiSrc, Blt.offBitsSrc, Blt.cbBitsSrc, Blt.iUsageSrc,
                 QRect(Blt.Src.x, Blt.Src.y, Blt.cDest.x, Blt.cDest.y), Blt.dwRop & 0xFFFFFF);
        break;
    }
    case U_EMR_STRETCHDIBITS: {
        const auto& Blt = RecordAs<U_EMRSTRETCHDIBITS>(Record);
        const QRectF Dest(Blt.Dest.x, Blt.Dest.y, Blt.cDest.x, Blt.cDest.y);
        if (Blt.cbBmiSrc == 0) {
            PatBlt(Dest, Blt.dwRop);
            break;
        }
        // The source rectangle counts rows from the bottom of a bottom-up bitmap.
        const int Height = DibSize(Record, Size, Blt.offBmiSrc, Blt.cbBmiSrc).height();
        const int Top = Height > 0 ? Height - Blt.Src.y - Blt.cSrc.y : Blt.Src.y;
        Blit(Dest, Record, Size, Blt.offBmiSrc, Blt.cbBmiSrc, Blt.offBitsSrc, Blt.cbBitsSrc, Blt.iUsageSrc,
             QRect(Blt.Src.x, Top, Blt.cSrc.x, Blt.cSrc.y), Blt.dwRop);
        break;
    }
    case U_EMR_SETDIBITSTODEVICE: {
        const auto& Blt = RecordAs<U_EMRSETDIBITSTODEVICE>(Record);
        const int Height = DibSize(Record, Size, Blt.offBmiSrc, Blt.cbBmiSrc).height();
        const int Top = Height > 0 ? Height - Blt.Src.y - Blt.cSrc.y : Blt.Src.y;
        Blit(QRectF(Blt.Dest.x, Blt.Dest.y, Blt.cSrc.x, Blt.cSrc.y), Record, Size, Blt.offBmiSrc, Blt.cbBmiSrc,
             Blt.offBitsSrc, Blt.cbBitsSrc, Blt.iUsageSrc, QRect(Blt.Src.x, Top, Blt.cSrc.x, Blt.cSrc.y), U_SRCCOPY);
        break;
    }
    case U_EMR_ALPHABLEND: {
        const auto& Blt = RecordAs<U_EMRALPHABLEND>(Record);
        Blit(QRectF(Blt.Dest.x, Blt.Dest.y, Blt.cDest.x, Blt.cDest.y), Record, Size, Blt.offBmiSrc, Blt.cbBmiSrc,
             Blt.offBitsSrc, Blt.cbBitsSrc, Blt.iUsageSrc, QRect(Blt.Src.x, Blt.Src.y, Blt.cSrc.x, Blt.cSrc.y),
             U_SRCCOPY, std::nullopt, Blt.Blend.Global);
        break;
    }
    case U_EMR_TRANSPARENTBLT: {
        const auto& Blt = RecordAs<U_EMRTRANSPARENTBLT>(Record);
        Blit(QRectF(Blt.Dest.x, Blt.Dest.y, Blt.cDest.x, Blt.cDest.y), Record, Size, Blt.offBmiSrc, Blt.cbBmiSrc,
             Blt.offBitsSrc, Blt.cbBitsSrc, Blt.iUsageSrc, QRect(Blt.Src.x, Blt.Src.y, Blt.cSrc.x, Blt.cSrc.y),
             U_SRCCOPY, ColorOf(Blt.TColor).rgb());
        break;
    }
    case U_EMR_GRADIENTFILL:
        GradientFill(Record, Size);
        break;
    default:
        break; // records without a visible effect here, EMF+ comments among them
    }
}

} // namespace EmfPlayback

void PlayEmf(std::span<const std::uint8_t> Emf, QPainter& Painter, const QRectF& Target, const QRectF& Source,
             QPoint Origin)
{
    const TEmfHeaderInfo Header = ReadEmfHeader(Emf);
    if (Source.width() == 0 || Source.height() == 0) return;
    const double ScaleX = Target.width() / Source.width(), ScaleY = Target.height() / Source.height();
    const QTransform Playback(ScaleX, 0, 0, ScaleY, Target.left() - Origin.x() - Source.left() * ScaleX,
                              Target.top() - Origin.y() - Source.top() * ScaleY);
    Painter.save();
    Painter.setRenderHint(QPainter::TextAntialiasing, true);
    EmfPlayback::TEmfPlayer Player(Painter, Header, Playback, Origin);
    ForEachEmfRecord(
        Emf, [&](std::uint32_t Type, const char* Record, std::uint32_t Size) { Player.Play(Type, Record, Size); });
    Painter.restore();
}

QRectF EmfFrameInDevicePixels(std::span<const std::uint8_t> Emf)
{
    const TEmfHeaderInfo Header = ReadEmfHeader(Emf);
    // The frame is in 0.01 mm; its extent is right minus left, as the picture's size counts it.
    const double X = Header.PixelsPerMmX() / 100, Y = Header.PixelsPerMmY() / 100;
    return QRectF(QPointF(Header.FrameLeft * X, Header.FrameTop * Y),
                  QPointF(Header.FrameRight * X, Header.FrameBottom * Y));
}

QRectF EmfBoundsInDevicePixels(std::span<const std::uint8_t> Emf)
{
    const TEmfHeaderInfo Header = ReadEmfHeader(Emf);
    return QRectF(QPointF(Header.BoundsLeft, Header.BoundsTop), QPointF(Header.BoundsRight, Header.BoundsBottom));
}

QRectF EmfDrawingBounds(std::span<const std::uint8_t> Emf)
{
    // The records are played onto transparency over the frame and a margin of half the frame on every side,
    // at most 1024 pixels across; the covered pixels give the bounds.
    const QRectF Frame = EmfFrameInDevicePixels(Emf);
    if (Frame.width() <= 0 || Frame.height() <= 0) return {};
    const QRectF Area = Frame.adjusted(-Frame.width() / 2, -Frame.height() / 2, Frame.width() / 2, Frame.height() / 2);
    const double Scale = std::min(1.0, 1024 / std::max(Area.width(), Area.height()));
    const int Width = std::max(1, int(std::ceil(Area.width() * Scale)));
    const int Height = std::max(1, int(std::ceil(Area.height() * Scale)));
    QImage Image(Width, Height, QImage::Format_ARGB32_Premultiplied);
    Image.fill(Qt::transparent);
    {
        QPainter Painter(&Image);
        PlayEmf(Emf, Painter, QRectF(0, 0, Width, Height), Area);
    }
    int Left = Width, Top = Height, Right = -1, Bottom = -1;
    for (int Y = 0; Y < Height; ++Y) {
        const auto* Row = reinterpret_cast<const QRgb*>(Image.constScanLine(Y));
        for (int X = 0; X < Width; ++X)
            if (qAlpha(Row[X]) != 0) {
                Left = std::min(Left, X), Right = std::max(Right, X);
                Top = std::min(Top, Y), Bottom = std::max(Bottom, Y);
            }
    }
    if (Right < 0) return {};
    return QRectF(Area.left() + Left / Scale, Area.top() + Top / Scale, (Right + 1 - Left) / Scale,
                  (Bottom + 1 - Top) / Scale);
}
