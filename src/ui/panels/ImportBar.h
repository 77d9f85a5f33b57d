#pragma once
// The strip under both faces while a card is imported: where from, a progress bar,
// files and bytes done, speed and time left, and a button that stops the import.

#include <QWidget>

class QLabel;
class QProgressBar;
class QPushButton;

namespace vidorra {

class Model;

class ImportBar : public QWidget {
    Q_OBJECT
public:
    ImportBar(Model *model, QWidget *parent = nullptr);

    // The texts shown now, for tests and the screenshots.
    QString titleText() const;
    QString detailText() const;
    int percent() const;
    QPushButton *cancelButton() const { return cancel; }

public Q_SLOTS:
    void refresh();

protected:
    void changeEvent(QEvent *event) override;

private:
    void retranslate();

private:
    Model *model;
    QLabel *title;
    QProgressBar *bar;
    QLabel *detail;
    QPushButton *cancel;
};

// "about 3 min left", "45 s left", "1 h 20 min left".
QString timeLeftText(int seconds);

} // namespace vidorra
