#pragma once
// TGraphicPreview: a scroll box showing how one picture, its Graphic, lies on the sheets of the current
// printer. The picture is placed on the printable area either at its physical screen size times
// PrintRatio percent from a position (pmRatio) or stretched into a rectangle (pmArea), split into at
// most 16 × 16 pages, and every page is shown as a drawing of its sheet at PreviewRatio percent of its
// physical size, tiled left to right and top to bottom. Positions in printer pixels start at the top-left
// corner of the first page's printable area; millimetres start at the paper's corner and are the master
// values: the pixels are derived from them again whenever the placement is applied.

#include "platform/controls/Image.h"
#include "platform/graphics/Types.h"
#include "platform/system/Exceptions.h"

#include <QScrollArea>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

class QMimeData;
class TGraphic;
class TImageView;
class TPagePicture;

enum TPrintMode : std::uint8_t
{
    pmRatio,
    pmArea
};

enum TGraphicMode : std::uint8_t
{
    gmMetafile,
    gmGraphic
};

struct TDoublePoint
{
    double X = 0;
    double Y = 0;
};

struct TDoubleRect
{
    double Left = 0;
    double Top = 0;
    double Right = 0;
    double Bottom = 0;
};

// The page geometry of the current printer. Lengths are printer pixels unless named MM (millimetres) or
// Inch (hundredths of an inch, rounded up, low 8 bits); the Scaled values are multiplied by Scale / 100.
struct TPrinterInfo
{
    std::int32_t PrintWidth = 0;
    std::int32_t PrintHeight = 0;
    double PrintWidthMM = 0;
    double PrintHeightMM = 0;
    std::int32_t PaperWidth = 0;
    std::int32_t PaperHeight = 0;
    double PaperWidthMM = 0;
    double PaperHeightMM = 0;
    std::int32_t PrinterDPIX = 0;
    std::int32_t PrinterDPIY = 0;
    std::int32_t ScreenDPIX = 0;
    std::int32_t ScreenDPIY = 0;
    std::int32_t MarginLeft = 0;
    std::int32_t MarginTop = 0;
    std::int32_t MarginRight = 0;
    std::int32_t MarginBottom = 0;
    std::uint8_t MarginLeftInch = 0;
    std::uint8_t MarginTopInch = 0;
    std::uint8_t MarginRightInch = 0;
    std::uint8_t MarginBottomInch = 0;
    double MarginLeftMM = 0;
    double MarginTopMM = 0;
    double MarginRightMM = 0;
    double MarginBottomMM = 0;
    std::int32_t Scale = 0;
    std::int32_t MetafileScaleX = 0;
    std::int32_t MetafileScaleY = 0;
    double ScaledPrintWidthMM = 0;
    double ScaledPrintHeightMM = 0;
    double ScaledPaperWidthMM = 0;
    double ScaledPaperHeightMM = 0;
    double ScaledMarginLeftMM = 0;
    double ScaledMarginTopMM = 0;
    double ScaledMarginRightMM = 0;
    double ScaledMarginBottomMM = 0;
};

// A page number outside the pages of the preview.
class ERangeError : public Exception
{
    using Exception::Exception;
};

inline constexpr const char* SPageOutOfRange = "%d is not within the valid range of %d..%d";

class TGraphicPreview : public QScrollArea
{
public:
    static constexpr int MaxPages = 16;

    // Reads the printer's geometry and shows an empty placement at (0, 0). An error of the printer
    // layer passes out.
    explicit TGraphicPreview(QWidget* Owner = nullptr);
    ~TGraphicPreview() override;
    TGraphicPreview(const TGraphicPreview&) = delete;
    TGraphicPreview& operator=(const TGraphicPreview&) = delete;

    // The picture shown; setting keeps a copy (nullptr: none) and applies the print mode again.
    const TGraphic* Graphic() const { return FGraphic.get(); }
    void SetGraphic(const TGraphic* Value);
    // Percent of the picture's physical screen size it prints at in pmRatio: 1 to 10000, others ignored.
    int PrintRatio() const { return FPrintRatio; }
    void SetPrintRatio(int Value);
    // Percent of a sheet's physical size it is shown at: 10 to 100, others ignored.
    int PreviewRatio() const { return FPreviewRatio; }
    void SetPreviewRatio(int Value);
    TPrintMode PrintMode() const { return FPrintMode; }
    // pmRatio or pmArea applies that mode again from the millimetre values; other values change nothing.
    void SetPrintMode(int Value);
    // Both modes draw alike; an accepted value rebuilds the preview, others are ignored.
    TGraphicMode GraphicMode() const { return FGraphicMode; }
    void SetGraphicMode(int Value);

    // Reads the current printer again (done at construction and by MakePaperInfo only).
    void UpdatePrinterInfo();
    TPrinterInfo GetPrinterInfo() const { return FPrinterInfo; }

