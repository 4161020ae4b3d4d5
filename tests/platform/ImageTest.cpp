#include "platform/controls/Image.h"
#include "platform/controls/ImageView.h"
#include "platform/graphics/Bitmap.h"
#include "platform/graphics/Canvas.h"
#include "platform/system/Exceptions.h"
#include "platform/system/Messages.h"
#include "tests/support/TestApplication.h"

#include <QImage>
#include <gtest/gtest.h>

namespace {

// A graphic that is not a bitmap: a plain red area of its own size.
class TRedArea : public TGraphic
{
public:
    TRedArea(int Width, int Height) : FWidth(Width), FHeight(Height) {}
    int Width() const override { return FWidth; }
    int Height() const override { return FHeight; }
    void SetWidth(int Value) override { FWidth = Value; }
    void SetHeight(int Value) override { FHeight = Value; }
    bool Empty() const override { return FWidth == 0 || FHeight == 0; }
    std::unique_ptr<TGraphic> Clone() const override { return std::make_unique<TRedArea>(*this); }
    void Draw(TCanvas& Canvas, const TRect& Rect) const override
    {
        Canvas.Brush = TBrush{clRed, bsSolid};
        Canvas.FillRect(Rect);
    }
    void LoadFromStream(std::span<const std::uint8_t>) override {}
    void SaveToStream(std::vector<std::uint8_t>&) const override {}
    std::string DefaultExtension() const override { return "red"; }

private:
    int FWidth;
    int FHeight;
};

TEST(ImageCanvas, IsRefusedWhileThePictureIsNotABitmap)
{
    TImage Image;
    Image.Picture().SetGraphic(std::make_unique<TRedArea>(4, 4));
    try {
        Image.Canvas();
        FAIL() << "no exception";
    } catch (const EInvalidGraphicOperation& Error) {
        EXPECT_EQ(Error.Message(), "ビットマップを持っている時のみイメージの変更が可能です");
    }
}

TEST(ImageCanvas, GivesAnEmptyPictureABitmapOfTheControlsSize)
{
    TImage Image;
    Image.SetBounds(0, 0, 30, 20);
    TCanvas& Canvas = Image.Canvas();
    const auto* Bitmap = dynamic_cast<const TBitmap*>(Image.Picture().Graphic());
    ASSERT_NE(Bitmap, nullptr);
    EXPECT_EQ(Bitmap->Width(), 30);
    EXPECT_EQ(Bitmap->Height(), 20);
    const int Before = Image.RepaintRequests();
    Canvas.FillRect(Rect(0, 0, 5, 5));
    EXPECT_GT(Image.RepaintRequests(), Before) << "drawing on the canvas asks for a repaint";
}

TEST(ImageView, FollowsTheModelsBounds)
{
    EnsureApplication();
    TImage Image;
    TImageView View(Image);
    EXPECT_EQ(View.geometry(), QRect(0, 0, 105, 105));
    Image.SetBounds(3, 4, 50, 60);
    EXPECT_EQ(View.geometry(), QRect(3, 4, 50, 60));
    Image.SetAutoSize(true);
    Image.Picture().SetGraphic(std::make_unique<TRedArea>(7, 9));
    EXPECT_EQ(View.size(), QSize(7, 9));
}

TEST(ImageView, DrawsAnyGraphicAtItsSizeOrStretched)
{
    EnsureApplication();
    TImage Image;
    Image.SetBounds(0, 0, 40, 30);
    Image.Picture().SetGraphic(std::make_unique<TRedArea>(10, 10));
    TImageView View(Image);
    QImage Shot = View.grab().toImage();
    EXPECT_EQ(Shot.pixelColor(5, 5), QColor(Qt::red));
    EXPECT_NE(Shot.pixelColor(30, 20), QColor(Qt::red));

    Image.SetStretch(true);
    Shot = View.grab().toImage();
    EXPECT_EQ(Shot.pixelColor(30, 20), QColor(Qt::red));
}

TEST(ImageView, RedrawsItsFrameOnlyWhenTheModelAsks)
{
    EnsureApplication();
    TImage Image;
    TBitmap Bitmap;
    Bitmap.SetLayout(8, 8, 24);
    Image.Picture().SetGraphic(&Bitmap);
    TImageView View(Image);
    (void)View.grab();
    const int First = View.FramesRendered();
    EXPECT_GE(First, 1);
    (void)View.grab();
    EXPECT_EQ(View.FramesRendered(), First) << "an unchanged model reuses its frame";

    Image.Canvas().Brush.Color = clLime;
    Image.Canvas().FillRect(Rect(0, 0, 8, 8));
    const QImage Shot = View.grab().toImage();
    EXPECT_EQ(View.FramesRendered(), First + 1);
    EXPECT_EQ(Shot.pixelColor(2, 2), QColor(Qt::green));
}

} // namespace
