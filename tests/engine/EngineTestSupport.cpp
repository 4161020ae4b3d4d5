#include "tests/engine/EngineTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>

TBitmap UniformBitmap(int Width, int Height, std::uint8_t Blue, std::uint8_t Green, std::uint8_t Red)
{
    TBitmap Bitmap;
    Bitmap.SetLayout(Width, Height, 24);
    for (int Y = 0; Y < Height; ++Y)
        for (int X = 0; X < Width; ++X) SetPixel(Bitmap, X, Y, Blue, Green, Red);
    return Bitmap;
}

std::array<int, 3> PixelAt(const TBitmap& Bitmap, int X, int Y)
{
    const std::uint8_t* Pixel = Bitmap.ScanLine(Y) + 3 * X;
    return {Pixel[0], Pixel[1], Pixel[2]};
}

void SetPixel(TBitmap& Bitmap, int X, int Y, std::uint8_t Blue, std::uint8_t Green, std::uint8_t Red)
{
    std::uint8_t* Pixel = Bitmap.ScanLine(Y) + 3 * X;
    Pixel[0] = Blue;
    Pixel[1] = Green;
    Pixel[2] = Red;
}

std::unique_ptr<TKelvoImage> ImageWith(const TBitmap& Picture)
{
    auto Image = std::make_unique<TKelvoImage>();
    Image->Picture().SetGraphic(&Picture);
    return Image;
}

const TBitmap& PictureOf(const TKelvoImage& Image)
{
    static const TBitmap Empty;
    const auto* Bitmap = dynamic_cast<const TBitmap*>(Image.Picture().Graphic());
    EXPECT_NE(Bitmap, nullptr);
    return Bitmap != nullptr ? *Bitmap : Empty;
}

TEventLog::TEventLog(TKelvoImage& Image)
{
    Image.OnAmend = [this](TKelvoImage*, const std::string& Kind) { Events.push_back("Amend " + Kind); };
    Image.OnAmended = [this](TKelvoImage*, const std::string& Kind) { Events.push_back("Amended " + Kind); };
}

bool TEventLog::Amended() const
{
    return std::any_of(Events.begin(), Events.end(),
                       [](const std::string& Event) { return Event.starts_with("Amended"); });
}
