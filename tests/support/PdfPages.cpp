#include "tests/support/PdfPages.h"

#include "tests/support/PrivateScheduler.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <vector>

std::optional<TPdfInfo> ReadPdfInfo(const std::filesystem::path& File)
{
    std::string Text;
    if (RunCommand("pdfinfo '" + File.string() + "' 2>/dev/null", &Text) != 0) return std::nullopt;
    TPdfInfo Info;
    std::istringstream Lines(Text);
    for (std::string Line; std::getline(Lines, Line);) {
        if (Line.rfind("Pages:", 0) == 0) Info.Pages = std::atoi(Line.c_str() + 6);
        if (Line.rfind("Page size:", 0) == 0) std::sscanf(Line.c_str() + 10, " %lf x %lf", &Info.Width, &Info.Height);
    }
    return Info;
}

TPointBox FindColour(const std::filesystem::path& File, int Page, int Red, int Green, int Blue, int Tolerance)
{
    const std::filesystem::path Prefix = File.parent_path() / ("page" + std::to_string(Page));
    const std::string Number = std::to_string(Page);
    if (RunCommand("pdftoppm -r 72 -singlefile -f " + Number + " -l " + Number + " '" + File.string() + "' '" +
                   Prefix.string() + "'") != 0)
        return {};
    std::ifstream Ppm(Prefix.string() + ".ppm", std::ios::binary);
    std::string Magic;
    int Width = 0, Height = 0, Max = 0;
    Ppm >> Magic >> Width >> Height >> Max;
    Ppm.get();
    if (Magic != "P6" || Width <= 0 || Height <= 0 || Max != 255) return {};
    std::vector<unsigned char> Pixels(std::size_t(Width) * Height * 3);
    Ppm.read(reinterpret_cast<char*>(Pixels.data()), std::streamsize(Pixels.size()));
    TPointBox Box{Width, Height, 0, 0};
    for (int Y = 0; Y < Height; ++Y)
        for (int X = 0; X < Width; ++X) {
            const unsigned char* P = &Pixels[(std::size_t(Y) * Width + X) * 3];
            if (std::abs(P[0] - Red) > Tolerance || std::abs(P[1] - Green) > Tolerance ||
                std::abs(P[2] - Blue) > Tolerance)
                continue;
            Box.Left = std::min(Box.Left, X);
            Box.Top = std::min(Box.Top, Y);
            Box.Right = std::max(Box.Right, X + 1);
            Box.Bottom = std::max(Box.Bottom, Y + 1);
        }
    return Box.Right == 0 ? TPointBox{} : Box;
}
