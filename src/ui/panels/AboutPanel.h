#pragma once
// The About panel: the application's name, version, icon and credits.

#include <QString>

class QDialog;
class QWidget;

namespace vidorra {

// The application's version ("1.0.0"); empty when none is known.
QString appVersion();

// The credits: what the application does, one blank line, the trademark notice.
QString aboutCredits();

// Shows the About panel (one at a time: a second call brings the open one back) and
// brings it to the front. Returns the panel; it deletes itself when closed.
QDialog *showAboutPanel(QWidget *parent = nullptr);

} // namespace vidorra
