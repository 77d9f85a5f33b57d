#pragma once
// The status message at the bottom of the window. A one-line message clears itself after
// three seconds; a message with a line break (a list of issues) stays until closed.

#include <QWidget>
#include <functional>
#include <memory>

class QLabel;

namespace vidorra {

class Model;

// The three-second clearing, behind an interface so tests can fire it at will.
class ClearTimer {
public:
    virtual ~ClearTimer() = default;
    // Runs `done` once after `ms`, replacing any countdown in progress.
    virtual void start(int ms, std::function<void()> done) = 0;
    virtual void cancel() = 0;
};

// The ordinary clock-driven countdown.
std::unique_ptr<ClearTimer> makeClearTimer();

class MessageBar : public QWidget {
    Q_OBJECT
public:
    static constexpr int clearAfterMs = 3000;
    static constexpr int bottomOffset = 34;
    static constexpr int maxWidth = 560;

    MessageBar(Model *model, QWidget *parent);

    void setClearTimer(std::unique_ptr<ClearTimer> timer);
    QString text() const;
    // Places the bar over the bottom of its parent.
    void reposition();

protected:
    void paintEvent(QPaintEvent *) override;
    void changeEvent(QEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void messageChanged();

    Model *model;
    QLabel *label;
    QWidget *closeButton;
    std::unique_ptr<ClearTimer> timer;
};

} // namespace vidorra
