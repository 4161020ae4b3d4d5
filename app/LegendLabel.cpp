#include "app/LegendLabel.h"

#include <QEvent>
#include <QFontMetricsF>
#include <cmath>

TLegendLabel::TLegendLabel(const QString& Text, QWidget* Parent) : QLabel(Text, Parent)
{}

QSize TLegendLabel::minimumSizeHint() const
{
    return {0, QLabel::minimumSizeHint().height()};
}

void TLegendLabel::resizeEvent(QResizeEvent* Event)
{
    QLabel::resizeEvent(Event);
    FitSpaces();
}

void TLegendLabel::changeEvent(QEvent* Event)
{
    QLabel::changeEvent(Event);
    // A font set from outside (the window's own) starts again from natural spaces.
    if (Event->type() == QEvent::FontChange && !FFitting) FitSpaces();
}

void TLegendLabel::FitSpaces()
{
    QFont Font = font();
    Font.setWordSpacing(0);
    // The text layout adds word spacing once to each run of spaces, not to every space.
    const QString Legend = text();
    int Runs = 0;
    for (qsizetype At = 0; At < Legend.size(); ++At)
        if (Legend[At] == QLatin1Char(' ') && (At == 0 || Legend[At - 1] != QLatin1Char(' '))) ++Runs;
    const qreal Over = QFontMetricsF(Font).horizontalAdvance(Legend) - contentsRect().width();
    // A whole pixel more than the excess, so rounding in the text layout cannot bring the last digit back
    // past the edge.
    if (Over > 0 && Runs > 0) Font.setWordSpacing(-std::ceil(Over + 1) / qreal(Runs));
    if (Font == font()) return;
    FFitting = true;
    setFont(Font);
    FFitting = false;
}
