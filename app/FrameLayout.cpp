// The main window's controls and menu, and the one place where handlers are connected.

#include "app/Frame.h"
#include "app/Histgram.h"
#include "app/InterfaceFont.h"
#include "app/LegendLabel.h"
#include "platform/controls/Dialogs.h"
#include "platform/controls/ImageView.h"

#include <QAction>
#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QSlider>
#include <QSpinBox>
#include <QTabWidget>
#include <QVBoxLayout>
#include <algorithm>

namespace {

QString Text(const char* Utf8)
{
    return QString::fromUtf8(Utf8);
}

QLabel* AddLabel(QWidget* Parent, const char* Name, const char* Caption)
{
    auto* Label = new QLabel(Text(Caption), Parent);
    Label->setObjectName(QLatin1String(Name));
    return Label;
}

// A row of widgets, left-aligned, added to Layout.
void AddRow(QVBoxLayout* Layout, std::initializer_list<QWidget*> Widgets)
{
    auto* Row = new QHBoxLayout;
    Row->setSpacing(4);
    for (QWidget* Widget : Widgets) Row->addWidget(Widget);
    Row->addStretch();
    Layout->addLayout(Row);
}

QWidget* NamedPanel(QWidget* Parent, const char* Name)
{
    auto* Panel = new QWidget(Parent);
    Panel->setObjectName(QLatin1String(Name));
    return Panel;
}

// The panel is narrow and the window small, so the tabs are laid out tightly.
QVBoxLayout* TightLayout(QWidget* Owner)
{
    auto* Layout = new QVBoxLayout(Owner);
    Layout->setContentsMargins(4, 4, 4, 4);
    Layout->setSpacing(2);
    return Layout;
}

} // namespace

TForm1::TForm1(QWidget* Parent) : QMainWindow(Parent), FBaseBitmap(std::make_unique<TBitmap>())
{
    JfifClipboardFormat();
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("Pixora"));
    setFont(InterfaceFont());
    resize(604, 501);
    CreateControls();
    FitZoomRow();
    CreateMenu();
    ConnectHandlers();
    // A tool window of this one: above it, below the dialogs and the other programs' windows.
    Form2 = std::make_unique<TForm2>(Parameter1, this);
    Form2->OnDrawRequest = [this] { RunHandler(&TForm1::UpdateHistogram); };
    Form2->OnOpenChanged = [this](bool Open) { H1->setChecked(Open); };
    FormCreate();
}

TForm1::~TForm1()
{
    FormDestroy();
}

void TForm1::CreateControls()
{
    auto* Central = new QWidget(this);
    auto* Layout = new QHBoxLayout(Central);
    Layout->setContentsMargins(0, 0, 0, 0);
    Layout->setSpacing(0);

    auto* Panel1 = NamedPanel(Central, "Panel1");
    Panel1->setFixedWidth(186);
    auto* PanelLayout = new QVBoxLayout(Panel1);
    PanelLayout->setContentsMargins(2, 2, 2, 2);
    auto* PageControl1 = new QTabWidget(Panel1);
    PageControl1->setObjectName(QStringLiteral("PageControl1"));
    PageControl1->addTab(CreateBrightnessTab(), Text("明るさ"));
    PageControl1->addTab(CreateQualityTab(), Text("画質"));
    PageControl1->addTab(CreateConversionTab(), Text("変換"));
    PanelLayout->addWidget(PageControl1, 1);
    PanelLayout->addWidget(CreateBottomBox());
    Layout->addWidget(Panel1);

    ScrollBox1 = new QScrollArea(Central);
    ScrollBox1->setObjectName(QStringLiteral("ScrollBox1"));
    ScrollBox1->setWidgetResizable(false);
    ScrollContent = new QWidget;
    ScrollBox1->setWidget(ScrollContent);
    KelvoImage1.SetStretch(true);
    KelvoImage1.SetBounds(8, 8, 105, 105);
    ImageView = std::make_unique<TImageView>(KelvoImage1, ScrollContent);
    ImageView->setObjectName(QStringLiteral("KelvoImage1"));
    ImageView->installEventFilter(this);
    // The scroll range follows the control, with the margin of its position on the far side too.
    auto ViewFollows = std::move(KelvoImage1.OnBoundsChanged);
    KelvoImage1.OnBoundsChanged = [this, ViewFollows] {
        ViewFollows();
        ScrollContent->resize(KelvoImage1.Left() + KelvoImage1.Width() + 8,
                              KelvoImage1.Top() + KelvoImage1.Height() + 8);
    };
    KelvoImage1.OnBoundsChanged();
    Layout->addWidget(ScrollBox1, 1);
    setCentralWidget(Central);
}

