#include "platform/graphics/RasterDevice.h"

#include "platform/graphics/Bitmap.h"
#include "platform/graphics/RasterCoverage.h"
#include "platform/graphics/RasterStretch.h"
#include "platform/graphics/RasterSurface.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <optional>

namespace {

// On and off runs of the one-pixel pen styles, in pixels, as the desktop's cosmetic pens drew them.
struct TDashPattern
{
    std::array<int, 6> Runs{};
    int Count = 0;
    int Length = 0;
};

std::optional<TDashPattern> DashPatternOf(TPenStyle Style)
{
    switch (Style) {
    case psDash:
        return TDashPattern{{18, 6}, 2, 24};
    case psDot:
        return TDashPattern{{3, 3}, 2, 6};
    case psDashDot:
        return TDashPattern{{9, 6, 3, 6}, 4, 24};
    case psDashDotDot:
        return TDashPattern{{9, 3, 3, 3, 3, 3}, 6, 24};
    default:
        return std::nullopt;
    }
}

// Where a one-pixel line stands in its pen's pattern; the pattern runs on across the segments of one
// polyline or rectangle.
class TDash
{
public:
    explicit TDash(TPenStyle Style) : FPattern(DashPatternOf(Style)) {}

    bool On() const
    {
        if (!FPattern) return true;
        int Position = FPosition;
        for (int Run = 0; Run < FPattern->Count; ++Run) {
            if (Position < FPattern->Runs[std::size_t(Run)]) return Run % 2 == 0;
            Position -= FPattern->Runs[std::size_t(Run)];
        }
        return true;
    }
    void Advance(long long Pixels)
    {
        if (FPattern) FPosition = int((FPosition + Pixels % FPattern->Length) % FPattern->Length);
    }

private:
    std::optional<TDashPattern> FPattern;
    int FPosition = 0;
};

// Lines far beyond the bitmap are cut down to this margin around it before they are traced, so a wild
// coordinate costs no more than a line across the picture.
constexpr long long TraceMargin = 1 << 16;

bool Traceable(const TPoint& Point, const TRasterSurface& Surface)
{
    return Point.X >= -TraceMargin && Point.Y >= -TraceMargin && Point.X <= Surface.Width() + TraceMargin &&
           Point.Y <= Surface.Height() + TraceMargin;
}

// Cuts the segment A-B to the traceable box by its parameter; false when nothing of it is left.
bool ClipToTraceable(TPoint& A, TPoint& B, const TRasterSurface& Surface)
{
    const double Low[2] = {-double(TraceMargin), -double(TraceMargin)};
    const double High[2] = {double(Surface.Width() + TraceMargin), double(Surface.Height() + TraceMargin)};
    const double Start[2] = {double(A.X), double(A.Y)};
    const double Delta[2] = {double(B.X) - A.X, double(B.Y) - A.Y};
    double From = 0, To = 1;
    for (int Axis = 0; Axis < 2; ++Axis) {
        if (Delta[Axis] == 0) {
            if (Start[Axis] < Low[Axis] || Start[Axis] > High[Axis]) return false;
            continue;
        }
        double Enter = (Low[Axis] - Start[Axis]) / Delta[Axis];
        double Leave = (High[Axis] - Start[Axis]) / Delta[Axis];
        if (Enter > Leave) std::swap(Enter, Leave);
        From = std::max(From, Enter);
        To = std::min(To, Leave);
    }
    if (From > To) return false;
    const TPoint NewA = Point(int(Start[0] + From * Delta[0]), int(Start[1] + From * Delta[1]));
    B = Point(int(Start[0] + To * Delta[0]), int(Start[1] + To * Delta[1]));
    A = NewA;
    return true;
}

// A one-pixel line from A to B, B excluded, by Bresenham's rule (a tie steps the minor axis late).
void TraceLine(const TRasterSurface& Surface, TPoint A, TPoint B, std::uint32_t Value, TPenMode Mode, TDash& Dash)
{
    const long long Steps = std::max(std::llabs((long long)B.X - A.X), std::llabs((long long)B.Y - A.Y));
    if (!Traceable(A, Surface) || !Traceable(B, Surface)) {
        if (!ClipToTraceable(A, B, Surface)) {
            Dash.Advance(Steps);
            return;
        }
    }
    const bool XMajor = std::abs(B.X - A.X) >= std::abs(B.Y - A.Y);
    long long Major = XMajor ? A.X : A.Y;
    long long Minor = XMajor ? A.Y : A.X;
    const long long MajorDelta = std::llabs(XMajor ? (long long)B.X - A.X : (long long)B.Y - A.Y);
    const long long MinorDelta = std::llabs(XMajor ? (long long)B.Y - A.Y : (long long)B.X - A.X);
    const int MajorStep = (XMajor ? B.X >= A.X : B.Y >= A.Y) ? 1 : -1;
    const int MinorStep = (XMajor ? B.Y >= A.Y : B.X >= A.X) ? 1 : -1;
    const long long MajorLimit = XMajor ? Surface.Width() : Surface.Height();
    long long Error = 2 * MinorDelta - MajorDelta;
    for (long long Step = 0; Step < MajorDelta; ++Step) {
        // Once the line has left the bitmap in its direction of travel it never comes back.
        if ((MajorStep > 0 && Major >= MajorLimit) || (MajorStep < 0 && Major < 0)) {
            Dash.Advance(MajorDelta - Step);
            break;
        }
        if (Dash.On()) {
            if (XMajor)
                Surface.Plot(int(Major), int(Minor), Value, Mode);
            else
                Surface.Plot(int(Minor), int(Major), Value, Mode);
        }
        Dash.Advance(1);
        if (Error > 0) {
            Minor += MinorStep;
            Error -= 2 * MajorDelta;
        }
        Error += 2 * MinorDelta;
        Major += MajorStep;
    }
}

TRect SurfaceRect(const TRasterSurface& Surface)
{
    return Rect(0, 0, Surface.Width(), Surface.Height());
}

void ApplyCoverage(const TRasterSurface& Surface, const TCoverage& Coverage, std::uint32_t Value, TPenMode Mode)
{
    Coverage.ForEachCovered([&](int X, int Y) { Surface.Plot(X, Y, Value, Mode); });
}

class TRasterDevice : public TCanvasDevice
{
public:
    explicit TRasterDevice(TBitmap& Target) : FTarget(Target) {}

