#pragma once
// The one store of everything the application remembers between runs: QSettings under
// the organization and application name "Vidorra". Opened here only, so the language,
// the preferences and the window frames always read and write the same file.

#include <QSettings>

namespace vidorra {

QSettings settingsStore();

} // namespace vidorra
