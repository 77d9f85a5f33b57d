#pragma once
// One tab of the resolution strip: its name, its clip count and, on the selected tab,
// an underline. Inside a ResolutionTabBar the bar draws one shared underline that slides
// between tabs; a tab on its own draws its own.

#include "kit/HoverButton.h"

#include <QGradientStops>

namespace vidorra {

class ResolutionTab : public HoverButton {
    Q_OBJECT
public:
    ResolutionTab(const QString &name, int count, bool on, QWidget *parent = nullptr);

    QString name() const { return title; }
    int count() const { return number; }
    void setCount(int count);
    bool isOn() const { return selected; }
    void setOn(bool on);
    // Colours of the underline, painted left to right.
    void setLine(const QGradientStops &stops);
    QGradientStops line() const { return stops; }
    // When shared, the tab leaves its underline to the strip around it.
    void setSharedLine(bool shared);

    // Where the underline stands, in the tab's own coordinates.
    QRectF underlineRect() const;
    // How far the name is lifted now (up to 2 while an unselected tab is hovered).
    double lift() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

    // The default underline colours: the accent, fading to a lighter accent.
    static QGradientStops defaultLine();
    // Paints an underline capsule with the given colours.
    static void paintLine(class QPainter &painter, const QRectF &rect, const QGradientStops &stops);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QString title;
    int number = 0;
    bool selected = false;
    bool shared = false;
    QGradientStops stops;
};

} // namespace vidorra
