#pragma once
// Files and folders dropped on the window, and the highlight shown while a drag with
// files is over it.

#include <QStringList>
#include <QVariantAnimation>
#include <QWidget>
#include <optional>

class QMimeData;

namespace vidorra {

// The local paths a drop carries, in order; entries that are not local files are
// skipped. Nothing (refuse the drop) when the data carries no URLs at all.
std::optional<QStringList> dropPaths(const QMimeData *data);

// A full-window tint with a "plus" symbol that fades in and out.
class DropHighlight : public QWidget {
    Q_OBJECT
public:
    static constexpr int fadeMs = 250;

    explicit DropHighlight(QWidget *parent);
    void setActive(bool active);
    bool isActive() const { return active; }
    double opacity() const { return amount; }

protected:
    void paintEvent(QPaintEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    bool active = false;
    double amount = 0.0;
    QVariantAnimation fade;
};

} // namespace vidorra
