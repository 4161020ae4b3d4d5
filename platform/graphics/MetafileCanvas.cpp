#include "platform/graphics/MetafileCanvas.h"

#include "platform/graphics/Bitmap.h"
#include "platform/graphics/Metafile.h"
#include "platform/graphics/RasterCoverage.h"
#include "platform/graphics/codecs/BmpCodec.h"
#include "platform/graphics/emf/EmfWriter.h"
#include "platform/system/Screen.h"

#include <QString>

#include <algorithm>
#include <cstring>
#include <functional>
#include <optional>
#include <uemf.h>
#include <vector>

namespace {

constexpr std::uint32_t PenHandle = 1, BrushHandle = 2, FontHandle = 3;
// A stock object's handle (the constants carry the stock flag).
constexpr std::int32_t Stock(std::uint32_t Object)
{
    return std::int32_t(Object);
}

std::span<const std::uint8_t> AsBytes(const void* Data, std::size_t Size)
{
    return {static_cast<const std::uint8_t*>(Data), Size};
}

// A bottom-up DIB without compression: its info header, the colours of its table, its rows, each row
// zeroed and then filled by FillRow(Y, Row) for picture row Y (0 at the top).
std::vector<std::uint8_t> MakeDib(int Width, int Height, std::int32_t BitCount,
                                  std::initializer_list<std::uint32_t> Colours,
                                  const std::function<void(int Y, std::uint8_t* Row)>& FillRow)
{
    const std::size_t Stride = BytesPerScanLine(Width, BitCount);
    const std::int32_t Header[10] = {40,
                                     Width,
                                     Height,
                                     1 | BitCount << 16,
                                     U_BI_RGB,
                                     std::int32_t(Stride * std::size_t(Height)),
                                     0,
                                     0,
                                     std::int32_t(Colours.size()),
                                     0};
    const std::size_t PixelsAt = sizeof Header + 4 * Colours.size();
    std::vector<std::uint8_t> Dib(PixelsAt + Stride * std::size_t(Height), 0);
    std::memcpy(Dib.data(), Header, sizeof Header);
    std::size_t At = sizeof Header;
    for (const std::uint32_t Colour : Colours) {
        std::memcpy(Dib.data() + At, &Colour, 4);
        At += 4;
    }
    for (int Y = 0; Y < Height; ++Y) FillRow(Y, Dib.data() + PixelsAt + std::size_t(Height - 1 - Y) * Stride);
    return Dib;
}

class TRecordingDevice : public TCanvasDevice
{
public:
    explicit TRecordingDevice(TMetafile& Metafile) : FMetafile(Metafile) {}
    ~TRecordingDevice() override { Finish(); }

    void Polyline(std::span<const TPoint> Points, const TPen& Pen) override
    {
        if (Points.size() < 2 || Pen.Style == psClear) return;
        UsePen(Pen);
        std::vector<std::int32_t> Coordinates;
        for (const TPoint& Point : Points) {
            Coordinates.push_back(Point.X);
            Coordinates.push_back(Point.Y);
            Include(Point.X - Pen.Width, Point.Y - Pen.Width, Point.X + Pen.Width, Point.Y + Pen.Width);
        }
        FWriter.Add(U_EMR_POLYLINE, {0, 0, -1, -1, std::int32_t(Points.size())},
                    AsBytes(Coordinates.data(), Coordinates.size() * 4));
    }

    void Rectangle(const TRect& Rect, const TPen& Pen, const TBrush& Brush) override
    {
        UsePen(Pen);
        UseBrush(Brush);
        FWriter.Add(U_EMR_RECTANGLE, {Rect.Left, Rect.Top, Rect.Right, Rect.Bottom});
        Include(Rect.Left, Rect.Top, Rect.Right, Rect.Bottom);
    }

    void FillRect(const TRect& Rect, const TBrush& Brush) override
    {
        if (Brush.Style == bsClear) return;
        UseBrush(Brush);
        // A pattern copy with the brush: bounds, destination, extent, operation, no source.
        FWriter.Add(U_EMR_BITBLT, {0,
                                   0,
                                   -1,
                                   -1,
                                   Rect.Left,
                                   Rect.Top,
                                   Rect.Width(),
                                   Rect.Height(),
                                   U_PATCOPY,
                                   0,
                                   0,
                                   0x3F800000,
                                   0,
                                   0,
                                   0x3F800000,
                                   0,
                                   0,
                                   0,
                                   0,
                                   0,
                                   0,
                                   0,
                                   0});
        Include(Rect.Left, Rect.Top, Rect.Right, Rect.Bottom);
    }

