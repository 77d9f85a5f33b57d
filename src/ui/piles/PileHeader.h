#pragma once
// The heading of an open pile: "Back", the profile capsule, and the pile's title with
// its detail line for slow motion.

#include "library/Scan.h"

#include <QWidget>

class QLabel;
class QPushButton;

namespace vidorra {

class ProfileTag;

class PileHeader : public QWidget {
    Q_OBJECT
public:
    explicit PileHeader(QWidget *parent = nullptr);

    void setPile(const QList<Planned> &items);
    QPushButton *backButton() const { return back; }
    QString title() const;
    QString detail() const;

Q_SIGNALS:
    void backClicked();

protected:
    void changeEvent(QEvent *event) override;

private:
    void restyle();

    QPushButton *back;
    ProfileTag *tag;
    QLabel *titleLabel;
    QLabel *detailLabel;
    QString profile;
};

} // namespace vidorra
