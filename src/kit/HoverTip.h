#pragma once
// The small capsule that names a tool while the pointer rests on it. It floats in the
// tool's window, above the tool (below it when there is no room), fades in and out and
// never takes clicks.

#include <QPointer>
#include <QVariantAnimation>
#include <QWidget>

namespace vidorra {

class HoverTip : public QWidget {
    Q_OBJECT
public:
    // The tip belongs to `anchor` and lives in the anchor's window.
    explicit HoverTip(QWidget *anchor);

    void setText(const QString &text);
    QString text() const { return label; }
    // Fades in above the anchor, or out.
    void reveal(bool on);
    // Current opacity, 0 to 1.
    double opacity() const { return alpha; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    void place();
    QPointer<QWidget> anchor;
    QString label;
    double alpha = 0.0;
    QVariantAnimation fade;
};

} // namespace vidorra