    void TextOut(int X, int Y, const std::string& Text, const TFont& Font, const TBrush& Brush) override
    {
        if (Text.empty()) return;
        UseFont(Font);
        Set(FTextColor, U_EMR_SETTEXTCOLOR, std::int32_t(Font.Color));
        Set(FBkMode, U_EMR_SETBKMODE, Brush.Style == bsClear ? U_TRANSPARENT : U_OPAQUE);
        if (Brush.Style != bsClear) Set(FBkColor, U_EMR_SETBKCOLOR, std::int32_t(Brush.Color));
        const std::u16string Wide = QString::fromStdString(Text).toStdU16String();
        // Each character's advance as the screen measures it, so players place the text alike.
        std::vector<std::int32_t> Advances;
        int Previous = 0;
        for (std::size_t Length = 1; Length <= Wide.size(); ++Length) {
            const std::string Prefix = QString::fromStdU16String(Wide.substr(0, Length)).toStdString();
            const int Width = MeasureText(Prefix, Font).cx;
            Advances.push_back(Width - Previous);
            Previous = Width;
        }
        const TSize Extent = MeasureText(Text, Font);
        constexpr std::int32_t Fixed = 76;
        const std::int32_t TextBytes = std::int32_t((Wide.size() * 2 + 3) / 4 * 4);
        std::vector<std::uint8_t> Tail(std::size_t(TextBytes), 0);
        std::memcpy(Tail.data(), Wide.data(), Wide.size() * 2);
        const auto Dx = AsBytes(Advances.data(), Advances.size() * 4);
        Tail.insert(Tail.end(), Dx.begin(), Dx.end());
        FWriter.Add(U_EMR_EXTTEXTOUTW,
                    {0, 0, -1, -1, U_GM_COMPATIBLE, 0, 0, X, Y, std::int32_t(Wide.size()), Fixed, 0, X, Y,
                     X + Extent.cx, Y + Extent.cy, Fixed + TextBytes},
                    Tail);
        Include(X, Y, X + Extent.cx, Y + Extent.cy);
    }

    TSize TextExtent(const std::string& Text, const TFont& Font) override { return MeasureText(Text, Font); }

    void StretchBitmap(const TRect& Dest, const TBitmap& Source, const TRect& SourceRect, TBlend Blend) override
    {
        if (Source.Empty() || Dest.Width() == 0 || Dest.Height() == 0) return;
        Include(Dest.Left, Dest.Top, Dest.Right, Dest.Bottom);
        if (Blend == TBlend::Alpha && Source.BitCount() == 32) {
            // As the desktop records an icon: a two-level alpha as a mask transfer, which every player
            // and the Windows metafile keep, any other alpha as an alpha blend of premultiplied pixels.
            bool Partial = false, Transparent = false;
            for (int Y = 0; Y < Source.Height(); ++Y)
                for (int X = 0; X < Source.Width(); ++X) {
                    const std::uint8_t Alpha = Source.ScanLine(Y)[4 * X + 3];
                    Transparent |= Alpha == 0;
                    Partial |= Alpha != 0 && Alpha != 255;
                }
            if (Partial) {
                AlphaBlend(Dest, Source, SourceRect);
                return;
            }
            if (Transparent) {
                MaskTransfer(Dest, Source, SourceRect);
                return;
            }
        }
        // The bitmap goes in as a DIB: its BMP file without the 14-byte file header.
        std::vector<std::uint8_t> File;
        WriteBmp(Source, File);
        std::uint32_t PixelsAt;
        std::memcpy(&PixelsAt, File.data() + 10, 4);
        StretchDib(Dest, SourceRect, Source.Height(), AsBytes(File.data() + 14, File.size() - 14),
                   std::int32_t(PixelsAt - 14), U_SRCCOPY);
    }

private:
    void Include(int Left, int Top, int Right, int Bottom)
    {
        FWriter.IncludeBounds(std::min(Left, Right), std::min(Top, Bottom), std::max(Left, Right) - 1,
                              std::max(Top, Bottom) - 1);
    }

    // A STRETCHDIBITS record of Dib, a bitmap info of BmiSize bytes and its bottom-up rows.
    void StretchDib(const TRect& Dest, const TRect& SourceRect, int SourceHeight, std::span<const std::uint8_t> Dib,
                    std::int32_t BmiSize, std::uint32_t Rop)
    {
        constexpr std::int32_t Fixed = 80;
        // The record counts source rows from the bottom of the bottom-up rows.
        const std::int32_t SourceY = SourceHeight - SourceRect.Bottom;
        FWriter.Add(U_EMR_STRETCHDIBITS,
                    {0, 0, -1, -1, Dest.Left, Dest.Top, SourceRect.Left, SourceY, SourceRect.Width(),
                     SourceRect.Height(), Fixed, BmiSize, Fixed + BmiSize, std::int32_t(Dib.size()) - BmiSize,
                     U_DIB_RGB_COLORS, std::int32_t(Rop), Dest.Width(), Dest.Height()},
                    Dib);
    }

