#include "app/WindowFrames.h"

#include "model/Preferences.h"
#include "text/SettingsStore.h"

#include <QEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QSettings>
#include <QTimer>
#include <QWidget>
#include <algorithm>

namespace vidorra {


QString mainFrameKey() { return QStringLiteral("NSWindow Frame main"); }

int resetSavedFramesOnce(QSettings &settings)
{
    if (settings.value(QLatin1String(Preferences::windowSizeResetKey)).toBool())
        return 0;
    int removed = 0;
    const QStringList keys = settings.allKeys();
    for (const QString &k : keys) {
        if (k.startsWith(QLatin1String("NSWindow Frame"))) {
            settings.remove(k);
            ++removed;
        }
    }
    settings.setValue(QLatin1String(Preferences::windowSizeResetKey), true);
    settings.sync();
    return removed;
}

QRect firstRunFrame(const QRect &visible)
{
    const int w = std::min(visible.width(), firstRunWidth);
    const int h = std::min(visible.height(), firstRunHeight);
    // Centre on the exact middle of the usable area (QRect::center rounds down).
    const double cx = visible.x() + visible.width() / 2.0;
    const double cy = visible.y() + visible.height() / 2.0;
    return QRect(int(cx - w / 2.0), int(cy - h / 2.0), w, h);
}

bool sizeOnFirstRun(QWidget *window)
{
    if (Preferences::windowSized() || !window)
        return false;
    QScreen *screen = window->screen();
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    if (!screen)
        return false;
    const QRect frame = firstRunFrame(screen->availableGeometry());
    // A screen smaller than the window's minimum gets a window that fits it.
    window->setMinimumSize(std::min(window->minimumWidth(), frame.width()),
                           std::min(window->minimumHeight(), frame.height()));
    window->setGeometry(frame);
    window->repaint();
    Preferences::setWindowSized(true);
    return true;
}

FrameKeeper::FrameKeeper(QWidget *window) : QObject(window), window(window), debounce(new QTimer(this))
{
    debounce->setSingleShot(true);
    debounce->setInterval(400);
    connect(debounce, &QTimer::timeout, this, &FrameKeeper::save);
    window->installEventFilter(this);
}

void FrameKeeper::restore()
{
    QSettings settings = settingsStore();
    const QByteArray saved = settings.value(mainFrameKey()).toByteArray();
    if (saved.isEmpty() || !window->restoreGeometry(saved))
        window->resize(defaultWindowWidth, defaultWindowHeight);
}

void FrameKeeper::save()
{
    if (!window->isVisible())
        return;
    QSettings settings = settingsStore();
    settings.setValue(mainFrameKey(), window->saveGeometry());
}

bool FrameKeeper::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == window) {
        switch (event->type()) {
        case QEvent::Move:
        case QEvent::Resize:
            debounce->start();
            break;
        case QEvent::Close:
            debounce->stop();
            save();
            break;
        default:
            break;
        }
    }
    return QObject::eventFilter(watched, event);
}

} // namespace vidorra
