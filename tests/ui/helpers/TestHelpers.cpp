#include "TestHelpers.h"

#include "kit/Appearance.h"
#include "ClipFixture.h"
#include "metadata/Labels.h"
#include "model/Model.h"
#include "text/Language.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QUuid>

namespace vidorra::uitest {

static QTemporaryDir &home()
{
    static QTemporaryDir dir(QDir::tempPath() + QStringLiteral("/vidorra-ui-XXXXXX"));
    return dir;
}

void usePrivateHome()
{
    const QString h = home().path();
    for (const char *sub : {"config", "data/Trash/files", "data/Trash/info", "bin"})
        QDir(h).mkpath(QLatin1String(sub));
    // Tests never start the desktop's programs: this one notes what it was given.
    QFile opener(h + QStringLiteral("/bin/xdg-open"));
    if (opener.open(QIODevice::WriteOnly)) {
        opener.write("#!/bin/sh\nprintf '%s\\n' \"$1\" >> \"$(dirname \"$0\")/opened\"\n"
                     "exit \"$(cat \"$(dirname \"$0\")/status\" 2>/dev/null || echo 0)\"\n");
        opener.close();
        opener.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
    qputenv("PATH", (h + QStringLiteral("/bin:") + qEnvironmentVariable("PATH")).toUtf8());
    qputenv("HOME", h.toUtf8());
    qputenv("XDG_CONFIG_HOME", (h + QStringLiteral("/config")).toUtf8());
    qputenv("XDG_DATA_HOME", (h + QStringLiteral("/data")).toUtf8());
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
}

QStringList desktopOpened()
{
    QFile log(home().path() + QStringLiteral("/bin/opened"));
    if (!log.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(log.readAll()).split(u'\n', Qt::SkipEmptyParts);
}

void setDesktopOpenStatus(int status)
{
    QFile file(home().path() + QStringLiteral("/bin/status"));
    if (file.open(QIODevice::WriteOnly))
        file.write(QByteArray::number(status));
}

QString freshFolder()
{
    const QString path = home().path() + QStringLiteral("/clips-") + QUuid::createUuid().toString(QUuid::Id128);
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
    spec.width = spec.camera->width = k.width;
    spec.height = spec.camera->height = k.height;
    spec.duration = k.duration;
    spec.fps = spec.camera->playbackFPS = k.playbackFPS;
    spec.camera->captureFPS = k.captureFPS;
    spec.camera->bitDepth = k.bitDepth;
    spec.camera->colorCode = k.colorCode;
    spec.keys = {{QStringLiteral("com.dji.camera.ColorGammaSxS"), k.gamma}};
    if (k.cover)
        spec.cover = fixture::sampleCoverJpeg(k.videoWidth, k.videoHeight);
    spec.realVideo = k.realVideo;
    spec.videoWidth = k.videoWidth;
    spec.videoHeight = k.videoHeight;
    QDir().mkpath(folder);
    const QString path = folder + u'/' + name;
    if (!fixture::writeClip(path, spec))
        return {};
    const QString stem = path.left(path.lastIndexOf(u'.'));
    for (const QString &ext : k.companions) {
        QFile f(stem + u'.' + ext);
        if (!f.open(QIODevice::WriteOnly) || f.write(ext.toUtf8()) < 0)
            return {};
    }
    return path;
}

QStringList writeClips(const QString &folder, int count, const ClipKind &kind, int first)
{
    QStringList out;
    for (int i = first; i < first + count; ++i)
        out.append(writeClip(folder, QStringLiteral("DJI_%1.MP4").arg(i, 4, 10, QLatin1Char('0')), kind));
    return out;
}

Planned scannedClip(const QString &folder, const QString &name, const ClipKind &kind)
{
    const QString path = writeClip(folder, name, kind);
    return path.isEmpty() ? Planned{} : analyze(path, true);
}

Planned planned(const ClipInfo &info, const QString &path, qint64 size)
{
    return {.url = path, .folder = folderName(info), .label = describe(info), .sortable = true, .info = info,
            .size = size, .profile = profileLabel(info), .speed = speedKey(info), .resolution = resolutionLabel(info)};
}

ClipInfo dlogInfo(const QString &kelvin, qint64 iso, double duration)
{
    return {.model = QStringLiteral("OsmoPocket3"), .captureFPS = 30, .playbackFPS = 30, .bitDepth = 10, .colorCode = 2,
            .iso = iso, .width = 3840, .height = 2160, .gammaText = QStringLiteral("D-Log"), .kelvin = kelvin,
            .duration = duration, .proto = QStringLiteral("dvtm_PP-101.proto")};
}

bool waitUntil(const std::function<bool()> &done, int ms)
{
    return QTest::qWaitFor(done, ms);
}

bool loadAndWait(Model &model, const QStringList &paths)
{
    model.load(paths);
    return waitUntil([&] { return !model.scanning() && model.result().has_value(); });
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

double meanDifference(const QImage &a, const QImage &b)
{
    if (a.size() != b.size() || a.isNull())
        return -1;
    double sum = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
            sum += std::abs(qRed(p) - qRed(q)) + std::abs(qGreen(p) - qGreen(q)) + std::abs(qBlue(p) - qBlue(q));
        }
    return sum / (3.0 * a.width() * a.height());
}

} // namespace vidorra::uitest