    // The mask ANDed onto the destination (black where Source is opaque, white where it is
    // transparent), then the colours, black where transparent, XORed in.
    void MaskTransfer(const TRect& Dest, const TBitmap& Source, const TRect& SourceRect)
    {
        const int Width = Source.Width(), Height = Source.Height();
        const auto Alpha = [&](int X, int Y) { return Source.ScanLine(Y)[4 * X + 3]; };
        const std::vector<std::uint8_t> Mask =
            MakeDib(Width, Height, 1, {0x000000, 0xFFFFFF}, [&](int Y, std::uint8_t* Row) {
                for (int X = 0; X < Width; ++X)
                    if (Alpha(X, Y) == 0) Row[X / 8] |= std::uint8_t(0x80 >> (X % 8));
            });
        const std::vector<std::uint8_t> Colours = MakeDib(Width, Height, 24, {}, [&](int Y, std::uint8_t* Row) {
            for (int X = 0; X < Width; ++X)
                if (Alpha(X, Y) != 0) std::memcpy(Row + 3 * X, Source.ScanLine(Y) + 4 * X, 3);
        });
        StretchDib(Dest, SourceRect, Height, Mask, 40 + 8, U_SRCAND);
        StretchDib(Dest, SourceRect, Height, Colours, 40, U_SRCINVERT);
    }

    void AlphaBlend(const TRect& Dest, const TBitmap& Source, const TRect& SourceRect)
    {
        const int Width = Source.Width();
        const std::vector<std::uint8_t> Pixels = MakeDib(Width, Source.Height(), 32, {}, [&](int Y, std::uint8_t* Row) {
            const std::uint8_t* From = Source.ScanLine(Y);
            for (int X = 0; X < 4 * Width; X += 4) {
                const int Alpha = From[X + 3];
                for (int Channel = 0; Channel < 3; ++Channel)
                    Row[X + Channel] = std::uint8_t((From[X + Channel] * Alpha + 127) / 255);
                Row[X + 3] = std::uint8_t(Alpha);
            }
        });
        // Destination, blend function (source over, constant alpha 255, per-pixel alpha), source corner,
        // identity transform of the source, background, colour usage, the bitmap's place, source extent.
        constexpr std::int32_t Fixed = 108;
        const std::int32_t BmiSize = 40;
        FWriter.Add(U_EMR_ALPHABLEND,
                    {0,
                     0,
                     -1,
                     -1,
                     Dest.Left,
                     Dest.Top,
                     Dest.Width(),
                     Dest.Height(),
                     std::int32_t(U_AC_SRC_ALPHA << 24 | 255 << 16),
                     SourceRect.Left,
                     SourceRect.Top,
                     0x3F800000,
                     0,
                     0,
                     0x3F800000,
                     0,
                     0,
                     0,
                     U_DIB_RGB_COLORS,
                     Fixed,
                     BmiSize,
                     Fixed + BmiSize,
                     std::int32_t(Pixels.size()) - BmiSize,
                     SourceRect.Width(),
                     SourceRect.Height()},
                    Pixels);
    }

    void Set(std::optional<std::int32_t>& Current, std::uint32_t Type, std::int32_t Value)
    {
        if (Current == Value) return;
        Current = Value;
        FWriter.Add(Type, {Value});
    }

    void UsePen(const TPen& Pen)
    {
        static constexpr std::int32_t Modes[] = {U_R2_COPYPEN, U_R2_NOTXORPEN, U_R2_XORPEN, U_R2_NOT};
        Set(FRop2, U_EMR_SETROP2, Modes[Pen.Mode]);
        if (FPen && FPen->Color == Pen.Color && FPen->Width == Pen.Width && FPen->Style == Pen.Style) return;
        // The pen's style numbers are the desktop's pen styles.
        Replace(PenHandle, Stock(U_BLACK_PEN), FPen.has_value());
        if (Pen.Width > 1) {
            // A wide pen as a geometric extended pen (round ends and joins, a solid brush), whose width
            // every renderer honours: style, width, brush style, colour, hatch, no style entries, after
            // the empty bitmap's offsets and sizes.
            constexpr std::int32_t Fixed = 52;
            FWriter.Add(U_EMR_EXTCREATEPEN,
                        {std::int32_t(PenHandle), Fixed, 0, Fixed, 0, std::int32_t(U_PS_GEOMETRIC) | Pen.Style,
                         Pen.Width, U_BS_SOLID, std::int32_t(Pen.Color), 0, 0});
        } else {
            FWriter.Add(U_EMR_CREATEPEN, {std::int32_t(PenHandle), Pen.Style, Pen.Width, 0, std::int32_t(Pen.Color)});
        }
        FWriter.Add(U_EMR_SELECTOBJECT, {std::int32_t(PenHandle)});
        FWriter.UseHandle(PenHandle);
        FPen = Pen;
    }

