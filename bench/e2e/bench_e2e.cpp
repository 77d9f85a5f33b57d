// End-to-end start of the real application on a big card, the way a user's launch runs:
// the one-instance check, VidorraApp's launch with the card as its argument, the window
// on a display (run it under xvfb-run). It prints
//   - the time from the start of main() to the first pile painted on the piles face,
//   - the time to the model's scan end,
//   - the peak resident memory (VmHWM) of the run,
//   - the CPU time the whole process spent from its start to the scan end,
// and, as the floor measured in the same run, the library's plain scan() of the same card
// (done first in a child process, best of three, which also warms the file cache), in
// wall time and in CPU time. The CPU ratio does not depend on how busy the machine is:
// it is what the window's share of a scan costs, whether or not a core is free for it.
//
//   bench_e2e CARD [--keep-open SECONDS]
//
// The run uses a temporary home, with the preference "skipIntro" set so the scan lands
// on the piles face at once (otherwise it waits on the intro for the user's click).

#include "PrivateHome.h"
#include "ProcessStats.h"
#include "app/SingleInstance.h"
#include "app/VidorraApp.h"
#include "library/Scan.h"
#include "model/Model.h"
#include "model/Preferences.h"
#include "ui/window/MainWindow.h"
#include "ui/piles/PileCard.h"
#include "ui/piles/PileList.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <optional>
#include <sys/wait.h>
#include <unistd.h>

using namespace vidorra;
using vidorra::bench::cpuByThread;
using vidorra::bench::peakMiB;

namespace {

struct Floor {
    double scanMs = -1;
    double scanCpuMs = -1; // the least CPU time of the three scans, all threads
    long long clips = -1;
};

// CPU time of this process so far (every thread, ended ones included), in ms.
double processCpuMs()
{
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return double(ts.tv_sec) * 1e3 + double(ts.tv_nsec) / 1e6;
}

// The library's plain scan of the card, best of three after one warm-up, in a child
// process so that its memory never counts toward the application's peak. Forked
// before any thread exists.
Floor measureFloor(const QString &card)
{
    int fds[2];
    if (pipe(fds) != 0)
        return {};
    const pid_t child = fork();
    if (child < 0)
        return {};
    if (child == 0) {
        close(fds[0]);
        Floor f;
        f.clips = scan({card}).items.size(); // warm-up: the cache holds the card afterwards
        f.scanMs = 1e300;
        f.scanCpuMs = 1e300;
        for (int i = 0; i < 3; ++i) {
            QElapsedTimer t;
            t.start();
            const double cpu = processCpuMs();
            const ScanResult r = scan({card});
            f.scanMs = std::min(f.scanMs, t.nsecsElapsed() / 1e6);
            f.scanCpuMs = std::min(f.scanCpuMs, processCpuMs() - cpu);
        }
        const bool ok = write(fds[1], &f, sizeof f) == ssize_t(sizeof f);
        _exit(ok ? 0 : 1);
    }
    close(fds[1]);
    Floor f;
    if (read(fds[0], &f, sizeof f) != ssize_t(sizeof f))
        f = {};
    close(fds[0]);
    waitpid(child, nullptr, 0);
    return f;
}

// Notes the first paint of a pile card while the window shows its piles.
class FirstPileWatch : public QObject {
public:
    FirstPileWatch(const QElapsedTimer &clock) : clock(clock) {}
    MainWindow *window = nullptr;
    std::optional<double> paintedMs;
    int pilesAtPaint = 0;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (paintedMs || event->type() != QEvent::Paint || !window)
            return false;
        auto *pile = qobject_cast<PileCard *>(watched);
        if (pile && pile->window() == window && !window->introShown() && window->pileList()->isVisible()
            && pile->isVisible()) {
            paintedMs = clock.nsecsElapsed() / 1e6;
            pilesAtPaint = int(window->pileList()->cards().size());
        }
        return false;
    }

private:
    const QElapsedTimer &clock;
};

} // namespace

