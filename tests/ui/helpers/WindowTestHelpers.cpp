#include "WindowTestHelpers.h"

#include "Appearance.h"
#include "ClipFixture.h"
#include "text/Language.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QDirIterator>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

namespace vidorra::windowtest {

namespace {
QTemporaryDir &home()
{
    static QTemporaryDir dir(QDir::tempPath() + QStringLiteral("/vidorra-window-XXXXXX"));
    return dir;
}
} // namespace

void usePrivateHome()
{
    const QString h = home().path();
    QDir(h).mkpath(QStringLiteral("config"));
    QDir(h).mkpath(QStringLiteral("data/Trash/files"));
    QDir(h).mkpath(QStringLiteral("data/Trash/info"));
    qputenv("HOME", h.toUtf8());
    qputenv("XDG_CONFIG_HOME", (h + QStringLiteral("/config")).toUtf8());
    qputenv("XDG_DATA_HOME", (h + QStringLiteral("/data")).toUtf8());
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
}

QString privateHome() { return home().path(); }

QString freshFolder()
{
    static int n = 0;
    const QString path = home().path() + QStringLiteral("/card-%1").arg(++n);
    QDir().mkpath(path);
    return path;
}

void resetSettings()
{
    Language::apply(QStringLiteral("en"));
    QSettings settings(QStringLiteral("Vidorra"), QStringLiteral("Vidorra"));
    settings.clear();
    settings.sync();
    applyAppearance(QStringLiteral("light"));
}

QString writeClip(const QString &folder, const QString &name, const ClipKind &k)
{
    fixture::ClipSpec spec;
    spec.width = k.width;
    spec.height = k.height;
    spec.duration = k.duration;
    spec.fps = k.playbackFPS;
    spec.camera->captureFPS = k.captureFPS;
    spec.camera->playbackFPS = k.playbackFPS;
    spec.camera->width = k.width;
    spec.camera->height = k.height;
    spec.camera->colorCode = k.colorCode;
    spec.keys = {{QStringLiteral("com.dji.camera.ColorGammaSxS"), k.gamma}};
    if (k.cover)
        spec.cover = fixture::sampleCoverJpeg(160, 90);
    spec.realVideo = k.realVideo;
    if (k.realVideo) {
        spec.videoWidth = 160;
        spec.videoHeight = 90;
    }
    QDir().mkpath(folder);
    const QString path = folder + u'/' + name;
    return fixture::writeClip(path, spec) ? path : QString();
}

QStringList writeClips(const QString &folder, int count, const ClipKind &kind, int first)
{
    QStringList out;
    for (int i = first; i < first + count; ++i)
        out.append(writeClip(folder, QStringLiteral("DJI_%1.MP4").arg(i, 4, 10, QLatin1Char('0')), kind));
    return out;
}

bool waitUntil(const std::function<bool()> &done, int ms)
{
    QDeadlineTimer deadline(ms);
    while (!done()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QTest::qWait(5);
    }
    return true;
}

QStringList filesBelow(const QString &folder)
{
    QStringList out;
    QDirIterator it(folder, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext())
        out.append(QDir(folder).relativeFilePath(it.next()));
    out.sort();
    return out;
}

} // namespace vidorra::windowtest
