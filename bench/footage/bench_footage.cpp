// The picture paths on camera-like footage (3840x2160 10-bit HEVC at 120 Mbit/s with
// 1280x720 H.264 proxies), each figure printed with its target:
//
//   tiles      16 clips with proxies in the intro mosaic: frames shown per tile, stalls,
//              resident memory and its growth
//   noproxy    the same clips without proxies: the longest wait for a new picture, stalls,
//              memory
//   scrub      hover scrubbing across a clip card: pointer move to new frame
//   thumbnail  decoded-frame thumbnail against ffmpegthumbnailer
//   preview    the full-size preview of a D-Log clip, Color off and on
//
//   bench_footage [--only PART[,PART...]] [--minutes M] [--card DIR]
//
// --minutes sets the length of each tile run (3 by default); --card keeps the card in DIR
// (written there once) instead of a temporary folder. With more than one part, each runs
// in a process of its own so that no part's memory counts against another.
#include "FootageCard.h"
#include "PrivateHome.h"
#include "ProcessStats.h"
#include "Report.h"
#include "Runs.h"

#include <QApplication>
#include <QDir>
#include <QProcess>
#include <QThread>
#include <QTemporaryDir>
#include <cstdio>

extern "C" {
#include <libavutil/log.h>
}

using namespace vidorra;
using namespace vidorra::bench;

namespace {

const QStringList kParts = {QStringLiteral("tiles"), QStringLiteral("noproxy"), QStringLiteral("scrub"),
                            QStringLiteral("thumbnail"), QStringLiteral("preview")};

int usage()
{
    std::fprintf(stderr, "usage: bench_footage [--only %s] [--minutes M] [--card DIR]\n",
                 qPrintable(kParts.join(QLatin1Char('|'))));
    return 2;
}

bool runPart(const QString &part, const FootageCard &card, double minutes)
{
    if (part == QLatin1String("tiles"))
        return runTiles(card, true, minutes);
    if (part == QLatin1String("noproxy"))
        return runTiles(card, false, minutes);
    if (part == QLatin1String("scrub"))
        return runScrub(card);
    if (part == QLatin1String("thumbnail"))
        return runThumbnail(card);
    return runPreview(card);
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    PrivateHome home(QStringLiteral("bench-footage"));
    QApplication app(argc, argv);
    av_log_set_level(AV_LOG_ERROR);

    QStringList parts = kParts;
    double minutes = 3;
    QString cardDir;
    bool child = false;   // run by this program for one part: the footage is described already
    const QStringList args = app.arguments().mid(1);
    for (int i = 0; i < args.size(); ++i) {
        const QString &a = args[i];
        const bool hasValue = i + 1 < args.size();
        if (a == QLatin1String("--only") && hasValue)
            parts = args[++i].split(QLatin1Char(','), Qt::SkipEmptyParts);
        else if (a == QLatin1String("--minutes") && hasValue)
            minutes = args[++i].toDouble();
        else if (a == QLatin1String("--card") && hasValue)
            cardDir = args[++i];
        else if (a == QLatin1String("--child"))
            child = true;
        else
            return usage();
    }
    for (const QString &p : parts)
        if (!kParts.contains(p))
            return usage();
    if (parts.isEmpty() || !(minutes > 0))
        return usage();

    QTemporaryDir temporary(QDir::temp().filePath(QStringLiteral("vidorra-footage-card-XXXXXX")));
    if (cardDir.isEmpty())
        cardDir = temporary.path();
    if (!child)
        std::printf("bench_footage: %d cores, load %s; footage cache %s\n", QThread::idealThreadCount(),
                    qPrintable(loadAverage()), qPrintable(fixture::defaultFootageCache()));
    QString error;
    const std::optional<FootageCard> card = makeCard(cardDir, &error);
    if (!card) {
        std::fprintf(stderr, "bench_footage: %s\n", qPrintable(error));
        return 1;
    }
    if (!child && !describeFootage(*card))
        return 1;

    if (parts.size() == 1)
        return runPart(parts.first(), *card, minutes) ? 0 : 1;
    int failed = 0;
    for (const QString &part : parts) {
        QProcess run;
        run.setProcessChannelMode(QProcess::ForwardedChannels);
        run.start(QCoreApplication::applicationFilePath(),
                  {QStringLiteral("--only"), part, QStringLiteral("--minutes"), QString::number(minutes),
                   QStringLiteral("--card"), cardDir, QStringLiteral("--child")});
        if (!run.waitForFinished(-1) || run.exitStatus() != QProcess::NormalExit || run.exitCode() != 0) {
            std::fprintf(stderr, "bench_footage: the %s part did not run to its end\n", qPrintable(part));
            ++failed;
        }
    }
    return failed ? 1 : 0;
}