void TForm1::FitZoomRow()
{
    // The OK buttons are as wide as their caption, and the zoom label beside one keeps room for its
    // widest text, whatever the font.
    for (QPushButton* Ok : {Button[1], Button[2]})
        Ok->setFixedWidth(Ok->fontMetrics().horizontalAdvance(Ok->text()) + 2 * Ok->fontMetrics().height());
    int Widest = 0;
    for (int Zoom = 10; Zoom <= 200; Zoom += 10)
        Widest = std::max(Widest, Label2->fontMetrics().horizontalAdvance(ZoomLabelText(Zoom)));
    Label2->setMinimumWidth(Widest);
}

QSlider* TForm1::AddTrackBar(QVBoxLayout* Layout, const char* Name, int Min, int Max, int Position, int LineStep,
                             int PageStep, int Tick, const char* Legend, const char* LegendName)
{
    auto* Slider = new QSlider(Qt::Horizontal);
    Slider->setObjectName(QLatin1String(Name));
    Slider->setRange(Min, Max);
    Slider->setValue(Position);
    Slider->setSingleStep(LineStep);
    Slider->setPageStep(PageStep);
    Slider->setTickInterval(Tick);
    Slider->setTickPosition(QSlider::TicksBelow);
    Layout->addWidget(Slider);
    auto* LegendLabel = new TLegendLabel(Text(Legend));
    LegendLabel->setObjectName(QLatin1String(LegendName));
    Layout->addWidget(LegendLabel);
    return Slider;
}

QSpinBox* TForm1::AddSpinBox(QWidget* Parent, const char* EditName, const char* UpDownName, int Min, int Max, int Start)
{
    auto* Spin = new QSpinBox(Parent);
    Spin->setObjectName(QLatin1String(UpDownName));
    Spin->setRange(Min, Max);
    Spin->setValue(Start);
    Spin->setMinimumWidth(56);
    // The edit box of the pair is the spin box's own line edit.
    if (auto* Edit = Spin->findChild<QLineEdit*>()) Edit->setObjectName(QLatin1String(EditName));
    return Spin;
}

QPushButton* TForm1::AddButton(QWidget* Parent, const char* Name, const char* Caption, const char* Hint)
{
    auto* Push = new QPushButton(Text(Caption), Parent);
    Push->setObjectName(QLatin1String(Name));
    if (Hint != nullptr) Push->setToolTip(Text(Hint));
    return Push;
}

QWidget* TForm1::CreateBrightnessTab()
{
    auto* Tab = NamedPanel(nullptr, "TabSheet1");
    auto* Layout = TightLayout(Tab);
    Label3 = AddLabel(Tab, "Label3", "明るさ ( 100 % )");
    Layout->addWidget(Label3);
    TrackBar2 = AddTrackBar(Layout, "TrackBar2", 40, 160, 100, 2, 10, 10, "40                  100                 160",
                            "Label4");
    Label5 = AddLabel(Tab, "Label5", "コントラスト ( 100 % )");
    Layout->addWidget(Label5);
    TrackBar3 = AddTrackBar(Layout, "TrackBar3", 40, 160, 100, 2, 10, 10, "40                  100                 160",
                            "Label6");
    Label7 = AddLabel(Tab, "Label7", "ガンマ値 ( 1.00 )");
    Layout->addWidget(Label7);
    TrackBar4 =
        AddTrackBar(Layout, "TrackBar4", -30, 30, 0, 1, 5, 5, "0.32               1.00                3.16", "Label8");
    Label9 = AddLabel(Tab, "Label9", "輝度 ( +0 )");
    Layout->addWidget(Label9);
    TrackBar5 = AddTrackBar(Layout, "TrackBar5", -100, 100, 0, 2, 10, 20, "-100               0                 +100",
                            "Label10");
    UpDown[1] = AddSpinBox(Tab, "Edit2", "UpDown1", 0, 49, 0);
    UpDown[1]->setToolTip(Text("自動補正レペル"));
    Button[3] = AddButton(Tab, "Button3", "自動補正", "左記のレベルで自動補正をします。");
    AddRow(Layout, {UpDown[1], AddLabel(Tab, "Label11", "%"), Button[3]});
    Layout->addStretch();
    return Tab;
}

