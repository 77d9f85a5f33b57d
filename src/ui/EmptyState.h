#pragma once
// What the organised face shows with nothing to show: "Reading…" with a spinner while
// work runs, else "No Clips" and how to start.

#include <QWidget>

class QTimer;

namespace vidorra {

class Model;

class EmptyState : public QWidget {
    Q_OBJECT
public:
    EmptyState(Model *model, QWidget *parent = nullptr);
    bool reading() const;
    QString title() const;
    QString hint() const;

protected:
    void paintEvent(QPaintEvent *) override;

private:
    void refresh();

    Model *model;
    QTimer *spin;
    bool wasReading = false;
    int phase = 0;
};

} // namespace vidorra
