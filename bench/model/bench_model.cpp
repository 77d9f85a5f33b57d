// Loads a generated card of clips through the model, the way the window does, and
// reports: the time from load to the scan's end, how much of the main thread's time
// went into applying updates and rebuilding the library (target: under 10% of the
// wall time), and the peak resident memory. As a peer measured in the same run, the
// library's plain sequential scan of the same card.
//
//   bench_model [clips=10000]

#include "model/Model.h"

#include "ClipFixture.h"
#include "ProcessStats.h"
#include "library/Scan.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <ctime>

using namespace vidorra;
using vidorra::bench::peakMiB;

namespace {

// A card like a camera's after a few trips: nested day folders of 100 clips each, in
// a mix of resolutions, rates and profiles, with a few clips from other cameras.
void writeCard(const QString &root, int count)
{
    QList<QByteArray> kinds;
    fixture::ClipSpec uhd;
    kinds.append(fixture::buildClip(uhd));
    fixture::ClipSpec hd;
    hd.width = hd.camera->width = 1920;
    hd.height = hd.camera->height = 1080;
    kinds.append(fixture::buildClip(hd));
    fixture::ClipSpec slow;
    slow.camera->captureFPS = 120;
    kinds.append(fixture::buildClip(slow));
    fixture::ClipSpec normal;
    normal.camera->colorCode = 0;
    normal.camera->bitDepth = 8;
    normal.keys.clear();
    kinds.append(fixture::buildClip(normal));
    fixture::ClipSpec foreign;
    foreign.camera.reset();
    foreign.keys.clear();
    kinds.append(fixture::buildClip(foreign));

    for (int n = 0; n < count; ++n) {
        const QString folder = QStringLiteral("%1/DCIM/%2/DAY%3").arg(root).arg(100 + n / 1000).arg(n / 100 % 10);
        if (n % 100 == 0)
            QDir().mkpath(folder);
        QFile f(QStringLiteral("%1/DJI_20240131%2_%3_D.MP4").arg(folder).arg(n % 1000000, 6, 10, QLatin1Char('0')).arg(n % 10000, 4, 10, QLatin1Char('0')));
        if (!f.open(QIODevice::WriteOnly)) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(f.fileName()));
            std::exit(2);
        }
        f.write(kinds[n % 50 == 49 ? 4 : n % 4]);
    }
}

// CPU time of the calling thread, in nanoseconds: unlike wall time it does not grow
// while other processes hold the cores.
qint64 threadCpuNs()
{
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return qint64(ts.tv_sec) * 1000000000 + ts.tv_nsec;
}

} // namespace

int main(int argc, char **argv)
{
    // Settings and the trash stay inside a temporary folder: load remembers the folder.
    QTemporaryDir sandbox;
    for (const char *var : {"XDG_CONFIG_HOME", "XDG_DATA_HOME"}) {
        const QString dir = sandbox.filePath(QString::fromLatin1(var));
        QDir().mkpath(dir);
        qputenv(var, dir.toUtf8());
    }
    QCoreApplication app(argc, argv);
    const int count = argc > 1 ? std::atoi(argv[1]) : 10000;
    const QString card = sandbox.filePath(QStringLiteral("card"));

    QElapsedTimer clock;
    clock.start();
    writeCard(card, count);
    const qint64 writeMs = clock.elapsed();
    (void)collect({card}); // warm the directory cache as a card that was just opened

    // The peer runs before and after the model's load; the faster run counts, so
    // neither side pays alone for a cold cache or a busy moment.
    clock.restart();
    const ScanResult sequential = scan({card});
    qint64 sequentialNs = clock.nsecsElapsed();

    Model model;
    int updates = 0;
    QObject::connect(&model, &Model::scanDoneChanged, [&] { ++updates; });
    QObject::connect(&model, &Model::scanEnded, &app, &QCoreApplication::quit);
    clock.restart();
    const qint64 cpuStart = threadCpuNs();
    const double baseMiB = peakMiB();
    model.load({card});
    app.exec();
    const qint64 wallNs = clock.nsecsElapsed();
    const qint64 mainCpuNs = threadCpuNs() - cpuStart;
    const double modelPeakMiB = peakMiB();
    const qsizetype loaded = model.result() ? model.result()->items.size() : 0;

    clock.restart();
    (void)scan({card});
    sequentialNs = std::min(sequentialNs, clock.nsecsElapsed());

    const double wallMs = wallNs / 1e6;
    const double updateMs = model.scanUpdateNanoseconds() / 1e6;
    const double rebuildMs = model.rebuildNanoseconds() / 1e6;
    const double share = 100.0 * model.scanUpdateNanoseconds() / double(wallNs);
    std::printf("card: %d clips written in %lld ms; %lld loaded, %lld in the sequential scan\n",
                count, (long long)writeMs, (long long)loaded, (long long)sequential.items.size());
    std::printf("load to scan end:        %9.1f ms (%.0f clips/s), %d updates\n", wallMs,
                loaded / (wallMs / 1000.0), updates);
    std::printf("peer, sequential scan:   %9.1f ms; speed of the model load against it: %.2fx\n", sequentialNs / 1e6,
                double(sequentialNs) / double(wallNs));
    std::printf("main thread, updates:    %9.1f ms, of which rebuilding the library %.1f ms\n", updateMs,
                rebuildMs);
    std::printf("main-thread share:       %9.2f %% of wall time (target < 10 %%): %s\n", share,
                share < 10.0 ? "met" : "MISSED");
    std::printf("main-thread CPU time:    %9.1f ms, %.2f %% of wall time (the whole load, event loop included)\n",
                mainCpuNs / 1e6, 100.0 * mainCpuNs / double(wallNs));
    std::printf("peak memory (VmHWM):     %9.1f MiB (%.1f MiB before loading)\n", modelPeakMiB, baseMiB);
    return loaded == count ? 0 : 1;
}
