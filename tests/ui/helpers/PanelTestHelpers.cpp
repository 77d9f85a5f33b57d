#include "PanelTestHelpers.h"

#include "Appearance.h"
#include "ClipFixture.h"
#include "model/Model.h"
#include "text/Language.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QTest>
#include <QWidget>

namespace vidorra::paneltest {

namespace {
QTemporaryDir *homeDir()
{
    static QTemporaryDir dir(QDir::tempPath() + QStringLiteral("/vidorra-panels-XXXXXX"));
    return &dir;
}
} // namespace

void usePrivateHome()
{
    const QString home = homeDir()->path();
    QDir(home).mkpath(QStringLiteral("config"));
    QDir(home).mkpath(QStringLiteral("data"));
    qputenv("HOME", home.toUtf8());
    qputenv("XDG_CONFIG_HOME", (home + QStringLiteral("/config")).toUtf8());
    qputenv("XDG_DATA_HOME", (home + QStringLiteral("/data")).toUtf8());
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
}

QString privateHome()
{
    return homeDir()->path();
}

void resetSettings()
{
    Language::apply(QStringLiteral("en"));
    applyAppearance(QStringLiteral("light"));
    QSettings settings(QStringLiteral("Vidorra"), QStringLiteral("Vidorra"));
    settings.clear();
    settings.sync();
}

QString writeClip(const QString &folder, const QString &name, const ClipOptions &o)
{
    fixture::ClipSpec spec;
    spec.width = o.width;
    spec.height = o.height;
    spec.duration = o.duration;
    spec.fps = o.playbackFPS;
    spec.camera->captureFPS = o.captureFPS;
    spec.camera->playbackFPS = o.playbackFPS;
    spec.camera->width = o.width;
    spec.camera->height = o.height;
    spec.camera->bitDepth = o.bitDepth;
    spec.camera->colorCode = o.colorCode;
    spec.keys = {{QStringLiteral("com.dji.camera.ColorGammaSxS"), o.profile}};
    spec.realVideo = o.realVideo;
    spec.videoWidth = o.videoWidth;
    spec.videoHeight = o.videoHeight;
    QDir().mkpath(folder);
    const QString path = folder + u'/' + name;
    if (!fixture::writeClip(path, spec))
        return {};
    const QString stem = path.left(path.lastIndexOf(u'.'));
    for (const QString &ext : o.companions) {
        QFile f(stem + u'.' + ext);
        if (!f.open(QIODevice::WriteOnly) || f.write(QFileInfo(f).fileName().toUtf8()) < 0)
            return {};
    }
    return path;
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

QImage shoot(QWidget *widget, const QString &name)
{
    const QString dir = QCoreApplication::applicationDirPath() + QStringLiteral("/panel-shots");
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

} // namespace vidorra::paneltest
