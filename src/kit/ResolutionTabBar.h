#pragma once
// The strip of resolution tabs. It owns one underline that glides from the previously
// selected tab to the newly selected one instead of appearing anew.

#include <QGradientStops>
#include <QList>
#include <QVariantAnimation>
#include <QWidget>
#include <optional>

class QHBoxLayout;

namespace vidorra {

class ResolutionTab;

class ResolutionTabBar : public QWidget {
    Q_OBJECT
public:
    struct Entry {
        QString name;
        int count = 0;
    };

    explicit ResolutionTabBar(QWidget *parent = nullptr);

    // Shows the tabs; `current` marks the selected one (none selects nothing). Tabs whose
    // names stay are kept, so a change of selection slides the underline.
    void setTabs(const QList<Entry> &tabs, const std::optional<QString> &current);
    void setCurrent(const std::optional<QString> &current);
    std::optional<QString> current() const { return chosen; }

    // Colours of the underline, left to right.
    void setLine(const QGradientStops &stops);

    QList<ResolutionTab *> tabs() const { return items; }
    ResolutionTab *tab(const QString &name) const;

    // The underline as drawn now, in the bar's coordinates; nullopt when none is shown.
    std::optional<QRectF> underline() const { return line; }
    // Where the underline is heading (the selected tab's underline).
    std::optional<QRectF> underlineTarget() const;
    bool isSliding() const { return slide.state() == QAbstractAnimation::Running; }

Q_SIGNALS:
    // A tab was clicked.
    void tabChosen(const QString &name);

protected:
    void paintEvent(QPaintEvent *event) override;
    bool event(QEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void moveLine(bool animated);

    QHBoxLayout *row = nullptr;
    QList<ResolutionTab *> items;
    std::optional<QString> chosen;
    std::optional<QRectF> line;
    QGradientStops lineStops;
    QVariantAnimation slide;
};

} // namespace vidorra
