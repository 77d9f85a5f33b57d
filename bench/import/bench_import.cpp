// bench_import [--gigabytes G] [--card DIR]: a card of camera-like 4K clips (10-bit HEVC
// at the camera's bit rate, each with its proxy) imported with the verified copy, against
// what a careful user does by hand (cp -r, then xxhsum -H2 of the card and of the copy)
// and against plain cp -r. The card is written once into the build folder and kept.
// Every run starts with the page cache dropped where the machine allows it (as root),
// and says so: a card read from memory is not a card read from a reader.
#include "CameraFootage.h"
#include "import/Importer.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>

#include <cstdio>
#include <unistd.h>

using namespace vidorra;

namespace {

QString loadAverage()
{
    QFile f(QStringLiteral("/proc/loadavg"));
    return f.open(QIODevice::ReadOnly) ? QString::fromLatin1(f.readAll()).section(u' ', 0, 2) : QStringLiteral("?");
}

// Writes the page cache back and drops it; false where that is not allowed.
bool dropCaches()
{
    ::sync();
    QFile f(QStringLiteral("/proc/sys/vm/drop_caches"));
    return f.open(QIODevice::WriteOnly) && f.write("3\n") == 2;
}

bool shell(const QString &script)
{
    QProcess p;
    p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    p.start(QStringLiteral("bash"), {QStringLiteral("-c"), script});
    return p.waitForFinished(-1) && p.exitCode() == 0;
}

QString quoted(const QString &path) { return u'\'' + QString(path).replace(u'\'', QLatin1String("'\\''")) + u'\''; }

// Writes the card once: clips of about 60 MB (4 s of 4K at 120 Mbit/s) with their proxies.
bool makeCard(const QString &card, qint64 bytes)
{
    const QString done = card + QStringLiteral("/.complete");
    const QByteArray want = QByteArray::number(bytes);
    QFile marker(done);
    if (marker.open(QIODevice::ReadOnly) && marker.readAll() == want)
        return true;
    QDir(card).removeRecursively();
    QString error;
    const auto streams = fixture::cameraFootage(fixture::Footage{}, fixture::defaultFootageCache(), &error);
    if (!streams) {
        std::fprintf(stderr, "no footage: %s\n", qPrintable(error));
        return false;
    }
    const QString folder = card + QStringLiteral("/DCIM/100MEDIA");
    QDir().mkpath(folder);
    qint64 written = 0;
    for (int n = 1; written < bytes; ++n) {
        fixture::ClipSpec spec;
        spec.fps = 30;
        spec.duration = 4;
        fixture::CameraSample cam;
        cam.colorCode = 2;
        spec.camera = cam;
        const QString clip = folder + QStringLiteral("/DJI_20240601%1_%2_D.MP4")
                                          .arg(120000 + n, 6, 10, QLatin1Char('0'))
                                          .arg(n, 4, 10, QLatin1Char('0'));
        if (!fixture::writeCameraClip(clip, spec, *streams, true, &error)) {
            std::fprintf(stderr, "cannot write the card: %s\n", qPrintable(error));
            return false;
        }
        written += QFileInfo(clip).size() + QFileInfo(clip.chopped(3) + QStringLiteral("LRF")).size();
    }
    QFile out(done);
    return out.open(QIODevice::WriteOnly) && out.write(want) == want.size();
}

struct Run {
    double seconds = 0;
    bool cold = false;
};

template <typename F>
Run timed(const QString &destination, F &&work)
{
    QDir(destination).removeRecursively();
    Run r;
    r.cold = dropCaches();
    QElapsedTimer clock;
    clock.start();
    work();
    r.seconds = clock.nsecsElapsed() / 1e9;
    QDir(destination).removeRecursively();
    return r;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    double gigabytes = 2.0;
    QString root = QCoreApplication::applicationDirPath() + QStringLiteral("/import-bench");
    for (int i = 1; i + 1 < args.size(); ++i) {
        if (args[i] == QLatin1String("--gigabytes"))
            gigabytes = args[++i].toDouble();
        else if (args[i] == QLatin1String("--card"))
            root = args[++i];
    }
    const QString card = root + QStringLiteral("/card");
    const QString out = root + QStringLiteral("/out");
    if (!makeCard(card, qint64(gigabytes * 1e9)))
        return 1;
    qint64 bytes = 0;
    const QList<ImportFile> files = cardFiles(card);
    for (const ImportFile &f : files)
        bytes += f.size;
    std::printf("card: %lld files, %.2f GB of camera-like 4K clips and proxies; load average %s\n",
                qlonglong(files.size()), bytes / 1e9, qPrintable(loadAverage()));

    for (int round = 1; round <= 2; ++round) {
        const Run ours = timed(out, [&] {
            const ImportPlan plan = planImport(Card{card, QStringLiteral("CARD")}, out, QStringLiteral("import"));
            const ImportOutcome result = runImport(plan, {});
            if (!result.failed.isEmpty() || result.filesCopied != files.size())
                std::fprintf(stderr, "import failed: %s\n", qPrintable(result.failed.join(u'\n')));
        });
        const QString copy = out + QStringLiteral("/copy");
        const Run manual = timed(out, [&] {
            shell(QStringLiteral("mkdir -p %1 && cp -r %2 %3 && (cd %2 && find . -type f ! -name .complete -print0 | "
                                 "xargs -0 xxhsum -H2 >/dev/null) && (cd %3 && find . -type f ! -name .complete "
                                 "-print0 | xargs -0 xxhsum -H2 >/dev/null)")
                      .arg(quoted(out), quoted(card), quoted(copy)));
        });
        const Run manualSynced = timed(out, [&] {
            shell(QStringLiteral("mkdir -p %1 && cp -r %2 %3 && (cd %2 && find . -type f ! -name .complete -print0 | "
                                 "xargs -0 xxhsum -H2 >/dev/null) && (cd %3 && find . -type f ! -name .complete "
                                 "-print0 | xargs -0 xxhsum -H2 >/dev/null) && sync")
                      .arg(quoted(out), quoted(card), quoted(copy)));
        });
        const Run plain = timed(out, [&] {
            shell(QStringLiteral("mkdir -p %1 && cp -r %2 %3").arg(quoted(out), quoted(card), quoted(copy)));
        });
        std::printf("round %d (caches %s), load average %s\n", round, ours.cold ? "dropped before each run" : "NOT dropped: the card may be read from memory",
                    qPrintable(loadAverage()));
        std::printf("  verified import            %6.1f s  %6.0f MB/s\n", ours.seconds, bytes / 1e6 / ours.seconds);
        std::printf("  cp -r + xxhsum of both     %6.1f s  ratio %.2f (target <= 1.0)\n", manual.seconds,
                    ours.seconds / manual.seconds);
        std::printf("  the same, then sync        %6.1f s  ratio %.2f\n", manualSynced.seconds,
                    ours.seconds / manualSynced.seconds);
        std::printf("  plain cp -r (unverified)   %6.1f s  ratio %.2f\n", plain.seconds, ours.seconds / plain.seconds);
        std::fflush(stdout);
    }
    return 0;
}