QWidget* TForm1::CreateQualityTab()
{
    auto* Tab = NamedPanel(nullptr, "TabSheet2");
    auto* Layout = TightLayout(Tab);
    UpDown[2] = AddSpinBox(Tab, "Edit3", "UpDown2", 1, 100, 1);
    Button[4] = AddButton(Tab, "Button4", "エッジ強調", "左記のレベルでエッジ強調をします。");
    AddRow(Layout, {UpDown[2], Button[4]});
    UpDown[3] = AddSpinBox(Tab, "Edit4", "UpDown3", 0, 100, 0);
    Button[5] = AddButton(Tab, "Button5", "ノイズ除去", "左記のレベルでノイズ除去をします。");
    AddRow(Layout, {UpDown[3], Button[5]});
    UpDown[4] = AddSpinBox(Tab, "Edit5", "UpDown4", 1, 100, 1);
    Button[7] = AddButton(Tab, "Button7", "輪郭描画", "左記のレベルで輪郭描画をします。");
    AddRow(Layout, {UpDown[4], Button[7]});
    Button[6] = AddButton(Tab, "Button6", "ぼかし", "画像をぼかします。");
    AddRow(Layout, {Button[6]});
    Layout->addStretch();

    auto* Panel6 = NamedPanel(Tab, "Panel6");
    auto* Bottom = new QVBoxLayout(Panel6);
    Bottom->setContentsMargins(0, 0, 0, 0);
    Bottom->addWidget(AddLabel(Panel6, "Label15", "PixelFormat の値"));
    ComboBox2 = new QComboBox(Panel6);
    ComboBox2->setObjectName(QStringLiteral("ComboBox2"));
    for (const char* Item :
         {"pfDevice", " pf1bit", " pf4bit", " pf8bit", " pf15bit", " pf16bit", " pf24bit", " pf32bit", " pfcustom"})
        ComboBox2->addItem(Text(Item));
    ComboBox2->setToolTip(Text("PixelFormat の値を変更します。"));
    Bottom->addWidget(ComboBox2);
    Bottom->addWidget(AddLabel(Panel6, "Label16", "HandleType の値"));
    ComboBox3 = new QComboBox(Panel6);
    ComboBox3->setObjectName(QStringLiteral("ComboBox3"));
    ComboBox3->addItems({QStringLiteral("bmDIB"), QStringLiteral("bmDDB")});
    ComboBox3->setToolTip(Text("HandleType の値を変更します。"));
    Bottom->addWidget(ComboBox3);
    Layout->addWidget(Panel6);
    return Tab;
}

