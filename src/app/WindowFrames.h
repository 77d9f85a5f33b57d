#pragma once
// The main window's frame: where it was left (stored by us under a key beginning with
// "NSWindow Frame"), the one-time reset of stored frames, and the first-run size.

#include <QObject>
#include <QRect>
#include <QString>

class QSettings;
class QTimer;
class QWidget;

namespace vidorra {

inline constexpr int defaultWindowWidth = 1060;
inline constexpr int defaultWindowHeight = 720;
inline constexpr int firstRunWidth = 1024;
inline constexpr int firstRunHeight = 704;

QString mainFrameKey();  // "NSWindow Frame main"

// Unless "windowSizeReset2" is set: removes every key beginning with "NSWindow Frame",
// then sets it. Returns how many keys were removed.
int resetSavedFramesOnce(QSettings &settings);

// The first-run frame on a screen with this usable area: at most 1024 x 704, centred.
QRect firstRunFrame(const QRect &visible);

// Unless "windowSized4" is set: gives `window` its first-run frame on its screen (or the
// primary screen) and sets the flag. Without a window or a screen nothing happens and
// the flag stays unset, so the next launch tries again. Returns whether it sized.
bool sizeOnFirstRun(QWidget *window);

// Keeps the window's frame under mainFrameKey() while it moves and resizes, and puts it
// back at launch (else the default size).
class FrameKeeper : public QObject {
    Q_OBJECT
public:
    explicit FrameKeeper(QWidget *window);
    void restore();
    void save();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QWidget *window;
    QTimer *debounce;
};

} // namespace vidorra
