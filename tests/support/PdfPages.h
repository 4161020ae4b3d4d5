#pragma once
// Reading a printed PDF with the poppler tools: its page count and size, and where a colour lies on a
// page rendered at 72 pixels per inch (one pixel a point).

#include <filesystem>
#include <optional>
#include <string>

struct TPdfInfo
{
    int Pages = 0;
    double Width = 0; // points
    double Height = 0;
};

// Nothing when pdfinfo cannot read the file.
std::optional<TPdfInfo> ReadPdfInfo(const std::filesystem::path& File);

struct TPointBox
{
    int Left = 0, Top = 0, Right = 0, Bottom = 0; // points; Right and Bottom excluded
    bool Empty() const { return Right <= Left; }
};

// The bounding box of the pixels of page Page (from 1) within Tolerance of the colour in every channel.
TPointBox FindColour(const std::filesystem::path& File, int Page, int Red, int Green, int Blue, int Tolerance);