QWidget* TForm1::CreateConversionTab()
{
    auto* Tab = NamedPanel(nullptr, "TabSheet3");
    auto* Layout = TightLayout(Tab);
    UpDown[5] = AddSpinBox(Tab, "Edit6", "UpDown5", 2, 50, 2);
    Button[8] = AddButton(Tab, "Button8", "モザイク", "左記のレベルでモザイク調に変換します。");
    AddRow(Layout, {UpDown[5], Button[8]});
    UpDown[6] = AddSpinBox(Tab, "Edit7", "UpDown6", 2, 128, 2);
    Button[9] = AddButton(Tab, "Button9", "ﾎﾟｽﾀﾘｾﾞｰｼｮﾝ", "左記のレベルで階調変更処理を施します。");
    AddRow(Layout, {UpDown[6], Button[9]});
    UpDown[7] = AddSpinBox(Tab, "Edit8", "UpDown7", 1, 100, 1);
    Button[10] = AddButton(Tab, "Button10", "輪郭抽出", "左記のレベルで輪郭抽出を行ないます。");
    AddRow(Layout, {UpDown[7], Button[10]});
    UpDown[10] = AddSpinBox(Tab, "Edit11", "UpDown10", -1, 256, -1);
    Button[15] = AddButton(Tab, "Button15", "白黒表示", "左記のレベルで白黒表示に変換します。");
    AddRow(Layout, {UpDown[10], Button[15]});
    Button[12] = AddButton(Tab, "Button12", "モノクロ", "モノクロ調に変換します。");
    Button[14] = AddButton(Tab, "Button14", "ネガティブ", "色を反転します。");
    AddRow(Layout, {Button[12], Button[14]});
    Button[13] = AddButton(Tab, "Button13", "セピア", "セピア調に変換します。");
    AddRow(Layout, {Button[13]});
    Layout->addStretch();

    auto* Panel5 = new QGroupBox(Tab);
    Panel5->setObjectName(QStringLiteral("Panel5"));
    auto* Frame = TightLayout(Panel5);
    UpDown[8] = AddSpinBox(Panel5, "Edit9", "UpDown8", 1, 300, 1);
    AddRow(Frame, {AddLabel(Panel5, "Label13", "額縁の幅"), UpDown[8]});
    UpDown[9] = AddSpinBox(Panel5, "Edit10", "UpDown9", 105, 300, 105);
    AddRow(Frame, {AddLabel(Panel5, "Label14", "コントラスト"), UpDown[9]});
    RadioButton1 = new QRadioButton(Text("左方向の光"), Panel5);
    RadioButton1->setObjectName(QStringLiteral("RadioButton1"));
    RadioButton1->setChecked(true);
    RadioButton2 = new QRadioButton(Text("右方向の光"), Panel5);
    RadioButton2->setObjectName(QStringLiteral("RadioButton2"));
    Frame->addWidget(RadioButton1);
    Frame->addWidget(RadioButton2);
    Button[11] = AddButton(Panel5, "Button11", "額縁調", "額縁調に変換します。");
    AddRow(Frame, {Button[11]});
    Layout->addWidget(Panel5);
    return Tab;
}

QWidget* TForm1::CreateBottomBox()
{
    auto* Panel2 = NamedPanel(nullptr, "Panel2");
    Panel2->setFixedHeight(127);
    auto* Layout = new QVBoxLayout(Panel2);
    Layout->setContentsMargins(0, 0, 0, 0);
    Layout->setSpacing(2);

    auto* Panel3 = NamedPanel(Panel2, "Panel3");
    auto* Kind = new QVBoxLayout(Panel3);
    Kind->setContentsMargins(0, 0, 0, 0);
    Kind->setSpacing(1);
    Kind->addWidget(AddLabel(Panel3, "Label12", "グラフィックの種類"));
    ComboBox1 = new QComboBox(Panel3);
    ComboBox1->setObjectName(QStringLiteral("ComboBox1"));
    ComboBox1->addItems({QStringLiteral("Empty"), QStringLiteral("JPEG"), QStringLiteral("Bitmap"),
                         QStringLiteral("Metafile"), QStringLiteral("Icon"), QStringLiteral("Others")});
    ComboBox1->setToolTip(Text("グラフィックの種類を変更します。"));
    auto* Panel4 = NamedPanel(Panel3, "Panel4");
    auto* Commit = new QHBoxLayout(Panel4);
    Commit->setContentsMargins(0, 0, 0, 0);
    Button[2] = AddButton(Panel4, "Button2", "OK", "現在の画質を基準にします。");
    Commit->addWidget(Button[2]);
    auto* KindRow = new QHBoxLayout;
    KindRow->addWidget(ComboBox1, 1);
    KindRow->addWidget(Panel4);
    Kind->addLayout(KindRow);
    Layout->addWidget(Panel3);

    Label2 = AddLabel(Panel2, "Label2", "表示倍率 ( 100 % )");
    Button[1] = AddButton(Panel2, "Button1", "OK", "現在の大きさを基準( 100 % )にします。");
    auto* ZoomRow = new QHBoxLayout;
    ZoomRow->addWidget(Label2, 1);
    ZoomRow->addWidget(Button[1]);
    Layout->addLayout(ZoomRow);
    auto* Zoom = new QVBoxLayout;
    Zoom->setSpacing(0);
    TrackBar1 = AddTrackBar(Zoom, "TrackBar1", 0, 200, 100, 10, 20, 10, "0                    100                 200",
                            "Label1");
    Layout->addLayout(Zoom);
    return Panel2;
}

