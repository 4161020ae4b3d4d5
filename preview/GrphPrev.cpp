#include "preview/GrphPrev.h"

#include "platform/controls/ImageView.h"
#include "platform/system/Printer.h"
#include "platform/system/Screen.h"
#include "preview/PagePicture.h"

#include <QApplication>
#include <QDropEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QPalette>
#include <QScrollBar>
#include <cmath>

namespace {

// Margin in printer pixels to hundredths of an inch, rounded up, kept in one byte.
std::uint8_t HundredthsOfInch(std::int32_t Margin, std::int32_t PixelsPerInch)
{
    const std::int32_t Quotient = Margin * 100 / PixelsPerInch;
    return std::uint8_t(Quotient + (Margin * 100 % PixelsPerInch != 0 ? 1 : 0));
}

int RoundHalfEven(double Value)
{
    return int(std::nearbyint(Value));
}

// Restores the cursor however the rebuild ends.
class TWaitCursor
{
public:
    TWaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~TWaitCursor() { QApplication::restoreOverrideCursor(); }
    TWaitCursor(const TWaitCursor&) = delete;
    TWaitCursor& operator=(const TWaitCursor&) = delete;
};

// Pages needed to reach Last, the last pixel covered counted from the first page's printable origin.
int PagesToReach(int Last, int PageSize)
{
    if (Last < 0 || PageSize <= 0) return 0;
    return std::min(Last / PageSize + 1, TGraphicPreview::MaxPages);
}

} // namespace

TDeviceCaps CapsOf(const TPrinterInfo& Info)
{
    return TDeviceCaps{Info.PrintWidth, Info.PrintHeight, Info.PaperWidth,  Info.PaperHeight,
                       Info.MarginLeft, Info.MarginTop,   Info.PrinterDPIX, Info.PrinterDPIY};
}

TGraphicPreview::TGraphicPreview(QWidget* Owner) : QScrollArea(Owner), FContent(new QWidget)
{
    setWidget(FContent);
    setWidgetResizable(false);
    FContent->resize(0, 0);
    viewport()->installEventFilter(this);
    viewport()->setAcceptDrops(true);
    UpdatePrinterInfo();
    SetPrintPos(Point(0, 0));
}

TGraphicPreview::~TGraphicPreview()
{
    FreeSheetsFrom(0);
}

void TGraphicPreview::SetGraphic(const TGraphic* Value)
{
    FGraphic = Value != nullptr ? std::shared_ptr<const TGraphic>(Value->Clone()) : nullptr;
    ApplyPrintMode();
}

void TGraphicPreview::SetPrintRatio(int Value)
{
    if (Value < 1 || Value > 10000) return;
    FPrintRatio = Value;
    ApplyPrintMode();
}

void TGraphicPreview::SetPreviewRatio(int Value)
{
    if (Value < 10 || Value > 100) return;
    FPreviewRatio = Value;
    UpdatePreview();
}

void TGraphicPreview::SetPrintMode(int Value)
{
    if (Value == pmRatio)
        SetPrintPosMM(FPrintPosMM);
    else if (Value == pmArea)
        SetPrintAreaMM(FPrintAreaMM);
}

void TGraphicPreview::SetGraphicMode(int Value)
{
    if (Value != gmMetafile && Value != gmGraphic) return;
    FGraphicMode = TGraphicMode(Value);
    UpdatePreview();
}

void TGraphicPreview::ApplyPrintMode()
{
    SetPrintMode(FPrintMode);
}

