#pragma once
// What the organised face shows with nothing to show: "Reading…" with a spinner while
// work runs, else "No Clips" and how to start.

#include <QWidget>

class QTimer;

namespace vidorra {

class CardEntries;
class Model;

class EmptyState : public QWidget {
    Q_OBJECT
public:
    EmptyState(Model *model, QWidget *parent = nullptr);
    bool reading() const;
    QString title() const;
    QString hint() const;
    // The cards that can be imported, under the hint.
    CardEntries *cardEntries() const { return cards; }

protected:
    void paintEvent(QPaintEvent *) override;
    void resizeEvent(QResizeEvent *) override;

private:
    void refresh();
    void placeCards();

    Model *model;
    QTimer *spin;
    CardEntries *cards;
    bool wasReading = false;
    int phase = 0;
};

} // namespace vidorra