QAction* TForm1::AddItem(QMenu* Menu, const char* Name, const char* Caption, void (TForm1::*Handler)())
{
    QAction* Item = Menu->addAction(Text(Caption));
    Item->setObjectName(QLatin1String(Name));
    if (Handler != nullptr) connect(Item, &QAction::triggered, this, [this, Handler] { RunHandler(Handler); });
    return Item;
}

void TForm1::CreateMenu()
{
    QMenuBar* MainMenu1 = menuBar();
    MainMenu1->setObjectName(QStringLiteral("MainMenu1"));
    const auto AddMenu = [&](const char* Name, const char* Caption) {
        QMenu* Menu = MainMenu1->addMenu(Text(Caption));
        Menu->setObjectName(QLatin1String(Name));
        Menu->menuAction()->setObjectName(QLatin1String(Name));
        Menu->setFont(font());
        return Menu;
    };
    const auto AddSeparator = [](QMenu* Menu, const char* Name) {
        Menu->addSeparator()->setObjectName(QLatin1String(Name));
    };

    QMenu* File1 = AddMenu("File1", "ファイル(&F)");
    AddItem(File1, "Open1", "開く(&O)...", &TForm1::Open1Click)->setShortcut(QKeySequence::Open);
    AddItem(File1, "Save1", "保存(&S)...", &TForm1::Save1Click)->setShortcut(QKeySequence::Save);
    AddSeparator(File1, "N1");
    AddItem(File1, "T2", "印刷設定(&T)...", &TForm1::T2Click);
    AddItem(File1, "V1", "印刷プレビュー(&V)", &TForm1::V1Click);
    AddSeparator(File1, "N9");
    AddItem(File1, "Exit1", "終了(&X)", &TForm1::Exit1Click)->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));

    QMenu* Edit1 = AddMenu("Edit1", "編集(&E)");
    AddItem(Edit1, "U1", "アンドウ(&U)", &TForm1::U1Click)->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Z));
    AddItem(Edit1, "O1", "もとの画像(&O)", &TForm1::O1Click);
    AddSeparator(Edit1, "N2");
    AddItem(Edit1, "Copy1", "ｺﾋﾟｰ(&C)", &TForm1::Copy1Click)->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_C));
    AddItem(Edit1, "Paste1", "貼り付け(&P)", &TForm1::Paste1Click)->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_V));
    AddSeparator(Edit1, "N6");
    // The check items keep the state their handlers give them, not the toolkit's toggle.
    A1 = AddItem(Edit1, "A1", "トリミングエリアの表示(&A)", nullptr);
    T1 = AddItem(Edit1, "T1", "トリミングの実行(&T)", &TForm1::T1Click);
    T1->setEnabled(false);

    QMenu* N3 = AddMenu("N3", "減色(&D)");
    AddItem(N3, "Octree2561", "Octree で 256色へ減色", &TForm1::Octree2561Click);
    AddItem(N3, "MedianCut2561", "MedianCut で 256色へ減色", &TForm1::MedianCut2561Click);
    AddItem(N3, "MedianCutByVariance2561", "MedianCut + 分散で 256色へ減色", &TForm1::MedianCutByVariance2561Click);
    AddItem(N3, "MedianCut2562", "MedianCut + 誤差拡散で 256色へ減色", &TForm1::MedianCut2562Click);
    AddItem(N3, "MedianCut2563", "MedianCut + 分散 + 誤差拡散で 256色へ減色", &TForm1::MedianCut2563Click);
    AddItem(N3, "N4", "固定パレット + 誤差拡散で 256色へ減色", &TForm1::N4Click);
    AddItem(N3, "PixelFormat2561", "PixelFormat で 256色へ減色", &TForm1::PixelFormat2561Click);

    QMenu* N5 = AddMenu("N5", "回転(&T)");
    AddItem(N5, "N901", "90°回転(&Q)", &TForm1::N901Click);
    AddItem(N5, "N1801", "180°回転(&H)", &TForm1::N1801Click);
    AddItem(N5, "N2701", "270°回転(&T)", &TForm1::N2701Click);
    AddSeparator(N5, "N8");
    AddItem(N5, "R1", "反転(&R)", &TForm1::R1Click);

    QMenu* O2 = AddMenu("O2", "オプション(&O)");
    S1 = AddItem(O2, "S1", "スムーズな拡大・縮小(&S)", nullptr);
    AddSeparator(O2, "N7");
    H1 = AddItem(O2, "H1", "ヒストグラム(&H)", nullptr);

    for (QAction* Check : {A1, S1, H1}) Check->setCheckable(true);
    const auto ConnectCheck = [this](QAction* Check, void (TForm1::*Handler)()) {
        connect(Check, &QAction::triggered, this, [this, Check, Handler](bool Checked) {
            Check->setChecked(!Checked);
            RunHandler(Handler);
        });
    };
    ConnectCheck(A1, &TForm1::A1Click);
    ConnectCheck(S1, &TForm1::S1Click);
    ConnectCheck(H1, &TForm1::H1Click);
}

