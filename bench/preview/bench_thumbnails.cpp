// Thumbnails of 4K fixture clips, half with an embedded cover and half needing a decoded
// frame: our loader against `ffmpegthumbnailer -s 520` on the same files.
#include "preview/CoverLoader.h"
#include "ProcessStats.h"

#include <ClipFixture.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <vector>

using namespace vidorra;
using vidorra::bench::childrenCpuMs;
using vidorra::bench::threadCpuMs;

namespace {

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0.0 : v[v.size() / 2];
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QString tool = QStandardPaths::findExecutable(QStringLiteral("ffmpegthumbnailer"));
    if (tool.isEmpty()) {
        std::fprintf(stderr, "ffmpegthumbnailer is not installed (scripts/install-deps.sh)\n");
        return 1;
    }
    QTemporaryDir dir;
    const int clips = qEnvironmentVariableIntValue("VIDORRA_BENCH_CLIPS") > 0
        ? qEnvironmentVariableIntValue("VIDORRA_BENCH_CLIPS") : 8;
    const double duration = 4.0;
    std::vector<QString> paths;
    std::printf("writing %d 4K clips (3840x2160 H.264, %.0f s at 30 fps)...\n", clips, duration);
    std::fflush(stdout);
    const QByteArray cover = fixture::sampleCoverJpeg(1280, 720);
    for (int i = 0; i < clips; ++i) {
        fixture::ClipSpec spec;
        spec.realVideo = true;
        spec.duration = duration;
        if (i % 2 == 0)
            spec.cover = cover;
        const QString path = dir.filePath(QStringLiteral("DJI_%1.MP4").arg(i, 4, 10, QLatin1Char('0')));
        if (!fixture::writeClip(path, spec)) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
            return 1;
        }
        paths.push_back(path);
    }

    const int rounds = 3;
    std::vector<double> oursCover, oursFrame, oursCpuCover, oursCpuFrame, theirsWall, theirsCpu;
    int failures = 0;
    for (int round = 0; round < rounds + 1; ++round) {   // the first round warms the file cache
        for (int i = 0; i < clips; ++i) {
            QElapsedTimer timer;
            const double cpu0 = threadCpuMs();
            timer.start();
            const std::optional<QImage> picture = CoverLoader::render(paths[size_t(i)], duration, nullptr);
            const double wall = timer.nsecsElapsed() / 1e6;
            const double cpu = threadCpuMs() - cpu0;
            if (!picture || std::max(picture->width(), picture->height()) > 520)
                ++failures;

            const QString out = dir.filePath(QStringLiteral("theirs_%1.png").arg(i));
            const double child0 = childrenCpuMs();
            timer.restart();
            const int code = QProcess::execute(tool, {QStringLiteral("-i"), paths[size_t(i)], QStringLiteral("-o"), out,
                                                      QStringLiteral("-s"), QStringLiteral("520")});
            const double theirWall = timer.nsecsElapsed() / 1e6;
            const double theirCpu = childrenCpuMs() - child0;
            if (code != 0)
                ++failures;
            if (round == 0)
                continue;
            (i % 2 == 0 ? oursCover : oursFrame).push_back(wall);
            (i % 2 == 0 ? oursCpuCover : oursCpuFrame).push_back(cpu);
            theirsWall.push_back(theirWall);
            theirsCpu.push_back(theirCpu);
        }
    }

    // Through the loader as the window uses it: every clip at once, four at a time.
    std::vector<double> loaderRounds;
    for (int round = 0; round < rounds; ++round) {
        CoverLoader::clearCache();
        QElapsedTimer all;
        all.start();
        int arrived = 0;
        for (const QString &path : paths)
            CoverLoader::load(path, duration, nullptr, &app, [&](const std::optional<QImage> &) {
                if (++arrived == clips)
                    app.quit();
            });
        app.exec();
        loaderRounds.push_back(all.nsecsElapsed() / 1e6 / clips);
    }
    const double loaderPerClip = median(loaderRounds);
    std::vector<double> ours = oursCover;
    ours.insert(ours.end(), oursFrame.begin(), oursFrame.end());
    std::vector<double> oursCpu = oursCpuCover;
    oursCpu.insert(oursCpu.end(), oursCpuFrame.begin(), oursCpuFrame.end());
    auto mean = [](const std::vector<double> &v) {
        double s = 0;
        for (double x : v)
            s += x;
        return v.empty() ? 0.0 : s / double(v.size());
    };
    std::printf("thumbnails of %d 4K clips, half with covers, %d rounds (per clip)\n", clips, rounds);
    std::printf("                                  wall ms    cpu ms\n");
    std::printf("  ours, embedded cover (median):  %8.1f  %8.1f\n", median(oursCover), median(oursCpuCover));
    std::printf("  ours, decoded frame (median):   %8.1f  %8.1f\n", median(oursFrame), median(oursCpuFrame));
    std::printf("  ours, mean over all clips:      %8.1f  %8.1f\n", mean(ours), mean(oursCpu));
    std::printf("  ffmpegthumbnailer -s 520, mean: %8.1f  %8.1f\n", mean(theirsWall), mean(theirsCpu));
    std::printf("  ratio ours/theirs (mean):       %8.3f  %8.3f   (target <= 0.25)\n",
                mean(ours) / mean(theirsWall), mean(oursCpu) / mean(theirsCpu));
    std::printf("  through CoverLoader::load, all clips at once: %.1f ms wall per clip (median of %d)\n", loaderPerClip, rounds);
    std::printf("  failures: %d\n", failures);
    return failures ? 1 : 0;
}
