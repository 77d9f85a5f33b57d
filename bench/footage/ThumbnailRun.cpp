// The decoded-frame thumbnail of a 4K clip without a cover: the cover loader's own work
// for one picture against `ffmpegthumbnailer -s 520` on the same file, with the file in
// the page cache for both. The clip is taken with its proxy beside it and without.
#include "preview/CoverLoader.h"
#include "ProcessStats.h"
#include "Report.h"
#include "Runs.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

namespace vidorra::bench {

namespace {

constexpr int kRounds = 5;

struct Timing {
    QList<double> wall, cpu;   // ms
    bool failed = false;
};

} // namespace

bool runThumbnail(const FootageCard &card)
{
    title(QStringLiteral("decoded-frame thumbnail of a 4K clip without a cover"));
    const QString tool = QStandardPaths::findExecutable(QStringLiteral("ffmpegthumbnailer"));
    if (tool.isEmpty()) {
        note(QStringLiteral("ffmpegthumbnailer is not installed (scripts/install-deps.sh)"));
        return false;
    }
    QTemporaryDir out;
    for (const bool proxy : {true, false}) {
        const QString path = proxy ? card.withProxy.at(1) : card.withoutProxy.at(1);
        Timing ours, theirs;
        QSize size;
        for (int round = 0; round <= kRounds; ++round) {   // the first round warms the caches
            QElapsedTimer clock;
            double cpu = threadCpuMs();
            clock.start();
            const std::optional<QImage> picture = CoverLoader::render(path, cardClipSeconds, nullptr);
            const double wall = clock.nsecsElapsed() / 1e6;
            cpu = threadCpuMs() - cpu;
            ours.failed = ours.failed || !picture;
            if (picture)
                size = picture->size();

            double childCpu = childrenCpuMs();
            clock.restart();
            const int code = QProcess::execute(tool, {QStringLiteral("-i"), path, QStringLiteral("-o"), out.filePath(QStringLiteral("theirs.png")),
                                                      QStringLiteral("-s"), QStringLiteral("520")});
            const double theirWall = clock.nsecsElapsed() / 1e6;
            childCpu = childrenCpuMs() - childCpu;
            theirs.failed = theirs.failed || code != 0;
            if (round == 0)
                continue;
            ours.wall.append(wall);
            ours.cpu.append(cpu);
            theirs.wall.append(theirWall);
            theirs.cpu.append(childCpu);
        }
        const QString which = proxy ? QStringLiteral("with proxy") : QStringLiteral("without proxy");
        if (ours.failed || theirs.failed)
            note(QStringLiteral("%1: %2 gave no picture").arg(which, ours.failed ? QStringLiteral("ours") : QStringLiteral("ffmpegthumbnailer")));
        const double ratio = percentile(ours.wall, 0.5) / std::max(1e-9, percentile(theirs.wall, 0.5));
        figure(QStringLiteral("%1: ours (%2x%3)").arg(which).arg(size.width()).arg(size.height()),
               QStringLiteral("%1 ms wall, %2 ms CPU (median of %3)").arg(percentile(ours.wall, 0.5), 0, 'f', 1).arg(percentile(ours.cpu, 0.5), 0, 'f', 1).arg(kRounds));
        figure(QStringLiteral("%1: ffmpegthumbnailer -s 520").arg(which),
               QStringLiteral("%1 ms wall, %2 ms CPU").arg(percentile(theirs.wall, 0.5), 0, 'f', 1).arg(percentile(theirs.cpu, 0.5), 0, 'f', 1));
        figure(QStringLiteral("%1: ratio ours/theirs, wall").arg(which), QString::number(ratio, 'f', 3), QStringLiteral("<= 0.25"), ratio <= 0.25);
    }
    return true;
}

} // namespace vidorra::bench
