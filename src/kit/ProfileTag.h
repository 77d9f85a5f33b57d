#pragma once
// The profile capsule: the profile's name in capitals, white on the profile's colour.

#include <QWidget>

namespace vidorra {

class ProfileTag : public QWidget {
    Q_OBJECT
public:
    ProfileTag(const QString &profile, const QColor &color, QWidget *parent = nullptr);

    void setProfile(const QString &profile, const QColor &color);
    QString profile() const { return name; }
    // The text as shown (upper-cased).
    QString shownText() const { return name.toUpper(); }
    QColor color() const { return fill; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QString name;
    QColor fill;
};

} // namespace vidorra
