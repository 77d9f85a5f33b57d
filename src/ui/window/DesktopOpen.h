#pragma once
// Handing things to the desktop: a folder to the file manager, a web page to the browser,
// a new e-mail to the mail program. When nothing opens it (no handler installed, or the
// one that ran failed), the window says so in its message bar.

#include <QString>
#include <QUrl>
#include <functional>

namespace vidorra {

enum class DesktopTarget { Folder, WebPage, Mail };

// Opens `url` with the desktop's handler through xdg-open, or Qt's own search for one
// when xdg-open is missing. Returns at once; a failure reaches the reporter later.
void openWithDesktop(const QUrl &url, DesktopTarget target);

// Where failures go (the window's message bar); an empty function drops them.
void setDesktopFailureReporter(std::function<void(const QString &message)> report);

// What the message bar says when nothing opened `url`.
QString desktopFailureText(const QUrl &url, DesktopTarget target);

} // namespace vidorra
