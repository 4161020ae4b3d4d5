#include "tests/app/FrameTestSupport.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QScrollArea>
#include <QSlider>
#include <QSpinBox>
#include <gtest/gtest.h>

TEST(FrameLayout, StartsAsAnEmptyWindowOfItsFirstSize)
{
    TFrameFixture Fixture;
    EXPECT_EQ(Fixture.Caption(), "Pixora");
    EXPECT_EQ(Fixture.Form().size(), QSize(604, 501));
    EXPECT_EQ(Fixture.Form().KelvoImage1.PictureType(), picNil);
    EXPECT_EQ(Fixture.Form().KelvoImage1.Left(), 8);
    EXPECT_EQ(Fixture.Form().KelvoImage1.Top(), 8);
    EXPECT_EQ(Fixture.Form().KelvoImage1.Width(), 105);
    EXPECT_TRUE(Fixture.Form().KelvoImage1.Stretch());
    EXPECT_EQ(Fixture.Control<QWidget>("Panel1").width(), 186);
    EXPECT_EQ(Fixture.Control<QWidget>("Panel2").height(), 127);
    EXPECT_EQ(Fixture.Form().TrimRect(), Rect(0, 0, 100, 100));
}

TEST(FrameLayout, SlidersHaveTheirRangesStepsAndTicks)
{
    TFrameFixture Fixture;
    struct TExpected
    {
        const char* Name;
        int Min, Max, Position, Line, Page, Tick;
    };
    for (const TExpected& E :
         {TExpected{"TrackBar1", 0, 200, 100, 10, 20, 10}, TExpected{"TrackBar2", 40, 160, 100, 2, 10, 10},
          TExpected{"TrackBar3", 40, 160, 100, 2, 10, 10}, TExpected{"TrackBar4", -30, 30, 0, 1, 5, 5},
          TExpected{"TrackBar5", -100, 100, 0, 2, 10, 20}}) {
        const auto& Slider = Fixture.Control<QSlider>(E.Name);
        EXPECT_EQ(Slider.minimum(), E.Min) << E.Name;
        EXPECT_EQ(Slider.maximum(), E.Max) << E.Name;
        EXPECT_EQ(Slider.value(), E.Position) << E.Name;
        EXPECT_EQ(Slider.singleStep(), E.Line) << E.Name;
        EXPECT_EQ(Slider.pageStep(), E.Page) << E.Name;
        EXPECT_EQ(Slider.tickInterval(), E.Tick) << E.Name;
    }
    EXPECT_EQ(Fixture.Control<QLabel>("Label9").text(), QString::fromUtf8("輝度 ( +0 )"));
    EXPECT_EQ(Fixture.Control<QLabel>("Label2").text(), QString::fromUtf8("表示倍率 ( 100 % )"));
}

TEST(FrameLayout, SpinBoxesHaveTheirRangesAndStarts)
{
    TFrameFixture Fixture;
    struct TExpected
    {
        const char* Name;
        int Min, Max, Start;
    };
    for (const TExpected& E :
         {TExpected{"UpDown1", 0, 49, 0}, TExpected{"UpDown2", 1, 100, 1}, TExpected{"UpDown3", 0, 100, 0},
          TExpected{"UpDown4", 1, 100, 1}, TExpected{"UpDown5", 2, 50, 2}, TExpected{"UpDown6", 2, 128, 2},
          TExpected{"UpDown7", 1, 100, 1}, TExpected{"UpDown8", 1, 300, 1}, TExpected{"UpDown9", 105, 300, 105},
          TExpected{"UpDown10", -1, 256, -1}}) {
        const auto& Spin = Fixture.Control<QSpinBox>(E.Name);
        EXPECT_EQ(Spin.minimum(), E.Min) << E.Name;
        EXPECT_EQ(Spin.maximum(), E.Max) << E.Name;
        EXPECT_EQ(Spin.value(), E.Start) << E.Name;
    }
    EXPECT_EQ(Fixture.Control<QPushButton>("Button9").text(), QString::fromUtf8("ﾎﾟｽﾀﾘｾﾞｰｼｮﾝ"));
    EXPECT_EQ(Fixture.Control<QPushButton>("Button3").toolTip(), QString::fromUtf8("左記のレベルで自動補正をします。"));
    EXPECT_EQ(Fixture.Control<QComboBox>("ComboBox2").itemText(8), QStringLiteral(" pfcustom"));
    EXPECT_EQ(Fixture.Control<QComboBox>("ComboBox1").count(), 6);
}