void TGraphicPreview::UpdatePrinterInfo()
{
    const TDeviceCaps Caps = Printer().DeviceCaps();
    TPrinterInfo I;
    I.ScreenDPIX = ScreenPixelsPerInch();
    I.ScreenDPIY = ScreenPixelsPerInch();
    I.PrinterDPIX = Caps.LogPixelsX;
    I.PrinterDPIY = Caps.LogPixelsY;
    I.PrintWidth = Caps.HorzRes;
    I.PrintHeight = Caps.VertRes;
    I.PaperWidth = Caps.PhysicalWidth;
    I.PaperHeight = Caps.PhysicalHeight;
    I.MarginLeft = Caps.PhysicalOffsetX;
    I.MarginTop = Caps.PhysicalOffsetY;

    const auto MM = [](std::int32_t Pixels, std::int32_t PerInch) { return Pixels / double(PerInch) * 25.4; };
    I.PrintWidthMM = MM(I.PrintWidth, I.PrinterDPIX);
    I.PrintHeightMM = MM(I.PrintHeight, I.PrinterDPIY);
    I.PaperWidthMM = MM(I.PaperWidth, I.PrinterDPIX);
    I.PaperHeightMM = MM(I.PaperHeight, I.PrinterDPIY);
    I.MarginRight = I.PaperWidth - I.PrintWidth - I.MarginLeft;
    I.MarginBottom = I.PaperHeight - I.PrintHeight - I.MarginTop;
    I.MarginLeftMM = MM(I.MarginLeft, I.PrinterDPIX);
    I.MarginTopMM = MM(I.MarginTop, I.PrinterDPIY);
    I.MarginRightMM = MM(I.MarginRight, I.PrinterDPIX);
    I.MarginBottomMM = MM(I.MarginBottom, I.PrinterDPIY);
    I.MarginLeftInch = HundredthsOfInch(I.MarginLeft, I.PrinterDPIX);
    I.MarginTopInch = HundredthsOfInch(I.MarginTop, I.PrinterDPIY);
    I.MarginRightInch = HundredthsOfInch(I.MarginRight, I.PrinterDPIX);
    I.MarginBottomInch = HundredthsOfInch(I.MarginBottom, I.PrinterDPIY);
    I.Scale = Printer().Scale();

    // An empty picture recorded against the printer takes its printable size; how the picture layer
    // then reports that size corrects every later size.
    TPagePicture Probe;
    {
        TPageCanvas Recording(Probe, Caps);
    }
    I.MetafileScaleX = I.PrintWidth > 0 ? Probe.Width() * 100 / I.PrintWidth : 100;
    I.MetafileScaleY = I.PrintHeight > 0 ? Probe.Height() * 100 / I.PrintHeight : 100;

    const auto Scaled = [&](double Value) { return I.Scale * Value / 100; };
    I.ScaledPrintWidthMM = Scaled(I.PrintWidthMM);
    I.ScaledPrintHeightMM = Scaled(I.PrintHeightMM);
    I.ScaledPaperWidthMM = Scaled(I.PaperWidthMM);
    I.ScaledPaperHeightMM = Scaled(I.PaperHeightMM);
    I.ScaledMarginLeftMM = Scaled(I.MarginLeftMM);
    I.ScaledMarginTopMM = Scaled(I.MarginTopMM);
    I.ScaledMarginRightMM = Scaled(I.MarginRightMM);
    I.ScaledMarginBottomMM = Scaled(I.MarginBottomMM);
    FPrinterInfo = I;
}

TDoublePoint TGraphicPreview::PointToMM(TPoint P) const
{
    const TPrinterInfo& I = FPrinterInfo;
    return TDoublePoint{P.X / double(I.PrinterDPIX) * 25.4 * I.Scale / 100 + I.ScaledMarginLeftMM,
                        P.Y / double(I.PrinterDPIY) * 25.4 * I.Scale / 100 + I.ScaledMarginTopMM};
}

TDoubleRect TGraphicPreview::RectToMM(const TRect& R) const
{
    const TDoublePoint TopLeft = PointToMM(Point(R.Left, R.Top));
    const TDoublePoint BottomRight = PointToMM(Point(R.Right, R.Bottom));
    return TDoubleRect{TopLeft.X, TopLeft.Y, BottomRight.X, BottomRight.Y};
}

TPoint TGraphicPreview::MMToPoint(TDoublePoint M) const
{
    const TPrinterInfo& I = FPrinterInfo;
    return Point(RoundHalfEven((M.X - I.ScaledMarginLeftMM) / 25.4 * I.PrinterDPIX / I.Scale * 100),
                 RoundHalfEven((M.Y - I.ScaledMarginTopMM) / 25.4 * I.PrinterDPIY / I.Scale * 100));
}

TRect TGraphicPreview::MMToRect(const TDoubleRect& M) const
{
    const TPoint TopLeft = MMToPoint(TDoublePoint{M.Left, M.Top});
    const TPoint BottomRight = MMToPoint(TDoublePoint{M.Right, M.Bottom});
    return Rect(TopLeft.X, TopLeft.Y, BottomRight.X, BottomRight.Y);
}

int TGraphicPreview::PageShift(int Value, int Size)
{
    if (Size <= 0) return 0;
    // Division rounding toward minus infinity: -1 lies one page to the left.
    return Value >= 0 ? Value / Size : -((-Value + Size - 1) / Size);
}

void TGraphicPreview::NormalizePoint(TPoint& P) const
{
    P.X -= PageShift(P.X, FPrinterInfo.PrintWidth) * FPrinterInfo.PrintWidth;
    P.Y -= PageShift(P.Y, FPrinterInfo.PrintHeight) * FPrinterInfo.PrintHeight;
}

