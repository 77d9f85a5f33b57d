#include "text/SettingsStore.h"

namespace vidorra {

QSettings settingsStore()
{
    return QSettings(QStringLiteral("Vidorra"), QStringLiteral("Vidorra"));
}

} // namespace vidorra