void TForm1::ConnectHandlers()
{
    const auto OnClick = [this](QPushButton* Push, void (TForm1::*Handler)()) {
        connect(Push, &QPushButton::clicked, this, [this, Handler] { RunHandler(Handler); });
    };
    OnClick(Button[1], &TForm1::Button1Click);
    OnClick(Button[2], &TForm1::Button2Click);
    OnClick(Button[3], &TForm1::Button3Click);
    OnClick(Button[4], &TForm1::Button4Click);
    OnClick(Button[5], &TForm1::Button5Click);
    OnClick(Button[6], &TForm1::Button6Click);
    OnClick(Button[7], &TForm1::Button7Click);
    OnClick(Button[8], &TForm1::Button8Click);
    OnClick(Button[9], &TForm1::Button9Click);
    OnClick(Button[10], &TForm1::Button10Click);
    OnClick(Button[11], &TForm1::Button11Click);
    OnClick(Button[12], &TForm1::Button12Click);
    OnClick(Button[13], &TForm1::Button13Click);
    OnClick(Button[14], &TForm1::Button14Click);
    OnClick(Button[15], &TForm1::Button15Click);

    const auto OnChange = [this](QSlider* Slider, void (TForm1::*Handler)()) {
        connect(Slider, &QSlider::valueChanged, this, [this, Handler] { RunHandler(Handler); });
    };
    OnChange(TrackBar1, &TForm1::TrackBar1Change);
    OnChange(TrackBar2, &TForm1::TrackBar2Change);
    OnChange(TrackBar3, &TForm1::TrackBar3Change);
    OnChange(TrackBar4, &TForm1::TrackBar4Change);
    OnChange(TrackBar5, &TForm1::TrackBar5Change);

    // A box's change is the user's choice; the boxes set by UpdateCaption do not run it.
    // The wheel passing over a box chooses nothing (eventFilter); the box takes the focus by a click or
    // the tab key only.
    const auto OnChoice = [this](QComboBox* Box, void (TForm1::*Handler)()) {
        Box->setFocusPolicy(Qt::StrongFocus);
        Box->installEventFilter(this);
        connect(Box, &QComboBox::activated, this, [this, Handler] { RunHandler(Handler); });
    };
    OnChoice(ComboBox1, &TForm1::ComboBox1Change);
    OnChoice(ComboBox2, &TForm1::ComboBox2Change);
    OnChoice(ComboBox3, &TForm1::ComboBox3Change);
}