void TGraphicPreview::NormalizeRect(TRect& R) const
{
    const int ShiftX = PageShift(R.Left, FPrinterInfo.PrintWidth) * FPrinterInfo.PrintWidth;
    const int ShiftY = PageShift(R.Top, FPrinterInfo.PrintHeight) * FPrinterInfo.PrintHeight;
    R.Left -= ShiftX;
    R.Right -= ShiftX;
    R.Top -= ShiftY;
    R.Bottom -= ShiftY;
}

void TGraphicPreview::SetPrintPos(TPoint P)
{
    FPrintMode = pmRatio;
    FPrintPos = P;
    NormalizePoint(FPrintPos);
    FPrintPosMM = PointToMM(FPrintPos);
    // The picture's physical screen size at PrintRatio percent, truncating at each division. The products
    // are taken in 64 bits: a large picture at a high ratio overflows 32.
    std::int64_t Width = 0, Height = 0;
    if (FGraphic) {
        const TPrinterInfo& I = FPrinterInfo;
        Width = std::int64_t(FGraphic->Width()) * I.PrinterDPIX * FPrintRatio / I.ScreenDPIX / 100;
        Height = std::int64_t(FGraphic->Height()) * I.PrinterDPIY * FPrintRatio / I.ScreenDPIY / 100;
    }
    FPrintArea = Rect(FPrintPos.X, FPrintPos.Y, int(FPrintPos.X + Width - 1), int(FPrintPos.Y + Height - 1));
    FPrintAreaMM = RectToMM(FPrintArea);
    UpdatePreview();
}

void TGraphicPreview::SetPrintPosMM(TDoublePoint Value)
{
    SetPrintPos(MMToPoint(Value));
}

void TGraphicPreview::SetPrintArea(const TRect& R)
{
    FPrintMode = pmArea;
    FPrintArea = R;
    NormalizeRect(FPrintArea);
    FPrintAreaMM = RectToMM(FPrintArea);
    FPrintPos = Point(FPrintArea.Left, FPrintArea.Top);
    FPrintPosMM = PointToMM(FPrintPos);
    UpdatePreview();
}

void TGraphicPreview::SetPrintAreaMM(const TDoubleRect& Value)
{
    SetPrintArea(MMToRect(Value));
}

int TGraphicPreview::HorzPageCount() const
{
    return FGraphic ? PagesToReach(FPrintArea.Right, FPrinterInfo.PrintWidth) : 0;
}

int TGraphicPreview::VertPageCount() const
{
    return FGraphic ? PagesToReach(FPrintArea.Bottom, FPrinterInfo.PrintHeight) : 0;
}

TRect TGraphicPreview::GetPageRect(int Col, int Row) const
{
    const int Across = HorzPageCount();
    if (Col < 1 || Col > Across) throw ERangeError(FormatMessage(SPageOutOfRange, Col, 1, Across));
    const int Down = VertPageCount();
    if (Row < 1 || Row > Down) throw ERangeError(FormatMessage(SPageOutOfRange, Row, 1, Down));
    const int ShiftX = (Col - 1) * FPrinterInfo.PrintWidth;
    const int ShiftY = (Row - 1) * FPrinterInfo.PrintHeight;
    return Rect(FPrintArea.Left - ShiftX, FPrintArea.Top - ShiftY, FPrintArea.Right - ShiftX,
                FPrintArea.Bottom - ShiftY);
}

std::unique_ptr<TPagePicture> TGraphicPreview::GetPageMetafile(int Col, int Row) const
{
    if (Col < 1 || Col > HorzPageCount() || Row < 1 || Row > VertPageCount()) return nullptr;
    const TPrinterInfo& I = FPrinterInfo;
    auto Page = std::make_unique<TPagePicture>(
        TSize{I.PrintWidth * 100 / I.MetafileScaleX, I.PrintHeight * 100 / I.MetafileScaleY});
    TPageCanvas Canvas(*Page, CapsOf(I));
    Canvas.Pen.Color = clWhite;
    Canvas.Brush.Color = clWhite;
    Canvas.Rectangle(0, 0, I.PrintWidth, I.PrintHeight);
    // The page holds the picture by reference: many pages of one photograph cost it once.
    Canvas.StretchDrawShared(GetPageRect(Col, Row), FGraphic);
    return Page;
}

