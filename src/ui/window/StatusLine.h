#pragma once
// The line at the bottom of the organised face: the source (a click opens its folder),
// the clip counts or the scan's progress with a stop link, "Sorted", and the selection's
// totals.

#include <QWidget>

class QLabel;
class QPushButton;

namespace vidorra {

class Model;

class StatusLine : public QWidget {
    Q_OBJECT
public:
    StatusLine(Model *model, QWidget *parent = nullptr);

    // The texts shown now, left to right, for tests and the screenshots.
    QString sourceText() const;
    QString mainText() const;
    QString sortedText() const;
    QString selectionText() const;
    QPushButton *stopButton() const { return stop; }

public Q_SLOTS:
    void refresh();

    QLabel *sourceLabel() const { return source; }

protected:
    void changeEvent(QEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    Model *model;
    QLabel *folderIcon;
    QLabel *source;
    QLabel *main;
    QPushButton *stop;
    QLabel *sorted;
    QLabel *selected;
};

} // namespace vidorra
