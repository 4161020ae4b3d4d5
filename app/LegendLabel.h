#pragma once
// TLegendLabel: the tick legend under a slider, its numbers spread by runs of spaces. The panel is
// narrower than some legends in the interface font, so where the text is wider than the label the
// spaces narrow until the whole text fits; the text itself stays as it is.

#include <QLabel>

class TLegendLabel : public QLabel
{
public:
    TLegendLabel(const QString& Text, QWidget* Parent = nullptr);

    // Any width will do: the spaces give way.
    QSize minimumSizeHint() const override;

protected:
    void resizeEvent(QResizeEvent* Event) override;
    void changeEvent(QEvent* Event) override;

private:
    void FitSpaces();

    bool FFitting = false;
};