void TGraphicPreview::RenderPage(int Col, int Row)
{
    const int Across = HorzPageCount();
    if (Col < 1 || Col > Across || Row < 1 || Row > VertPageCount()) return;
    const std::size_t Number = std::size_t(Col + (Row - 1) * Across);
    const TSize Tile = Number == 1 ? TSize{} : TSize{FSheets[0].Image->Width(), FSheets[0].Image->Height()};
    while (FSheets.size() < Number) {
        TSheet Sheet;
        Sheet.Image = std::make_unique<TImage>();
        Sheet.Image->SetAutoSize(true);
        Sheet.View = new TImageView(*Sheet.Image, FContent);
        Sheet.View->setObjectName(QStringLiteral("Sheet%1").arg(FSheets.size() + 1));
        Sheet.View->installEventFilter(this);
        Sheet.View->setAcceptDrops(true);
        Sheet.View->show();
        FSheets.push_back(std::move(Sheet));
    }
    TImage& Image = *FSheets[Number - 1].Image;
    Image.Picture().SetGraphic(nullptr);
    Image.SetBounds((Col - 1) * Tile.cx, (Row - 1) * Tile.cy, Image.Width(), Image.Height());

    const TPrinterInfo& I = FPrinterInfo;
    const int PW = I.PaperWidth, PH = I.PaperHeight, ML = I.MarginLeft, MT = I.MarginTop;
    const int W = I.PrintWidth, H = I.PrintHeight;
    auto Sheet =
        std::make_unique<TPagePicture>(TSize{(PW + 150) * 100 / I.MetafileScaleX, (PH + 150) * 100 / I.MetafileScaleY});
    {
        TPageCanvas Canvas(*Sheet, CapsOf(I));
        std::unique_ptr<TPagePicture> Page = GetPageMetafile(Col, Row);
        const TRect PageAt = Rect(ML + 50, MT + 50, ML + 50 + Page->Width(), MT + 50 + Page->Height());
        Canvas.StretchDrawShared(PageAt, std::move(Page));

        const auto FillAll = [&](TColor Color, std::initializer_list<TRect> Rects) {
            Canvas.Pen.Color = Color;
            Canvas.Brush.Color = Color;
            for (const TRect& R : Rects) Canvas.FillRect(R);
        };
        // White over everything outside the printable area, the picture's overflow included.
        FillAll(clWhite, {Rect(0, 0, PW + 150, MT + 50), Rect(0, MT + H + 50, PW + 150, PH + 150),
                          Rect(0, MT + 50, ML + 50, MT + 50 + H), Rect(ML + W + 50, MT + 50, PW + 150, MT + 50 + H)});
        const QColor Face = QApplication::palette().color(QPalette::Button);
        FillAll(RGB(std::uint8_t(Face.red()), std::uint8_t(Face.green()), std::uint8_t(Face.blue())),
                {Rect(0, 0, PW + 150, 50), Rect(0, PH + 50, PW + 150, PH + 150), Rect(0, 50, 50, PH + 50),
                 Rect(PW + 50, 50, PW + 150, PH + 50)});
        FillAll(RGB(128, 128, 128), {Rect(100, PH + 50, PW + 100, PH + 100), Rect(PW + 50, 100, PW + 100, PH + 50)});

        Canvas.Pen = TPen{clBlack, 1, psSolid, pmCopy};
        const TPoint Paper[] = {Point(50, 50), Point(PW + 50, 50), Point(PW + 50, PH + 50), Point(50, PH + 50),
                                Point(50, 50)};
        Canvas.Polyline(Paper);
        Canvas.Pen.Style = psDot;
        const TPoint Printable[] = {Point(ML + 50, MT + 50), Point(ML + W + 50, MT + 50),
                                    Point(ML + W + 50, MT + H + 50), Point(ML + 50, MT + H + 50),
                                    Point(ML + 50, MT + 50)};
        Canvas.Polyline(Printable);
        Canvas.Pen.Style = psSolid;
    }
    // Shown at PreviewRatio percent of the sheet's physical size.
    Sheet->SwitchToPhysical();
    Sheet->SetWidth(Sheet->Width() * I.MetafileScaleX / 100 * FPreviewRatio / 100);
    Sheet->SetHeight(Sheet->Height() * I.MetafileScaleY / 100 * FPreviewRatio / 100);
    Image.Picture().SetGraphic(std::move(Sheet));
}

void TGraphicPreview::UpdatePreview()
{
    DoPreview();
    {
        TWaitCursor Busy;
        FreeSheetsFrom(std::size_t(HorzPageCount() * VertPageCount()));
        if (FGraphic) {
            verticalScrollBar()->setValue(0);
            horizontalScrollBar()->setValue(0);
        }
        for (int Row = 1; Row <= VertPageCount(); ++Row)
            for (int Col = 1; Col <= HorzPageCount(); ++Col) RenderPage(Col, Row);
        FitContent();
    }
    DoPreviewed();
}

