#pragma once
// The application's light or dark appearance: Fusion style with our own palettes.
// "system" follows the desktop's colour-scheme setting, published by the freedesktop
// settings portal (org.freedesktop.appearance color-scheme); without one it is light.

#include "kit/Palette.h"

#include <QObject>
#include <QString>
#include <optional>

namespace vidorra {

// Applies "light", "dark", or anything else (none, "system", "Dark") as following the
// desktop. Modes compare exactly; needs a QApplication.
void applyAppearance(const std::optional<QString> &mode);

// The appearance the application shows now.
Scheme currentScheme();

// What the desktop asks for; light when it publishes nothing.
Scheme systemScheme();

// Tells the views when the shown appearance changes (after a toggle, or when the
// desktop's setting changes while following it).
class AppearanceNotifier : public QObject {
    Q_OBJECT
public:
    static AppearanceNotifier *instance();
Q_SIGNALS:
    void schemeChanged(vidorra::Scheme scheme);
private:
    using QObject::QObject;
};

namespace detail {
// For tests: pretend the desktop publishes this scheme (nullopt: ask the portal again).
void overrideSystemScheme(std::optional<Scheme> scheme);
}

} // namespace vidorra