int main(int argc, char **argv)
{
    QElapsedTimer clock;
    clock.start();

    if (argc < 2) {
        std::fprintf(stderr, "usage: bench_e2e CARD [--keep-open SECONDS]\n");
        return 2;
    }
    const QString card = QFileInfo(QString::fromLocal8Bit(argv[1])).absoluteFilePath();
    double keepOpen = 1.0;
    if (argc > 3 && QByteArray(argv[2]) == "--keep-open")
        keepOpen = std::max(0.0, atof(argv[3]));
    if (!QFileInfo(card).isDir()) {
        std::fprintf(stderr, "bench_e2e: no card folder at %s\n", qPrintable(card));
        return 2;
    }

    QFile loadavg(QStringLiteral("/proc/loadavg"));
    const QByteArray loadBefore = loadavg.open(QIODevice::ReadOnly) ? loadavg.readAll().split(' ').first() : "?";

    // The floor first: it also warms the file cache for the application's scan.
    const Floor floor = measureFloor(card);
    if (floor.scanMs < 0) {
        std::fprintf(stderr, "bench_e2e: the plain scan did not report\n");
        return 1;
    }

    // A home of its own: the user's settings, trash and running instance stay untouched.
    const bench::PrivateHome home(QStringLiteral("e2e"));
    if (!home.isValid())
        return 1;

    clock.restart(); // the application's start, as main() of `vidorra` begins
    const double cpuAtStart = processCpuMs();
    QApplication app(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("Vidorra"));
    QCoreApplication::setApplicationName(QStringLiteral("Vidorra"));
    QCoreApplication::setApplicationVersion(QStringLiteral(VIDORRA_VERSION));
    QGuiApplication::setDesktopFileName(QStringLiteral("app.vidorra.Vidorra"));
    Preferences::setSkipIntro(true);

    SingleInstance instance(QStringLiteral("vidorra-e2e-%1").arg(QCoreApplication::applicationPid()));
    if (instance.handOver({card}))
        return 1;
    instance.listen();

    FirstPileWatch watch(clock);
    app.installEventFilter(&watch);

    VidorraApp vidorra;
    Model *model = vidorra.model();
    std::optional<double> scanStartMs, scanEndMs;
    double peakAtScanEnd = -1;
    double cpuToScanEnd = -1;
    QMap<QString, double> cpuAtScanEnd;
    QObject::connect(model, &Model::scanningChanged, &app, [&] {
        if (model->scanning() && !scanStartMs)
            scanStartMs = clock.nsecsElapsed() / 1e6;
    });
    QStringList timeline; // when the window received each step of the scan
    QObject::connect(model, &Model::scanTotalChanged, &app, [&] {
        if (model->scanTotal() > 0)
            timeline << QStringLiteral("collected %1").arg(clock.nsecsElapsed() / 1e6, 0, 'f', 0);
    });
    QObject::connect(model, &Model::scanDoneChanged, &app, [&] {
        timeline << QStringLiteral("%1 at %2").arg(model->scanDone()).arg(clock.nsecsElapsed() / 1e6, 0, 'f', 0);
    });
    QObject::connect(model, &Model::scanEnded, &app, [&] {
        if (scanEndMs)
            return;
        scanEndMs = clock.nsecsElapsed() / 1e6;
        peakAtScanEnd = peakMiB();
        cpuToScanEnd = processCpuMs() - cpuAtStart;
        cpuAtScanEnd = cpuByThread();
    });

    vidorra.launch({card});
    watch.window = vidorra.window();

    // Runs until both moments were seen, then keeps the window open a little longer so
    // the pictures of the visible piles load and count toward the peak.
    QTimer check;
    QObject::connect(&check, &QTimer::timeout, &app, [&] {
        if (!(scanEndMs && watch.paintedMs))
            return;
        check.stop();
        QTimer::singleShot(int(keepOpen * 1000), &app, [&] { vidorra.window()->close(); });
    });
    check.start(10);
    QTimer::singleShot(120000, &app, [&] {
        std::fprintf(stderr, "bench_e2e: gave up after 120 s\n");
        QCoreApplication::exit(1);
    });
    const int rc = app.exec();

    const double peak = peakMiB();
    const long long clips = model->result() ? model->result()->items.size() : -1;
    std::printf("card: %s\n", qPrintable(card));
    std::printf("machine: %d cores, load average %s before the run (figures on a busy machine say little)\n",
                QThread::idealThreadCount(), loadBefore.constData());
    std::printf("clips: %lld in the application, %lld in the plain scan\n", clips, floor.clips);
    if (watch.paintedMs)
        std::printf("first piles: %9.1f ms from start (%d piles on the face; target 2000 ms: %s)\n",
                    *watch.paintedMs, watch.pilesAtPaint, *watch.paintedMs <= 2000 ? "met" : "MISSED");
    else
        std::printf("first piles: never painted\n");
    if (scanEndMs) {
        const double ratio = *scanEndMs / floor.scanMs;
        const double started = scanStartMs.value_or(0);
        std::printf("scan end:    %9.1f ms from start (scan started at %.1f ms, so %.1f ms of scanning: %.2f x the plain scan)\n",
                    *scanEndMs, started, *scanEndMs - started, (*scanEndMs - started) / floor.scanMs);
        std::printf("plain scan:  %9.1f ms (library scan() of the same card, best of 3, warm cache)\n",
                    floor.scanMs);
        std::printf("ratio scan end / plain scan: %.2f (target 1.5: %s)\n", ratio, ratio <= 1.5 ? "met" : "MISSED");
        const double cpuRatio = cpuToScanEnd / floor.scanCpuMs;
        std::printf("CPU time:    %9.1f ms for the whole process from start to scan end, %.1f ms for the plain scan\n",
                    cpuToScanEnd, floor.scanCpuMs);
        std::printf("ratio CPU to scan end / plain scan CPU: %.2f (target 1.5: %s)\n", cpuRatio,
                    cpuRatio <= 1.5 ? "met" : "MISSED");
    } else {
        std::printf("scan end: never reached\n");
    }
    QStringList cpu;
    for (auto it = cpuAtScanEnd.cbegin(); it != cpuAtScanEnd.cend(); ++it)
        cpu << QStringLiteral("%1 %2 ms").arg(it.key()).arg(it.value(), 0, 'f', 0);
    std::printf("scan steps (ms from start): %s\n", qPrintable(timeline.join(QStringLiteral(", "))));
    std::printf("CPU time by thread at scan end: %s\n", qPrintable(cpu.join(QStringLiteral(", "))));
    std::printf("peak memory: %.1f MiB at scan end, %.1f MiB at exit (target 500 MB: %s)\n", peakAtScanEnd, peak,
                peak * 1.048576 < 500 ? "met" : "MISSED");
    return rc == 0 && scanEndMs && watch.paintedMs && clips == floor.clips ? 0 : 1;
}