    TDoublePoint PointToMM(TPoint P) const;
    TDoubleRect RectToMM(const TRect& R) const;
    // Millimetres to printer pixels, halves to the even neighbour.
    TPoint MMToPoint(TDoublePoint M) const;
    TRect MMToRect(const TDoubleRect& M) const;
    // Moves a point (a rectangle by its top-left corner) onto the first page by whole pages.
    void NormalizePoint(TPoint& P) const;
    void NormalizeRect(TRect& R) const;

    // pmRatio from position P: the area's size follows from the picture and PrintRatio.
    void SetPrintPos(TPoint P);
    void SetPrintPosMM(TDoublePoint Value);
    TDoublePoint GetPrintPosMM() const { return FPrintPosMM; }
    // pmArea: the picture is stretched into R.
    void SetPrintArea(const TRect& R);
    void SetPrintAreaMM(const TDoubleRect& Value);
    // In pmRatio Right and Bottom are the last column and row covered.
    TRect GetPrintArea() const { return FPrintArea; }
    TDoubleRect GetPrintAreaMM() const { return FPrintAreaMM; }

    // Pages across and down the placed picture covers, at most 16; 0 without a picture.
    int HorzPageCount() const;
    int VertPageCount() const;
    // The area in the coordinates of page (Col, Row)'s printable area, counting from 1. Raises
    // ERangeError (SPageOutOfRange) outside the pages.
    TRect GetPageRect(int Col, int Row) const;
    // The printable area of page (Col, Row) at printer resolution: white, with the picture stretched into
    // GetPageRect. Null outside the pages.
    std::unique_ptr<TPagePicture> GetPageMetafile(int Col, int Row) const;
    // Draws the sheet image of page (Col, Row); nothing outside the pages.
    void RenderPage(int Col, int Row);
    // Rebuilds every sheet image.
    virtual void UpdatePreview();
    // Graphic := none.
    virtual void Clear();
    // Replaces the picture by a page of text reporting the printer's geometry and font.
    void MakePaperInfo();

    // The sheet images, page 1 first.
    int SheetCount() const { return int(FSheets.size()); }
    const TImage& Sheet(int Index) const { return *FSheets[std::size_t(Index)].Image; }
    TImageView& SheetView(int Index) const { return *FSheets[std::size_t(Index)].View; }

    std::function<void(QObject* Sender)> OnPreview;
    std::function<void(QObject* Sender)> OnPreviewed;
    // Input on the preview or any sheet image, in the preview's content coordinates.
    std::function<void(QObject* Sender)> OnClick;
    std::function<void(QObject* Sender)> OnDblClick;
    std::function<void(QObject* Sender, Qt::MouseButton Button, Qt::KeyboardModifiers Shift, int X, int Y)> OnMouseDown;
    std::function<void(QObject* Sender, Qt::MouseButtons Buttons, Qt::KeyboardModifiers Shift, int X, int Y)>
        OnMouseMove;
    std::function<void(QObject* Sender, Qt::MouseButton Button, Qt::KeyboardModifiers Shift, int X, int Y)> OnMouseUp;
    // Something dragged over the preview or a sheet image; Accept (false on entry) lets it be dropped.
    std::function<void(QObject* Sender, const QMimeData* Source, int X, int Y, bool& Accept)> OnDragOver;
    std::function<void(QObject* Sender, const QMimeData* Source, int X, int Y)> OnDragDrop;

protected:
    virtual void DoPreview();
    virtual void DoPreviewed();
    virtual void Click();
    virtual void DblClick();
    virtual void MouseDown(Qt::MouseButton Button, Qt::KeyboardModifiers Shift, int X, int Y);
    virtual void MouseMove(Qt::MouseButtons Buttons, Qt::KeyboardModifiers Shift, int X, int Y);
    virtual void MouseUp(Qt::MouseButton Button, Qt::KeyboardModifiers Shift, int X, int Y);
    virtual void DragOver(const QMimeData* Source, int X, int Y, bool& Accept);
    virtual void DragDrop(const QMimeData* Source, int X, int Y);
    bool eventFilter(QObject* Watched, QEvent* Event) override;

private:
    struct TSheet
    {
        std::unique_ptr<TImage> Image;
        TImageView* View = nullptr;
    };

    void ApplyPrintMode();
    void FreeSheetsFrom(std::size_t Count);
    void FitContent();
    // Whole pages Value lies beyond 0 .. Size - 1, negative to the left.
    static int PageShift(int Value, int Size);

    TPrinterInfo FPrinterInfo;
    std::shared_ptr<const TGraphic> FGraphic;
    int FPrintRatio = 100;
    int FPreviewRatio = 20;
    TPrintMode FPrintMode = pmRatio;
    TGraphicMode FGraphicMode = gmMetafile;
    TPoint FPrintPos;
    TDoublePoint FPrintPosMM;
    TRect FPrintArea;
    TDoubleRect FPrintAreaMM;
    std::vector<TSheet> FSheets;
    QWidget* FContent;
};

struct TDeviceCaps;
// The device capabilities the printer information was read from.
TDeviceCaps CapsOf(const TPrinterInfo& Info);
