// Preferences are on disk at once, under the keys earlier versions wrote.

#include "ModelHarness.h"

#include "Preferences.h"

namespace vidorra::testing {
namespace {

using ModelPrefs = ModelTest;

TEST_F(ModelPrefs, EveryChangeIsOnDiskAtOnceUnderItsKey)
{
    Preferences::setRenameTemplate("{name}");
    Preferences::setLastFolderPath("/media/card");
    Preferences::setWindowSized(true);
    Preferences::setWindowSizeReset(true);
    model->setLanguage("es");
    // A settings object made now reads the file, not a cache of this process.
    const QString file = QSettings(QStringLiteral("Vidorra"), QStringLiteral("Vidorra")).fileName();
    EXPECT_TRUE(file.startsWith(qEnvironmentVariable("XDG_CONFIG_HOME")));
    const std::pair<const char *, QString> keys[] = {{"renameTemplate", "{name}"}, {"lastFolderPath", "/media/card"},
        {"windowSized4", "true"}, {"windowSizeReset2", "true"}, {"appLanguage", "es"}};
    for (const auto &[key, value] : keys)
        EXPECT_EQ(QSettings(file, QSettings::IniFormat).value(key).toString(), value) << key;
    EXPECT_EQ(Model().language(), "es");
}

} // namespace
} // namespace vidorra::testing