TEST(FrameLayout, MenuItemsHaveTheirCaptionsShortcutsAndStates)
{
    TFrameFixture Fixture;
    EXPECT_EQ(Fixture.Control<QAction>("U1").shortcut(), QKeySequence(QStringLiteral("Ctrl+Z")));
    EXPECT_EQ(Fixture.Control<QAction>("Copy1").shortcut(), QKeySequence(QStringLiteral("Ctrl+C")));
    EXPECT_EQ(Fixture.Control<QAction>("Paste1").shortcut(), QKeySequence(QStringLiteral("Ctrl+V")));
    EXPECT_EQ(Fixture.Control<QAction>("Open1").shortcut(), QKeySequence(QStringLiteral("Ctrl+O")));
    EXPECT_EQ(Fixture.Control<QAction>("Save1").shortcut(), QKeySequence(QStringLiteral("Ctrl+S")));
    EXPECT_EQ(Fixture.Control<QAction>("Exit1").shortcut(), QKeySequence(QStringLiteral("Ctrl+Q")));
    EXPECT_EQ(Fixture.Control<QAction>("MedianCut2563").text(),
              QString::fromUtf8("MedianCut + 分散 + 誤差拡散で 256色へ減色"));
    EXPECT_TRUE(Fixture.Control<QAction>("A1").isCheckable());
    EXPECT_FALSE(Fixture.Control<QAction>("A1").isChecked());
    EXPECT_FALSE(Fixture.Control<QAction>("T1").isEnabled());
    EXPECT_TRUE(Fixture.Control<QAction>("S1").isCheckable());
    EXPECT_TRUE(Fixture.Control<QAction>("N8").isSeparator());
}

TEST(FrameLayout, InterfaceFontPrefersTheDesignedFamilyThenIPAPGothic)
{
    TFrameFixture Fixture;
    const QFont Font = Fixture.Form().font();
    EXPECT_EQ(Font.pixelSize(), 12);
    ASSERT_GE(Font.families().size(), 2);
    EXPECT_EQ(Font.families()[0], QString::fromUtf8("ＭＳ Ｐゴシック"));
    EXPECT_EQ(Font.families()[1], QStringLiteral("IPAPGothic"));
    // Every caption renders: the font in use has the glyphs of a Japanese label.
    const QFontMetrics Metrics(Fixture.Control<QLabel>("Label12").font());
    EXPECT_TRUE(Metrics.inFont(QChar(0x7A2E))); // 種
}

TEST(FrameLayout, CheckItemsKeepTheStateTheirHandlersGive)
{
    TFrameFixture Fixture;
    Fixture.Press("S1");
    EXPECT_TRUE(Fixture.Control<QAction>("S1").isChecked());
    Fixture.Press("S1");
    EXPECT_FALSE(Fixture.Control<QAction>("S1").isChecked());
    // The trimming area cannot be shown without a picture.
    Fixture.Press("A1");
    EXPECT_FALSE(Fixture.Control<QAction>("A1").isChecked());
    EXPECT_FALSE(Fixture.Control<QAction>("T1").isEnabled());
}

TEST(FrameLayout, SliderLegendsShowTheirWholeText)
{
    TFrameFixture Fixture;
    QApplication::processEvents();
    for (const char* Name : {"Label1", "Label4", "Label6", "Label8", "Label10"}) {
        const auto& Legend = Fixture.Control<QLabel>(Name);
        // The whole text fits in the label, and the label inside the panel that shows it.
        EXPECT_LE(QFontMetricsF(Legend.font()).horizontalAdvance(Legend.text()), Legend.contentsRect().width()) << Name;
        EXPECT_LE(Legend.geometry().right(), Legend.parentWidget()->contentsRect().right()) << Name;
    }
    EXPECT_EQ(Fixture.Control<QLabel>("Label4").text(),
              QString::fromUtf8("40                  100                 160"));
    EXPECT_EQ(Fixture.Control<QLabel>("Label8").text(),
              QString::fromUtf8("0.32               1.00                3.16"));
}

TEST(FrameLayout, ValueLabelsShowTheirWholeTextAtEveryValue)
{
    TFrameFixture Fixture;
    QApplication::processEvents();
    const auto Whole = [&Fixture](const char* Name) {
        const auto& Label = Fixture.Control<QLabel>(Name);
        QApplication::processEvents();
        return QFontMetricsF(Label.font()).horizontalAdvance(Label.text()) <= Label.contentsRect().width() &&
               Label.geometry().right() <= Label.parentWidget()->contentsRect().right();
    };
    const auto& Zoom = Fixture.Control<QLabel>("Label2");
    const auto& Ok = Fixture.Control<QPushButton>("Button1");
    for (int Position = 10; Position <= 200; Position += 10) {
        Fixture.Slide("TrackBar1", Position);
        EXPECT_TRUE(Whole("Label2")) << Zoom.text().toStdString();
        // Not under the OK button beside it.
        EXPECT_LT(Zoom.geometry().right(), Ok.geometry().left()) << Zoom.text().toStdString();
    }
    for (const auto& [Slider, Label] : {std::pair{"TrackBar2", "Label3"}, std::pair{"TrackBar3", "Label5"},
                                        std::pair{"TrackBar4", "Label7"}, std::pair{"TrackBar5", "Label9"}}) {
        const auto& Range = Fixture.Control<QSlider>(Slider);
        for (const int Position : {Range.minimum(), Range.maximum()}) {
            Fixture.Slide(Slider, Position);
            EXPECT_TRUE(Whole(Label)) << Fixture.Control<QLabel>(Label).text().toStdString();
        }
    }
}