    void UseBrush(const TBrush& Brush)
    {
        if (FBrush && FBrush->Color == Brush.Color && FBrush->Style == Brush.Style) return;
        Replace(BrushHandle, Stock(U_WHITE_BRUSH), FBrush.has_value());
        FWriter.Add(
            U_EMR_CREATEBRUSHINDIRECT,
            {std::int32_t(BrushHandle), Brush.Style == bsClear ? U_BS_NULL : U_BS_SOLID, std::int32_t(Brush.Color), 0});
        FWriter.Add(U_EMR_SELECTOBJECT, {std::int32_t(BrushHandle)});
        FWriter.UseHandle(BrushHandle);
        FBrush = Brush;
    }

    void UseFont(const TFont& Font)
    {
        if (FFont && FFont->Name == Font.Name && FFont->Size == Font.Size) return;
        Replace(FontHandle, Stock(U_SYSTEM_FONT), FFont.has_value());
        // A positive size is in points at the screen's resolution, a negative one in pixels; the record
        // holds the character height as a negative number.
        const int Pixels = Font.Size < 0 ? -Font.Size : (Font.Size * ScreenPixelsPerInch() + 36) / 72;
        const std::u16string Face = QString::fromStdString(Font.Name).left(31).toStdU16String();
        std::vector<std::uint8_t> Tail(320 - 20, 0);
        std::memcpy(Tail.data() + 8, Face.data(), Face.size() * 2);
        FWriter.Add(U_EMR_EXTCREATEFONTINDIRECTW, {std::int32_t(FontHandle), -Pixels, 0, 0, 0, U_FW_NORMAL}, Tail);
        FWriter.Add(U_EMR_SELECTOBJECT, {std::int32_t(FontHandle)});
        FWriter.UseHandle(FontHandle);
        FFont = Font;
    }

    // Selects the stock object in place of Handle and deletes Handle, so it can be made anew.
    void Replace(std::uint32_t Handle, std::int32_t StockObject, bool Exists)
    {
        if (!Exists) return;
        FWriter.Add(U_EMR_SELECTOBJECT, {StockObject});
        FWriter.Add(U_EMR_DELETEOBJECT, {std::int32_t(Handle)});
    }

    void Finish()
    {
        const int Dpi = ScreenPixelsPerInch();
        const TEmfReference Reference{1920, 1080, 1920 * 25400 / Dpi, 1080 * 25400 / Dpi};
        std::int32_t Frame[4] = {0, 0, FMetafile.MMWidth(), FMetafile.MMHeight()};
        if (Frame[2] == 0 || Frame[3] == 0) {
            // Without a size of its own the picture is as large as what was drawn.
            TEmfWriter Probe = FWriter;
            const std::vector<std::uint8_t> Drawn = Probe.Finish(Frame, Reference);
            std::int32_t Bounds[4];
            std::memcpy(Bounds, Drawn.data() + 8, sizeof Bounds);
            Frame[0] = Bounds[0] * 2540 / Dpi, Frame[1] = Bounds[1] * 2540 / Dpi;
            Frame[2] = (Bounds[2] + 1) * 2540 / Dpi, Frame[3] = (Bounds[3] + 1) * 2540 / Dpi;
        }
        try {
            FMetafile.SetEmfBytes(FWriter.Finish(Frame, Reference));
        } catch (...) {
            // A destructor must not throw; a recording that cannot be stored leaves the metafile as it was.
        }
    }

    TMetafile& FMetafile;
    TEmfWriter FWriter;
    std::optional<TPen> FPen;
    std::optional<TBrush> FBrush;
    std::optional<TFont> FFont;
    std::optional<std::int32_t> FRop2, FTextColor, FBkColor, FBkMode;
};

} // namespace

TMetafileCanvas::TMetafileCanvas(TMetafile& Metafile) : TCanvas(std::make_unique<TRecordingDevice>(Metafile))
{}
