#pragma once
// Small controls of the settings panel and the rename sheet: a segmented choice, a
// switch, a link-style button and the round "info" button. Painted by hand so they look
// the same in the light and dark palettes and on every desktop style.

#include <QAbstractButton>
#include <QColor>
#include <QList>
#include <QPalette>
#include <QString>
#include <QWidget>

namespace vidorra {

// Text of lesser weight (labels, version, old names) in the palette's scheme.
QColor secondaryTextColor(const QPalette &palette);

// The monospaced font at a fixed pixel size (templates and file names).
QFont panelMonoFont(int pixelSize, QFont::Weight weight = QFont::Normal);

// A row of mutually exclusive segments; exactly one is marked. Clicking a segment (or
// the arrow keys while focused) marks it and emits `chosen` with its value.
class SegmentedChoice : public QWidget {
    Q_OBJECT
public:
    struct Segment {
        QString text;
        QString value;
    };

    explicit SegmentedChoice(QWidget *parent = nullptr);

    void setSegments(const QList<Segment> &segments);
    // Marks the segment with `value` without emitting; an unknown value marks none.
    void setValue(const QString &value);
    QString value() const;
    int count() const { return int(segments.size()); }
    QString textAt(int index) const { return segments.value(index).text; }
    QRect segmentRect(int index) const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

Q_SIGNALS:
    void chosen(const QString &value);

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;

private:
    void choose(int index);

    QList<Segment> segments;
    int current = -1;
    bool keyboardFocus = false; // the focus ring shows only when reached by the keyboard
};

// A checkable button drawn as a label with a sliding switch at its right end.
class SwitchToggle : public QAbstractButton {
    Q_OBJECT
public:
    explicit SwitchToggle(const QString &text, QWidget *parent = nullptr);
    QSize sizeHint() const override;
    QRect switchRect() const;

protected:
    void paintEvent(QPaintEvent *event) override;
};

// A text button that looks like a link: accent text, pointing hand, underline on hover.
class LinkButton : public QAbstractButton {
    Q_OBJECT
public:
    explicit LinkButton(const QString &text, QWidget *parent = nullptr);
    void setMuted(bool muted); // secondary colour instead of the link colour
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;
    void enterEvent(QEnterEvent *event) override;
    void leaveEvent(QEvent *event) override;

private:
    bool hovered = false;
    bool muted = false;
};

// One line of text shortened with "…" to the width it is given; its tool tip is the
// given tip, else the full text when shortened.
class ElidedLabel : public QWidget {
    Q_OBJECT
public:
    explicit ElidedLabel(QWidget *parent = nullptr);
    void setText(const QString &text, const QString &tip = {});
    QString text() const { return full; }
    // The text as painted at the present width.
    QString shownText() const;
    void setMuted(bool muted); // secondary colour instead of the text colour
    bool isMuted() const { return muted; }
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void updateTip();

    QString full;
    QString tip;
    bool muted = false;
};

// The round "i" symbol as a borderless button.
class InfoButton : public QAbstractButton {
    Q_OBJECT
public:
    explicit InfoButton(int symbolSize, QWidget *parent = nullptr);
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;
    void enterEvent(QEnterEvent *event) override;
    void leaveEvent(QEvent *event) override;

private:
    int symbolSize;
    bool hovered = false;
};

} // namespace vidorra
