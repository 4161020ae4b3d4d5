#include "dragdrop/DropTarget.h"
#include "platform/system/Exceptions.h"
#include "tests/dragdrop/TestDataObject.h"
#include "tests/support/TestApplication.h"

#include <QApplication>
#include <QLabel>
#include <QScrollArea>
#include <QScrollBar>
#include <gtest/gtest.h>
#include <memory>

namespace {

// A target that takes anything its data object offers.
class TAnyTarget : public TDropTarget
{
public:
    int Taken = 0;
    bool Valid = true;

protected:
    bool HasValidFormats() override { return Valid; }
    bool DoGetData() override { return ++Taken > 0; }
    void ClearData() override {}
};

// A shown scroll box of 200 × 150 whose content is larger in the directions asked for.
std::unique_ptr<QScrollArea> ScrollBox(bool Wide, bool Tall)
{
    EnsureApplication();
    auto Box = std::make_unique<QScrollArea>();
    auto* Content = new QLabel;
    Content->resize(Wide ? 1000 : 50, Tall ? 1000 : 50);
    Box->setWidget(Content);
    Box->setHorizontalScrollBarPolicy(Wide ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
    Box->setVerticalScrollBarPolicy(Tall ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
    Box->setGeometry(100, 100, 200, 150);
    Box->show();
    QApplication::processEvents();
    return Box;
}

POINTL Screen(QWidget& Control, int X, int Y)
{
    const QPoint Global = Control.mapToGlobal(QPoint(X, Y));
    return POINTL{Global.x(), Global.y()};
}

struct TFixture
{
    TFixture(bool Wide, bool Tall) : Box(ScrollBox(Wide, Tall)), Target(MakeComponent<TAnyTarget>())
    {
        Target->Dragtypes = AllDragTypes;
        Target->Register(Box.get());
    }
    // The effect the target reports when entered and moved over (X, Y) with KeyState.
    DWORD EffectAt(int X, int Y, DWORD KeyState = MK_LBUTTON,
                   DWORD Offered = DROPEFFECT_COPY | DROPEFFECT_MOVE | DROPEFFECT_LINK)
    {
        DWORD Effect = Offered;
        Target->DragEnter(&Data, KeyState, Screen(*Box, X, Y), &Effect);
        Effect = Offered;
        Target->DragOver(KeyState, Screen(*Box, X, Y), &Effect);
        return Effect;
    }
    // The data outlives the target, which may still hold it when it goes.
    TTestDataObject Data;
    std::unique_ptr<QScrollArea> Box;
    TComponentPtr<TAnyTarget> Target;
};

} // namespace

TEST(DropTargetEffect, FollowsTheKeysAndTheAllowedTypes)
{
    TFixture Fixture(false, false);
    EXPECT_EQ(Fixture.EffectAt(100, 70), DROPEFFECT_COPY);
    EXPECT_EQ(Fixture.EffectAt(100, 70, MK_CONTROL), DROPEFFECT_COPY);
    EXPECT_EQ(Fixture.EffectAt(100, 70, MK_SHIFT), DROPEFFECT_MOVE);
    EXPECT_EQ(Fixture.EffectAt(100, 70, MK_SHIFT | MK_CONTROL), DROPEFFECT_LINK);
    EXPECT_EQ(Fixture.EffectAt(100, 70, MK_SHIFT | MK_CONTROL, DROPEFFECT_COPY | DROPEFFECT_MOVE), DROPEFFECT_COPY);
    EXPECT_EQ(Fixture.EffectAt(100, 70, MK_SHIFT, DROPEFFECT_LINK), DROPEFFECT_LINK);
    Fixture.Target->Dragtypes = TDragTypes();
    EXPECT_EQ(Fixture.EffectAt(100, 70), DROPEFFECT_NONE);
    Fixture.Target->OnGetDropEffect = [](TDropTarget&, TShiftState, QPoint, DWORD& Effect) {
        Effect = DROPEFFECT_LINK;
    };
    EXPECT_EQ(Fixture.EffectAt(100, 70), DROPEFFECT_LINK);
}

TEST(DropTargetEffect, AddsTheScrollBitOnlyNearAScrollableEdge)
{
    {
        TFixture Fixture(false, false);
        EXPECT_EQ(Fixture.EffectAt(1, 1), DROPEFFECT_COPY);
        EXPECT_FALSE(Fixture.Target->ScrollTimerActive());
    }
    TFixture Fixture(false, true);
    EXPECT_EQ(Fixture.EffectAt(100, 2), DROPEFFECT_COPY | DROPEFFECT_SCROLL);
    EXPECT_TRUE(Fixture.Target->ScrollTimerActive());
    EXPECT_EQ(Fixture.EffectAt(100, 148), DROPEFFECT_COPY | DROPEFFECT_SCROLL);
    EXPECT_EQ(Fixture.EffectAt(2, 70), DROPEFFECT_COPY);
    EXPECT_FALSE(Fixture.Target->ScrollTimerActive());
    Fixture.Target->Dragtypes = TDragTypes();
    EXPECT_EQ(Fixture.EffectAt(100, 2), DROPEFFECT_SCROLL);
    // A handler that clears the scroll bit keeps the timer off.
    Fixture.Target->Dragtypes = AllDragTypes;
    Fixture.Target->OnDragOver = [](TDropTarget&, TShiftState, QPoint, DWORD& Effect) { Effect &= ~DROPEFFECT_SCROLL; };
    EXPECT_EQ(Fixture.EffectAt(100, 2), DROPEFFECT_COPY);
    EXPECT_FALSE(Fixture.Target->ScrollTimerActive());
}

TEST(DropTargetEffect, TheScrollTimerScrollsTowardTheEdge)
{
    TFixture Fixture(false, true);
    Fixture.EffectAt(100, 148);
    const int Before = Fixture.Box->verticalScrollBar()->value();
    Fixture.Target->ScrollTick();
    EXPECT_GT(Fixture.Box->verticalScrollBar()->value(), Before);
    Fixture.Target->DragLeave();
    EXPECT_FALSE(Fixture.Target->ScrollTimerActive());
}

TEST(DropTargetStages, EnterOutsideOrWithoutValidDataReportsNoEffectUntilLeft)
{
    TFixture Fixture(false, false);
    DWORD Effect = DROPEFFECT_COPY;
    Fixture.Target->DragEnter(&Fixture.Data, MK_LBUTTON, Screen(*Fixture.Box, 500, 500), &Effect);
    EXPECT_EQ(Effect, DROPEFFECT_NONE);
    EXPECT_EQ(Fixture.Data.References(), 1u);
    Fixture.Target->Valid = false;
    EXPECT_EQ(Fixture.EffectAt(100, 70), DROPEFFECT_NONE);
    bool Dropped = false;
    Fixture.Target->OnDrop = [&](TDropTarget&, TShiftState, QPoint, DWORD&) { Dropped = true; };
    Effect = DROPEFFECT_COPY;
    Fixture.Target->Drop(&Fixture.Data, 0, Screen(*Fixture.Box, 100, 70), &Effect);
    EXPECT_EQ(Effect, DROPEFFECT_NONE);
    EXPECT_FALSE(Dropped);
    EXPECT_EQ(Fixture.Target->Taken, 0);
}

TEST(DropTargetStages, ADropTakesTheDataAndReleasesIt)
{
    TFixture Fixture(false, false);
    QPoint At;
    Fixture.Target->OnDrop = [&](TDropTarget&, TShiftState, QPoint Point, DWORD&) { At = Point; };
    Fixture.EffectAt(40, 30);
    EXPECT_EQ(Fixture.Data.References(), 2u);
    DWORD Effect = DROPEFFECT_COPY | DROPEFFECT_MOVE;
    Fixture.Target->Drop(nullptr, MK_SHIFT, Screen(*Fixture.Box, 40, 30), &Effect);
    EXPECT_EQ(Effect, DROPEFFECT_MOVE);
    EXPECT_EQ(At, QPoint(40, 30));
    EXPECT_EQ(Fixture.Target->Taken, 1);
    EXPECT_EQ(Fixture.Data.References(), 1u);
    EXPECT_EQ(Fixture.Target->CurrentControl(), nullptr);
}

TEST(DropTargetRegistration, RegistersOnceAndIgnoresStrangers)
{
    TFixture Fixture(false, false);
    Fixture.Target->Register(Fixture.Box.get());
    EXPECT_EQ(Fixture.Target->Controls().size(), 1u);
    EXPECT_EQ(RegisteredDropTarget(Fixture.Box.get()), static_cast<IDropTarget*>(Fixture.Target.get()));
    EXPECT_TRUE(Fixture.Box->acceptDrops());
    QLabel Stranger;
    Fixture.Target->Unregister(&Stranger);
    EXPECT_EQ(Fixture.Target->Controls().size(), 1u);
    Fixture.Target->UnregisterAll();
    EXPECT_EQ(RegisteredDropTarget(Fixture.Box.get()), nullptr);
    EXPECT_FALSE(Fixture.Box->acceptDrops());
    EXPECT_EQ(Fixture.Target->RefCount(), 1u);
}

TEST(DropTargetRegistration, AWindowRegisteredElsewhereRaisesTheMessage)
{
    TFixture Fixture(false, false);
    Fixture.Box->setObjectName("ScrollBox9");
    auto Other = MakeComponent<TAnyTarget>();
    try {
        Other->Register(Fixture.Box.get());
        FAIL() << "registered twice";
    } catch (const Exception& Error) {
        EXPECT_EQ(Error.Message(), "Failed to Register ScrollBox9");
    }
}

TEST(DropTargetImage, ShowsTheProgramsOwnDragImageAndHidesItAtOnce)
{
    TFixture Fixture(false, false);
    TImageList List(8, 8);
    List.AddMasked(QImage(8, 8, QImage::Format_RGB32), 0);
    ASSERT_TRUE(ImageList_BeginDrag(&List, 0, 2, 2));
    Fixture.EffectAt(50, 50);
    EXPECT_EQ(ImageList_DragWindow(), Fixture.Box.get());
    Fixture.Target->SetShowImage(false);
    EXPECT_EQ(ImageList_DragWindow(), nullptr);
    Fixture.Target->SetShowImage(true);
    EXPECT_EQ(ImageList_DragWindow(), Fixture.Box.get());
    Fixture.Target->DragLeave();
    EXPECT_EQ(ImageList_DragWindow(), nullptr);
    ImageList_EndDrag();
}
