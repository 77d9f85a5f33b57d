#include "CardTestHelpers.h"

#include "ClipFixture.h"

#include "metadata/Labels.h"

#include <QCoreApplication>
#include <QDir>
#include <QTemporaryDir>
#include <QUuid>
#include <QWidget>

namespace vidorra::cardtest {

namespace {
QTemporaryDir &home()
{
    static QTemporaryDir dir(QDir::tempPath() + QStringLiteral("/vidorra-cards-XXXXXX"));
    return dir;
}
} // namespace

void usePrivateHome()
{
    const QString root = home().path();
    QDir(root).mkpath(QStringLiteral("config"));
    QDir(root).mkpath(QStringLiteral("data"));
    qputenv("HOME", root.toUtf8());
    qputenv("XDG_CONFIG_HOME", (root + QStringLiteral("/config")).toUtf8());
    qputenv("XDG_DATA_HOME", (root + QStringLiteral("/data")).toUtf8());
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
}

QString freshFolder()
{
    const QString path = home().path() + QStringLiteral("/clips-") + QUuid::createUuid().toString(QUuid::Id128);
    QDir().mkpath(path);
    return path;
}

Planned planned(const ClipInfo &info, const QString &path, qint64 size)
{
    Planned p;
    p.url = path;
    p.info = info;
    p.size = size;
    p.folder = folderName(info);
    p.label = describe(info);
    p.profile = profileLabel(info);
    p.speed = speedKey(info);
    p.resolution = resolutionLabel(info);
    p.sortable = true;
    return p;
}

ClipInfo dlogInfo(const QString &kelvin, qint64 iso, double duration)
{
    ClipInfo info;
    info.model = QStringLiteral("OsmoPocket3");
    info.captureFPS = 30;
    info.playbackFPS = 30;
    info.bitDepth = 10;
    info.colorCode = 2;
    info.iso = iso;
    info.width = 3840;
    info.height = 2160;
    info.gammaText = QStringLiteral("D-Log");
    info.kelvin = kelvin;
    info.duration = duration;
    info.proto = QStringLiteral("dvtm_PP-101.proto");
    return info;
}

Planned clipOnDisk(const QString &folder, const QString &name, bool realVideo, double duration)
{
    fixture::ClipSpec spec;
    spec.duration = duration;
    spec.cover = fixture::sampleCoverJpeg(320, 180);
    spec.realVideo = realVideo;
    if (realVideo) {
        spec.videoWidth = 320;
        spec.videoHeight = 180;
    }
    const QString path = folder + QLatin1Char('/') + name;
    if (!fixture::writeClip(path, spec))
        return {};
    return analyze(path, true);
}

void paint(QWidget *widget, Scheme scheme)
{
    widget->setPalette(appPalette(scheme));
    widget->setAutoFillBackground(true);
}

QImage shoot(QWidget *widget, const QString &name)
{
    const QString dir = QCoreApplication::applicationDirPath() + QStringLiteral("/view-shots");
    QDir().mkpath(dir);
    const QImage image = widget->grab().toImage();
    image.save(dir + QLatin1Char('/') + name + QStringLiteral(".png"));
    return image;
}

} // namespace vidorra::cardtest
