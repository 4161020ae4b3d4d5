// The paper-information page of TGraphicPreview: the current printer's geometry and canvas font, as text
// recorded against the printer.

#include "platform/system/Printer.h"
#include "preview/GrphPrev.h"
#include "preview/PagePicture.h"

#include <string>
#include <vector>

void TGraphicPreview::MakePaperInfo()
{
    UpdatePrinterInfo();
    const TPrinterInfo& I = FPrinterInfo;
    const TPrinterFont PrinterFont = Printer().Font();
    const double Scale = I.Scale / 100.0;
    // The print area on the paper: (MarginLeft, MarginTop) to (PaperWidth − MarginRight, ...).
    const TRect Area = Rect(I.MarginLeft, I.MarginTop, I.PaperWidth - I.MarginRight, I.PaperHeight - I.MarginBottom);
    const auto MMX = [&](int Pixels) { return Pixels * 25.4 / I.PrinterDPIX * Scale; };
    const auto MMY = [&](int Pixels) { return Pixels * 25.4 / I.PrinterDPIY * Scale; };

    auto Page = std::make_unique<TPagePicture>(
        TSize{I.PrintWidth * 100 / I.MetafileScaleX, I.PrintHeight * 100 / I.MetafileScaleY});
    {
        TPageCanvas Canvas(*Page, CapsOf(I));
        // The printer canvas's font, in points of the printer.
        Canvas.Font.Name = PrinterFont.Name;
        Canvas.Font.Size = PrinterFont.Size;
        Canvas.Font.Color = clBlack;
        Canvas.Brush.Style = bsClear;
        const TSize A = Canvas.TextExtent("ABCDEFGHIJ");
        const TSize K = Canvas.TextExtent("漢字の練習");
        // The height the font reports: the character height in pixels at the printer's resolution,
        // negative, rounded like the desktop's MulDiv.
        const int FontHeight = -((PrinterFont.Size * I.PrinterDPIY + 36) / 72);

        const std::vector<std::pair<int, std::string>> Lines = {
            {2, "    紙情報"},
            {4, "    印刷可能領域のサイズ"},
            {5, FormatMessage("      %d×%d pixel", I.PrintWidth, I.PrintHeight)},
            {6, FormatMessage("      %.2f×%.2f mm", I.ScaledPrintWidthMM, I.ScaledPrintHeightMM)},
            {7, "    DPI"},
            {8, FormatMessage("      %d×%d dot per inch", I.PrinterDPIX, I.PrinterDPIY)},
            {9, "    スケールファクタ"},
            {10, FormatMessage("      %d %%", I.Scale)},
            {11, "    紙サイズ"},
            {12, FormatMessage("      %d×%d pixel", I.PaperWidth, I.PaperHeight)},
            {13, FormatMessage("      %.2f×%.2f mm", I.ScaledPaperWidthMM, I.ScaledPaperHeightMM)},
            {14, "    左余白, 上余白"},
            {15, FormatMessage("      %d, %d pixel", I.MarginLeft, I.MarginTop)},
            {16, FormatMessage("      %.2f, %.2f mm", I.ScaledMarginLeftMM, I.ScaledMarginTopMM)},
            {17, "    右余白, 下余白"},
            {18, FormatMessage("      %d, %d pixel", I.MarginRight, I.MarginBottom)},
            {19, FormatMessage("      %.2f, %.2f mm", I.ScaledMarginRightMM, I.ScaledMarginBottomMM)},
            {20, "    紙上での実際の印刷領域(Left, Top, Right, Bottom)"},
            {21, FormatMessage("      (%d, %d, %d, %d) pixel", Area.Left, Area.Top, Area.Right, Area.Bottom)},
            {22, FormatMessage("      (%.2f, %.2f, %.2f, %.2f) mm", MMX(Area.Left), MMY(Area.Top), MMX(Area.Right),
                               MMY(Area.Bottom))},
            {23, "    フォント名"},
            {24, "      " + PrinterFont.Name},
            {25, "    フォントサイズ"},
            {26, FormatMessage("      %d point", PrinterFont.Size)},
            {27, FormatMessage("      %.2f pixel", (PrinterFont.Size * I.PrinterDPIY) / 72.0)},
            {28, FormatMessage("      %.2f mm", PrinterFont.Size * 25.4 / 72 * Scale)},
            {29, "    フォントの高さ"},
            {30, FormatMessage("      %d", FontHeight)},
            {31, "    テキストの高さ( 例 :「ABCDEFGHIJ」,「漢字の練習」)"},
            {32, FormatMessage("      %d, %d pixel", A.cy, K.cy)},
            {33, FormatMessage("      %.2f, %.2f mm", MMY(A.cy), MMY(K.cy))},
            {34, "    テキストの幅( 例 :「ABCDEFGHIJ」,「漢字の練習」)"},
            {35, FormatMessage("      %d, %d pixel", A.cx, K.cx)},
            {36, FormatMessage("      %.2f, %.2f mm", MMX(A.cx), MMX(K.cx))},
            {37, "    参考"},
            {38, "      1 point = 1/72 inch"},
            {39, "      1 inch = 25.4 mm"},
        };
        for (const auto& [Row, Text] : Lines) Canvas.TextOut(0, Row * K.cy, Text);
    }
    // The page keeps the physical size of the printable area.
    Page->SwitchToPhysical();
    Page->SetWidth(Page->Width() * I.MetafileScaleX / 100);
    Page->SetHeight(Page->Height() * I.MetafileScaleY / 100);
    SetGraphic(Page.get());
}
