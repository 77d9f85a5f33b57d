#include "TestHelpers.h"

#include "Appearance.h"
#include "ClipFixture.h"
#include "metadata/Labels.h"
#include "model/Model.h"
#include "text/Language.h"

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QUuid>
#include <QWidget>

namespace vidorra::uitest {

namespace {
QTemporaryDir &home()
{
    static QTemporaryDir dir(QDir::tempPath() + QStringLiteral("/vidorra-ui-XXXXXX"));
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
    spec.width = k.width;
    spec.height = k.height;
    spec.duration = k.duration;
    spec.fps = k.playbackFPS;
    spec.camera->captureFPS = k.captureFPS;
    spec.camera->playbackFPS = k.playbackFPS;
    spec.camera->width = k.width;
    spec.camera->height = k.height;
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
    info.captureFPS = info.playbackFPS = 30;
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

void paint(QWidget *widget, Scheme scheme)
{
    widget->setPalette(appPalette(scheme));
    widget->setAutoFillBackground(true);
}

QImage shoot(QWidget *widget, const QString &name)
{
    const QString dir = QCoreApplication::applicationDirPath() + QStringLiteral("/shots");
    QDir().mkpath(dir);
    const QImage image = widget->grab().toImage();
    image.save(dir + u'/' + name + QStringLiteral(".png"));
    return image;
}

double meanDifference(const QImage &a, const QImage &b)
{
    if (a.size() != b.size() || a.isNull())
        return -1;
    const QImage x = a.convertToFormat(QImage::Format_RGB32);
    const QImage y = b.convertToFormat(QImage::Format_RGB32);
    double sum = 0;
    for (int row = 0; row < x.height(); ++row) {
        const auto *p = reinterpret_cast<const QRgb *>(x.constScanLine(row));
        const auto *q = reinterpret_cast<const QRgb *>(y.constScanLine(row));
        for (int col = 0; col < x.width(); ++col)
            sum += std::abs(qRed(p[col]) - qRed(q[col])) + std::abs(qGreen(p[col]) - qGreen(q[col]))
                + std::abs(qBlue(p[col]) - qBlue(q[col]));
    }
    return sum / (3.0 * x.width() * x.height());
}

} // namespace vidorra::uitest
