// Every run gets its own settings, data (trash) and home folders, so no test can
// touch the user's real ones; texts are English unless a test switches.

#include "text/LanguageTesting.h"

#include <QCoreApplication>
#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>

int main(int argc, char **argv)
{
    QTemporaryDir sandbox;
    if (!sandbox.isValid())
        return 2;
    for (const char *var : {"XDG_CONFIG_HOME", "XDG_DATA_HOME", "HOME"}) {
        QDir().mkpath(sandbox.filePath(var));
        qputenv(var, sandbox.filePath(var).toUtf8());
    }
    QCoreApplication app(argc, argv);
    vidorra::Language::setSystemLanguagesOverride(QStringList{QStringLiteral("en")});
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