    void Polyline(std::span<const TPoint> Points, const TPen& Pen) override
    {
        if (Points.size() < 2 || Pen.Style == psClear || FTarget.Empty()) return;
        const TRasterSurface Surface(FTarget);
        const std::uint32_t Value = Surface.Map(Pen.Color);
        if (Pen.Width > 1) {
            ApplyCoverage(Surface, StrokeCoverage(Points, Pen.Width, false, SurfaceRect(Surface)), Value, Pen.Mode);
        } else {
            TDash Dash(Pen.Style);
            for (std::size_t Index = 1; Index < Points.size(); ++Index)
                TraceLine(Surface, Points[Index - 1], Points[Index], Value, Pen.Mode, Dash);
        }
        FTarget.Modified();
    }

    void Rectangle(const TRect& Area, const TPen& Pen, const TBrush& Brush) override
    {
        if (FTarget.Empty()) return;
        const TRect Box = Rect(std::min(Area.Left, Area.Right), std::min(Area.Top, Area.Bottom),
                               std::max(Area.Left, Area.Right), std::max(Area.Top, Area.Bottom));
        if (Box.Width() == 0 || Box.Height() == 0) return;
        const TRasterSurface Surface(FTarget);
        const std::uint32_t PenValue = Surface.Map(Pen.Color);
        const std::uint32_t BrushValue = Surface.Map(Brush.Color);
        // The interior takes the pen's raster mode too, as the desktop's rectangle did.
        const auto FillInterior = [&](const TRect& Inside, const TCoverage* Outline) {
            if (Brush.Style == bsClear) return;
            for (int Y = std::max(Inside.Top, 0); Y < std::min(Inside.Bottom, Surface.Height()); ++Y) {
                if (Outline == nullptr) {
                    Surface.Span(Y, Inside.Left, Inside.Right, BrushValue, Pen.Mode);
                    continue;
                }
                for (int X = std::max(Inside.Left, 0); X < std::min(Inside.Right, Surface.Width()); ++X)
                    if (!Outline->Covered(X, Y)) Surface.Plot(X, Y, BrushValue, Pen.Mode);
            }
        };

        if (Pen.Style == psClear) {
            // Without an outline the filled area loses its last column and row.
            FillInterior(Rect(Box.Left, Box.Top, Box.Right - 1, Box.Bottom - 1), nullptr);
        } else if (Pen.Width > 1) {
            // An inside-frame pen keeps its whole width within the rectangle.
            const int Inset = Pen.Style == psInsideFrame ? Pen.Width / 2 : 0;
            const std::array<TPoint, 4> Corners{
                Point(Box.Left + Inset, Box.Top + Inset), Point(Box.Right - 1 - Inset, Box.Top + Inset),
                Point(Box.Right - 1 - Inset, Box.Bottom - 1 - Inset), Point(Box.Left + Inset, Box.Bottom - 1 - Inset)};
            const TCoverage Outline = StrokeCoverage(Corners, Pen.Width, true, SurfaceRect(Surface));
            FillInterior(Rect(Box.Left + 1, Box.Top + 1, Box.Right - 1, Box.Bottom - 1), &Outline);
            ApplyCoverage(Surface, Outline, PenValue, Pen.Mode);
        } else {
            TDash Dash(Pen.Style);
            if (Box.Width() == 1 || Box.Height() == 1) {
                // A one-pixel-thin rectangle is a single line; tracing it there and back would cancel
                // an inverting pen.
                TraceLine(Surface, Point(Box.Left, Box.Top),
                          Box.Width() == 1 ? Point(Box.Left, Box.Bottom) : Point(Box.Right, Box.Top), PenValue,
                          Pen.Mode, Dash);
            } else {
                const std::array<TPoint, 5> Corners{Point(Box.Left, Box.Top), Point(Box.Right - 1, Box.Top),
                                                    Point(Box.Right - 1, Box.Bottom - 1),
                                                    Point(Box.Left, Box.Bottom - 1), Point(Box.Left, Box.Top)};
                for (std::size_t Index = 1; Index < Corners.size(); ++Index)
                    TraceLine(Surface, Corners[Index - 1], Corners[Index], PenValue, Pen.Mode, Dash);
                FillInterior(Rect(Box.Left + 1, Box.Top + 1, Box.Right - 1, Box.Bottom - 1), nullptr);
            }
        }
        FTarget.Modified();
    }