void TGraphicPreview::Clear()
{
    SetGraphic(nullptr);
}

void TGraphicPreview::FreeSheetsFrom(std::size_t Count)
{
    while (FSheets.size() > Count) {
        TSheet& Last = FSheets.back();
        Last.Image->Picture().SetGraphic(nullptr);
        delete Last.View;
        FSheets.pop_back();
    }
}

void TGraphicPreview::FitContent()
{
    int Right = 0, Bottom = 0;
    for (const TSheet& Sheet : FSheets) {
        Right = std::max(Right, Sheet.Image->Left() + Sheet.Image->Width());
        Bottom = std::max(Bottom, Sheet.Image->Top() + Sheet.Image->Height());
    }
    FContent->resize(Right, Bottom);
}

void TGraphicPreview::DoPreview()
{
    if (OnPreview) OnPreview(this);
}

void TGraphicPreview::DoPreviewed()
{
    if (OnPreviewed) OnPreviewed(this);
}

void TGraphicPreview::Click()
{
    if (OnClick) OnClick(this);
}

void TGraphicPreview::DblClick()
{
    if (OnDblClick) OnDblClick(this);
}

void TGraphicPreview::MouseDown(Qt::MouseButton Button, Qt::KeyboardModifiers Shift, int X, int Y)
{
    if (OnMouseDown) OnMouseDown(this, Button, Shift, X, Y);
}

void TGraphicPreview::MouseMove(Qt::MouseButtons Buttons, Qt::KeyboardModifiers Shift, int X, int Y)
{
    if (OnMouseMove) OnMouseMove(this, Buttons, Shift, X, Y);
}

void TGraphicPreview::MouseUp(Qt::MouseButton Button, Qt::KeyboardModifiers Shift, int X, int Y)
{
    if (OnMouseUp) OnMouseUp(this, Button, Shift, X, Y);
}

void TGraphicPreview::DragOver(const QMimeData* Source, int X, int Y, bool& Accept)
{
    if (OnDragOver) OnDragOver(this, Source, X, Y, Accept);
}

void TGraphicPreview::DragDrop(const QMimeData* Source, int X, int Y)
{
    if (OnDragDrop) OnDragDrop(this, Source, X, Y);
}

bool TGraphicPreview::eventFilter(QObject* Watched, QEvent* Event)
{
    // Input on a sheet image reaches the preview as if the user had acted on the preview itself, at the
    // same place in the preview's client area.
    auto* Widget = qobject_cast<QWidget*>(Watched);
    if (Widget == nullptr) return QScrollArea::eventFilter(Watched, Event);
    const auto InPreview = [&](QPointF Position) {
        return Widget == viewport() ? Position.toPoint() : Widget->mapTo(viewport(), Position.toPoint());
    };
    if (Event->type() == QEvent::DragEnter || Event->type() == QEvent::DragMove) {
        auto* Drag = static_cast<QDragMoveEvent*>(Event);
        const QPoint At = InPreview(Drag->position());
        bool Accept = false;
        DragOver(Drag->mimeData(), At.x(), At.y(), Accept);
        Accept ? Drag->acceptProposedAction() : Drag->ignore();
        return true;
    }
    if (Event->type() == QEvent::Drop) {
        auto* Dropped = static_cast<QDropEvent*>(Event);
        const QPoint At = InPreview(Dropped->position());
        DragDrop(Dropped->mimeData(), At.x(), At.y());
        Dropped->acceptProposedAction();
        return true;
    }
    const auto* Mouse = dynamic_cast<const QMouseEvent*>(Event);
    if (Mouse == nullptr) return QScrollArea::eventFilter(Watched, Event);
    const QPoint At = InPreview(Mouse->position());
    switch (Event->type()) {
    case QEvent::MouseButtonPress:
        MouseDown(Mouse->button(), Mouse->modifiers(), At.x(), At.y());
        return true;
    case QEvent::MouseMove:
        MouseMove(Mouse->buttons(), Mouse->modifiers(), At.x(), At.y());
        return true;
    case QEvent::MouseButtonRelease:
        MouseUp(Mouse->button(), Mouse->modifiers(), At.x(), At.y());
        if (Mouse->button() == Qt::LeftButton && Widget->rect().contains(Mouse->position().toPoint())) Click();
        return true;
    case QEvent::MouseButtonDblClick:
        DblClick();
        return true;
    default:
        return QScrollArea::eventFilter(Watched, Event);
    }
}
