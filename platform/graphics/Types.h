#pragma once
// Basic value types of the picture layer: colours, points, sizes and rectangles.

#include <cstdint>

// A colour as 0x00BBGGRR: red in the lowest byte.
using TColor = std::uint32_t;

constexpr TColor RGB(std::uint8_t Red, std::uint8_t Green, std::uint8_t Blue)
{
    return TColor(Red) | (TColor(Green) << 8) | (TColor(Blue) << 16);
}
constexpr std::uint8_t GetRValue(TColor Color)
{
    return std::uint8_t(Color);
}
constexpr std::uint8_t GetGValue(TColor Color)
{
    return std::uint8_t(Color >> 8);
}
constexpr std::uint8_t GetBValue(TColor Color)
{
    return std::uint8_t(Color >> 16);
}

constexpr TColor clBlack = RGB(0, 0, 0);
constexpr TColor clMaroon = RGB(128, 0, 0);
constexpr TColor clGreen = RGB(0, 128, 0);
constexpr TColor clOlive = RGB(128, 128, 0);
constexpr TColor clNavy = RGB(0, 0, 128);
constexpr TColor clPurple = RGB(128, 0, 128);
constexpr TColor clTeal = RGB(0, 128, 128);
constexpr TColor clGray = RGB(128, 128, 128);
constexpr TColor clSilver = RGB(192, 192, 192);
constexpr TColor clRed = RGB(255, 0, 0);
constexpr TColor clLime = RGB(0, 255, 0);
constexpr TColor clYellow = RGB(255, 255, 0);
constexpr TColor clBlue = RGB(0, 0, 255);
constexpr TColor clFuchsia = RGB(255, 0, 255);
constexpr TColor clAqua = RGB(0, 255, 255);
constexpr TColor clWhite = RGB(255, 255, 255);
// The desktop's button face, as the classic light grey.
constexpr TColor clBtnFace = RGB(212, 208, 200);

struct TPoint
{
    int X = 0;
    int Y = 0;
    friend bool operator==(const TPoint&, const TPoint&) = default;
};

struct TSize
{
    int cx = 0;
    int cy = 0;
    friend bool operator==(const TSize&, const TSize&) = default;
};

// Left and Top inclusive, Right and Bottom exclusive, as the drawing calls take them.
struct TRect
{
    int Left = 0;
    int Top = 0;
    int Right = 0;
    int Bottom = 0;
    int Width() const { return Right - Left; }
    int Height() const { return Bottom - Top; }
    friend bool operator==(const TRect&, const TRect&) = default;
};

constexpr TRect Rect(int Left, int Top, int Right, int Bottom)
{
    return TRect{Left, Top, Right, Bottom};
}
constexpr TPoint Point(int X, int Y)
{
    return TPoint{X, Y};
}
