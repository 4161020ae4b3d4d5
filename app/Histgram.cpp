#include "app/Histgram.h"

#include "app/InterfaceFont.h"
#include "app/Messages.h"
#include "app/WindowPlacement.h"
#include "engine/KelvoImg.h"
#include "platform/controls/Dialogs.h"
#include "platform/controls/ImageView.h"
#include "platform/graphics/Metafile.h"

#include <QCloseEvent>
#include <QShowEvent>

namespace {

// The stored width and height are the window's outer size, measured with a frame this much larger
// than the client area (294 × 209 around 286 × 175). Converting both ways with the same allowance keeps
// a size from creeping between runs, whatever the window manager's real frame.
constexpr QSize FrameExtra{8, 34};

constexpr int HistogramScale = 2;
constexpr int HistogramShift = 2;
constexpr int AutomaticVerticalMax = 0;

} // namespace

TForm2::TForm2(TParameter& Parameter, QWidget* Parent)
    : QWidget(Parent, Qt::Tool), FParameter(Parameter), FView(new TImageView(Image1, this))
{
    setObjectName("Form2");
    setWindowTitle(QString::fromUtf8(Messages::SHistogramCaption));
    setFont(InterfaceFont());
    FView->setObjectName("Image1");
    Image1.SetStretch(true);
    ApplyPlacement(TSettingsValues{}.Histogram);
}

TForm2::~TForm2() = default;

void TForm2::DrawHistogram(TKelvoImage& Source)
{
    TMetafile Drawing;
    Source.DrawHistogram(Drawing, HistogramScale, HistogramShift, AutomaticVerticalMax);
    Image1.Picture().SetGraphic(&Drawing);
}

TWindowPlacement TForm2::Placement() const
{
    return PlacementOf(*this, FrameExtra);
}

void TForm2::ApplyPlacement(const TWindowPlacement& Placement)
{
    PlaceWindow(*this, Placement, TSettingsValues{}.Histogram, FrameExtra);
}

void TForm2::showEvent(QShowEvent* Event)
{
    QWidget::showEvent(Event);
    // Restoring from the task bar is no new showing.
    if (!Event->spontaneous()) FormShow();
}

void TForm2::closeEvent(QCloseEvent* Event)
{
    FormCloseQuery();
    Event->accept();
}

void TForm2::resizeEvent(QResizeEvent* Event)
{
    QWidget::resizeEvent(Event);
    Image1.SetBounds(0, 0, width(), height());
}

void TForm2::FormShow()
{
    TWindowPlacement Read = Placement();
    const std::vector<std::string> Errors = ReadHistogramPlacement(FParameter, Read);
    ApplyPlacement(Read);
    if (OnDrawRequest) OnDrawRequest();
    if (OnOpenChanged) OnOpenChanged(true);
    if (Errors.empty() || !FReportsSettingsErrors) return;
    ShowErrorMessage(this, JoinedLines(Errors));
}

void TForm2::FormCloseQuery()
{
    WriteHistogramPlacement(FParameter, Placement());
    if (OnOpenChanged) OnOpenChanged(false);
}