    void FillRect(const TRect& Area, const TBrush& Brush) override
    {
        if (Brush.Style == bsClear || FTarget.Empty()) return;
        const TRasterSurface Surface(FTarget);
        const std::uint32_t Value = Surface.Map(Brush.Color);
        for (int Y = std::max(Area.Top, 0); Y < std::min(Area.Bottom, Surface.Height()); ++Y)
            Surface.Span(Y, Area.Left, Area.Right, Value, pmCopy);
        FTarget.Modified();
    }

    void TextOut(int X, int Y, const std::string& Text, const TFont& Font, const TBrush& Brush) override
    {
        if (Text.empty() || FTarget.Empty()) return;
        const TRasterSurface Surface(FTarget);
        const TSize Extent = MeasureText(Text, Font);
        if (Brush.Style != bsClear) {
            const std::uint32_t Background = Surface.Map(Brush.Color);
            for (int Row = std::max(Y, 0); Row < std::min(Y + Extent.cy, Surface.Height()); ++Row)
                Surface.Span(Row, X, X + Extent.cx, Background, pmCopy);
        }
        // Text ignores the pen's raster mode, as on the desktop.
        ApplyCoverage(Surface, TextCoverage(X, Y, Text, Font, SurfaceRect(Surface)), Surface.Map(Font.Color), pmCopy);
        FTarget.Modified();
    }

    TSize TextExtent(const std::string& Text, const TFont& Font) override { return MeasureText(Text, Font); }

    void StretchBitmap(const TRect& Dest, const TBitmap& Source, const TRect& SourceRect, TBlend Blend) override
    {
        if (FTarget.Empty() || Source.Empty() || Dest.Width() == 0 || Dest.Height() == 0 || SourceRect.Width() == 0 ||
            SourceRect.Height() == 0)
            return;
        // Copying within one bitmap reads a snapshot, so overlapping areas see the original pixels.
        std::optional<TBitmap> Snapshot;
        if (&Source == &FTarget) Snapshot.emplace(Source);
        StretchPixels(TRasterSurface(Snapshot ? *Snapshot : Source), TRasterSurface(FTarget), Dest, SourceRect,
                      Blend == TBlend::Alpha && Source.BitCount() == 32);
        FTarget.Modified();
    }

    TBitmap* Target() override { return &FTarget; }

private:
    TBitmap& FTarget;
};

} // namespace

std::unique_ptr<TCanvasDevice> MakeRasterDevice(TBitmap& Target)
{
    return std::make_unique<TRasterDevice>(Target);
}
