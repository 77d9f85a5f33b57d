// Sixteen tiles looping 1080p fixture clips at once, shown in a window: frames shown per
// second per tile against the clips' 30 fps, and the main thread's longest stall
// (target: none over 50 ms).
#include "ui/frames/FrameView.h"
#include "MainThreadPulse.h"
#include "preview/TilePlayer.h"

#include <ClipFixture.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QGridLayout>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <ctime>

using namespace vidorra;

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir dir;
    const double duration = 4.0, fps = 30.0;
    const int seconds = qEnvironmentVariableIntValue("VIDORRA_BENCH_SECONDS") > 0
        ? qEnvironmentVariableIntValue("VIDORRA_BENCH_SECONDS") : 8;
    std::printf("writing 16 1080p clips (1920x1080 H.264, %.0f s at %.0f fps)...\n", duration, fps);
    std::fflush(stdout);
    std::vector<QString> paths;
    for (int i = 0; i < TilePlayer::limit; ++i) {
        fixture::ClipSpec spec;
        spec.realVideo = true;
        spec.width = 1920;
        spec.height = 1080;
        spec.fps = fps;
        spec.duration = duration;
        const QString path = dir.filePath(QStringLiteral("tile_%1.mp4").arg(i));
        if (!fixture::writeClip(path, spec)) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
            return 1;
        }
        paths.push_back(path);
    }

    // The main thread's pulse, measured first with the window idle (the floor this machine
    // gives right now), then with the tiles playing, skipping the first second of each
    // phase (start-up).
    bench::MainThreadPulse pulse;
    QElapsedTimer clock;
    clock.start();
    auto runFor = [&](int ms) {
        pulse.restart();
        // A loop of its own: quitting the application's would close the window.
        QEventLoop loop;
        QTimer::singleShot(ms, &loop, &QEventLoop::quit);
        loop.exec();
        return pulse.longestMs();
    };

    QWidget window;
    auto *grid = new QGridLayout(&window);
    grid->setSpacing(4);
    std::vector<TilePlayerView *> views;
    for (int i = 0; i < TilePlayer::limit; ++i) {
        auto *view = new TilePlayerView(&window);
        view->setFixedSize(320, 180);
        grid->addWidget(view, i / 4, i % 4);
        views.push_back(view);
    }
    window.show();
    const double floor = runFor(3000);

    std::vector<std::unique_ptr<TilePlayer>> tiles;
    for (int i = 0; i < TilePlayer::limit; ++i) {
        tiles.push_back(TilePlayer::create(paths[size_t(i)], duration));
        views[size_t(i)]->setPlayer(tiles.back().get());
    }
    timespec cpu0{}, main0{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &cpu0);
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &main0);
    const qint64 start = clock.nsecsElapsed();
    const double stall = runFor(seconds * 1000);
    const double elapsed = (clock.nsecsElapsed() - start) / 1e9;
    timespec cpu1{}, main1{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &cpu1);
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &main1);
    const double mainCpu = double(main1.tv_sec - main0.tv_sec) + double(main1.tv_nsec - main0.tv_nsec) / 1e9;
    const double cpu = double(cpu1.tv_sec - cpu0.tv_sec) + double(cpu1.tv_nsec - cpu0.tv_nsec) / 1e9;

    std::vector<double> rates;
    for (auto &tile : tiles) {
        rates.push_back(double(tile->framesShown()) / elapsed);
        tile->stop();
    }
    std::sort(rates.begin(), rates.end());
    double sum = 0;
    for (double r : rates)
        sum += r;
    std::printf("16 tiles of 1080p clips at %.0f fps, shown at 320x180, for %.1f s\n", fps, elapsed);
    std::printf("  frames shown per second per tile: min %.1f, mean %.1f, max %.1f (clip rate %.0f)\n",
                rates.front(), sum / double(rates.size()), rates.back(), fps);
    std::printf("  mean ratio to the clip rate:      %.2f\n", sum / double(rates.size()) / fps);
    std::printf("  main thread's longest stall:      %.1f ms (target <= 50 ms)\n", stall);
    std::printf("  the same with the window idle:    %.1f ms (this machine's floor now; ratio %.2f)\n",
                floor, floor > 0 ? stall / floor : 0.0);
    std::printf("  process CPU:                      %.2f cores busy, main thread %.3f\n", cpu / elapsed,
                mainCpu / elapsed);
    return 0;
}
