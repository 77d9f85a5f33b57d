// Sixteen 4K clips playing in the intro mosaic, as the window shows them: per tile the
// frames shown and the longest wait for a new picture, the main thread's longest stall,
// and the process's resident memory sampled twice a second.
#include "ui/intro/ChaosTile.h"
#include "preview/FrameSource.h"
#include "ui/intro/IntroMosaic.h"
#include "MainThreadPulse.h"
#include "ProcessStats.h"
#include "Report.h"
#include "Runs.h"
#include "preview/TilePlayer.h"
#include "library/Scan.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QPointer>
#include <QTimer>
#include <algorithm>
#include <ctime>
#include <vector>

namespace vidorra::bench {

namespace {

// New pictures of one tile: its player may be replaced while the mosaic plays, so the
// tile is watched, not one player.
struct TileWatch {
    QPointer<FrameSource> source;
    qint64 frames = 0;
    double first = -1, last = -1, longestGap = 0;   // seconds since the clips were set
    std::vector<double> shown;                        // when each picture came
};

// The longest time `w` went without a new picture from `from` seconds on (to `end`).
double longestGapFrom(const TileWatch &w, double from, double end)
{
    double longest = 0, previous = from;
    for (const double at : w.shown) {
        if (at < from)
            continue;
        longest = std::max(longest, at - previous);
        previous = at;
    }
    return std::max(longest, end - previous);
}

double cpuSeconds(clockid_t which)
{
    timespec ts{};
    clock_gettime(which, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) / 1e9;
}

// Mean resident memory of the samples taken in [from, to) seconds.
double meanBetween(const std::vector<std::pair<double, double>> &samples, double from, double to)
{
    QList<double> in;
    for (const auto &[at, mib] : samples)
        if (at >= from && at < to)
            in.append(mib);
    return mean(in);
}

} // namespace

bool runTiles(const FootageCard &card, bool proxies, double minutes)
{
    const QStringList &paths = proxies ? card.withProxy : card.withoutProxy;
    title(QStringLiteral("16 tiles of 4K clips %1, %2 min").arg(proxies ? QStringLiteral("with proxies") : QStringLiteral("without proxies")).arg(minutes));
    QList<Planned> clips;
    for (const QString &path : paths)
        clips.append(analyze(path, true));

    IntroMosaic mosaic;
    mosaic.resize(mosaicWidth, mosaicHeight);
    mosaic.show();
    MainThreadPulse pulse;
    pulse.restart();
    runEvents(3000);
    const double floor = pulse.longestMs();
    const double rssBefore = residentMiB();

    QElapsedTimer clock;
    clock.start();
    const double cpu0 = cpuSeconds(CLOCK_PROCESS_CPUTIME_ID), main0 = cpuSeconds(CLOCK_THREAD_CPUTIME_ID);
    mosaic.setClips(clips);
    pulse.restart();
    const QList<ChaosTile *> tiles = mosaic.tiles();
    std::vector<TileWatch> watch(size_t(tiles.size()));
    auto attach = [&] {
        for (qsizetype i = 0; i < tiles.size(); ++i) {
            FrameSource *source = tiles[i]->tile();
            TileWatch &w = watch[size_t(i)];
            if (!source || w.source == source)
                continue;
            w.source = source;
            QObject::connect(source, &FrameSource::frameChanged, &mosaic, [&w, &clock] {
                const double now = clock.nsecsElapsed() / 1e9;
                if (w.last >= 0)
                    w.longestGap = std::max(w.longestGap, now - w.last);
                else
                    w.first = now;
                w.last = now;
                ++w.frames;
                w.shown.push_back(now);
            });
        }
    };
    attach();
    QTimer rewatch;
    QObject::connect(&rewatch, &QTimer::timeout, attach);
    rewatch.start(100);
    std::vector<std::pair<double, double>> memory;
    QTimer sampler;
    QObject::connect(&sampler, &QTimer::timeout, [&] { memory.emplace_back(clock.nsecsElapsed() / 1e9, residentMiB()); });
    sampler.start(500);

    runEvents(int(minutes * 60000));
    const double elapsed = clock.nsecsElapsed() / 1e9;
    const double stall = pulse.longestMs();
    const double cpu = cpuSeconds(CLOCK_PROCESS_CPUTIME_ID) - cpu0, mainCpu = cpuSeconds(CLOCK_THREAD_CPUTIME_ID) - main0;
    sampler.stop();
    rewatch.stop();

    QList<double> rates, gaps, firsts;
    for (TileWatch &w : watch) {
        rates.append(double(w.frames) / elapsed);
        // A tile that stopped for good waits until the end; one that never showed a
        // picture waited all along.
        gaps.append(w.last >= 0 ? std::max(w.longestGap, elapsed - w.last) : elapsed);
        firsts.append(w.first >= 0 ? w.first : elapsed);
    }
    double peak = 0;
    for (const auto &[at, mib] : memory)
        peak = std::max(peak, mib);
    // Growth over the last minute (or the last half of a shorter run), from the mean of
    // ten seconds of samples at each end, so that one sample's noise does not count.
    const double span = std::min(60.0, elapsed / 2);
    const double growth = meanBetween(memory, elapsed - 10, elapsed + 1) - meanBetween(memory, elapsed - span - 10, elapsed - span);

    if (tiles.size() != cardTiles)
        note(QStringLiteral("warning: the mosaic shows %1 tiles, not %2").arg(tiles.size()).arg(cardTiles));
    QList<int> widths;
    for (ChaosTile *t : tiles)
        if (!widths.contains(t->width()))
            widths.append(t->width());
    std::sort(widths.begin(), widths.end());
    QStringList sizes;
    for (int w : widths)
        for (ChaosTile *t : tiles)
            if (t->width() == w) {
                sizes.append(QStringLiteral("%1x%2").arg(t->width()).arg(t->height()));
                break;
            }
    note(QStringLiteral("%1 tiles playing in a %2x%3 mosaic, tiles of %4, for %5 s")
             .arg(tiles.size()).arg(mosaicWidth).arg(mosaicHeight).arg(sizes.join(QStringLiteral(", "))).arg(elapsed, 0, 'f', 0));

    const double meanRate = mean(rates), minRate = percentile(rates, 0), longestGap = percentile(gaps, 1);
    // The same once every tile has shown its first picture: start-up apart from the sharing.
    const double allPlaying = percentile(firsts, 1);
    double longestPlaying = 0;
    for (const TileWatch &w : watch)
        longestPlaying = std::max(longestPlaying, longestGapFrom(w, allPlaying, elapsed));
    const QString playingGap = QStringLiteral("longest time a tile went without a new picture once all had shown one");
    if (proxies) {
        figure(QStringLiteral("frames shown per second per tile, mean"), QString::number(meanRate, 'f', 1),
               QStringLiteral(">= 12 at clip rate 30"), meanRate >= 12);
        figure(QStringLiteral("frames shown per second per tile, least"), QString::number(minRate, 'f', 1),
               QStringLiteral(">= 8"), minRate >= 8);
        figure(QStringLiteral("longest time a tile went without a new picture"), QStringLiteral("%1 s").arg(longestGap, 0, 'f', 2));
        figure(playingGap, QStringLiteral("%1 s").arg(longestPlaying, 0, 'f', 2));
    } else {
        figure(QStringLiteral("frames shown per second per tile"),
               QStringLiteral("mean %1, least %2 (clip rate 30)").arg(meanRate, 0, 'f', 1).arg(minRate, 0, 'f', 1));
        figure(QStringLiteral("longest time a tile went without a new picture"), QStringLiteral("%1 s").arg(longestGap, 0, 'f', 2),
               QStringLiteral("<= 2 s"), longestGap <= 2);
        figure(playingGap, QStringLiteral("%1 s").arg(longestPlaying, 0, 'f', 2), QStringLiteral("<= 2 s"), longestPlaying <= 2);
    }
    figure(QStringLiteral("slowest tile's first picture"), QStringLiteral("%1 s after the clips were set").arg(percentile(firsts, 1), 0, 'f', 2));
    figure(QStringLiteral("main thread's longest stall"), QStringLiteral("%1 ms (idle floor now %2 ms)").arg(stall, 0, 'f', 1).arg(floor, 0, 'f', 1),
           QStringLiteral("<= 50 ms"), stall <= 50);
    const double memoryTarget = proxies ? 600 : 800;
    figure(QStringLiteral("peak resident memory"), QStringLiteral("%1 MB (%2 MB before the tiles)").arg(peak, 0, 'f', 0).arg(rssBefore, 0, 'f', 0),
           QStringLiteral("<= %1 MB").arg(memoryTarget), peak <= memoryTarget);
    figure(QStringLiteral("resident memory growth over the last %1 s").arg(span, 0, 'f', 0),
           QStringLiteral("%1%2 MB").arg(growth >= 0 ? QStringLiteral("+") : QString()).arg(growth, 0, 'f', 1),
           QStringLiteral("flat: within 16 MB"), std::abs(growth) <= 16);
    figure(QStringLiteral("CPU"), QStringLiteral("%1 cores busy, main thread %2").arg(cpu / elapsed, 0, 'f', 2).arg(mainCpu / elapsed, 0, 'f', 3));

    mosaic.setClips({});
    return true;
}

} // namespace vidorra::bench
