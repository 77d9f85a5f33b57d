#pragma once
// Thin scroll bars that float over the content: no track, only a rounded knob that
// shows while scrolling or under the pointer and fades away when idle.

#include <QAbstractSlider>
#include <QTimer>
#include <QVariantAnimation>
#include <optional>

class QAbstractScrollArea;

namespace vidorra {

class OverlayScrollBar : public QAbstractSlider {
    Q_OBJECT
public:
    explicit OverlayScrollBar(QWidget *parent = nullptr);

    // The knob in the bar's coordinates; empty when there is nothing to scroll.
    QRectF knobRect() const;
    // Current opacity of the knob, 0 to 1.
    double knobOpacity() const { return alpha; }
    QSize sizeHint() const override { return {thickness, 100}; }

    static constexpr int thickness = 12;

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void enterEvent(QEnterEvent *event) override;
    void leaveEvent(QEvent *event) override;
    void sliderChange(SliderChange change) override;

private:
    void wake();
    void fadeTo(double target);
    int valueAt(double knobTop) const;

    double alpha = 0.0;
    bool hovered = false;
    std::optional<double> dragOffset;   // pointer offset inside the knob while dragging
    QTimer idle;
    QVariantAnimation fade;
};

namespace OverlayScroller {
// Gives a scrolling area a floating OverlayScrollBar in place of its vertical scroll bar,
// kept in step with it. Doing it again (or after a style change, which reapplies it)
// never adds a second bar. Returns the area's overlay bar.
OverlayScrollBar *install(QAbstractScrollArea *area);
} // namespace OverlayScroller

} // namespace vidorra
