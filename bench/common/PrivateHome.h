#pragma once
// A temporary home for a benchmark run: the user's settings, trash, caches and running
// instance stay untouched. Must be made before the QApplication.

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

namespace vidorra::bench {

class PrivateHome {
public:
    explicit PrivateHome(const QString &name) : dir(QDir::tempPath() + QStringLiteral("/vidorra-%1-XXXXXX").arg(name))
    {
        if (!dir.isValid())
            return;
        const QString root = dir.path();
        qputenv("HOME", root.toUtf8());
        qputenv("XDG_CONFIG_HOME", (root + QStringLiteral("/config")).toUtf8());
        qputenv("XDG_DATA_HOME", (root + QStringLiteral("/data")).toUtf8());
        qputenv("XDG_CACHE_HOME", (root + QStringLiteral("/cache")).toUtf8());
        const QString runtime = root + QStringLiteral("/runtime");
        QDir().mkpath(runtime);
        QFile::setPermissions(runtime, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        qputenv("XDG_RUNTIME_DIR", runtime.toUtf8());
    }

    bool isValid() const { return dir.isValid(); }
    QString path() const { return dir.path(); }

private:
    QTemporaryDir dir;
};

} // namespace vidorra::bench
