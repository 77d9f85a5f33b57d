#include "Report.h"
#include "ProcessStats.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QThread>
#include <QTimer>
#include <algorithm>
#include <cmath>
#include <cstdio>

namespace vidorra::bench {

void title(const QString &what)
{
    // The load average counts this benchmark's own threads of a moment ago too; what the
    // machine does besides shows in a second of its CPU counters now.
    const double busy = busyCores(1000);
    std::printf("\n== %s  (%d cores, load %s; %.2f cores busy just before)\n", qPrintable(what),
                QThread::idealThreadCount(), qPrintable(loadAverage()), busy);
    // Tiles decode at the lowest priority: other work on the machine starves them.
    if (busy > 0.25)
        std::printf("  (the machine is busy with other work: repeat when it is idle)\n");
    std::fflush(stdout);
}

void figure(const QString &what, const QString &value, const QString &target, std::optional<bool> met)
{
    QString line = QStringLiteral("  %1: %2").arg(what, value);
    if (!target.isEmpty())
        line += QStringLiteral("  (target %1)").arg(target);
    if (met)
        line += *met ? QStringLiteral("  ok") : QStringLiteral("  MISSED");
    std::printf("%s\n", qPrintable(line));
    std::fflush(stdout);
}

void note(const QString &text)
{
    std::printf("  %s\n", qPrintable(text));
    std::fflush(stdout);
}

double percentile(QList<double> values, double p)
{
    if (values.isEmpty())
        return 0;
    std::sort(values.begin(), values.end());
    const qsizetype rank = qsizetype(std::ceil(std::clamp(p, 0.0, 1.0) * double(values.size())));
    return values[std::clamp<qsizetype>(rank - 1, 0, values.size() - 1)];
}

double mean(const QList<double> &values)
{
    double sum = 0;
    for (double v : values)
        sum += v;
    return values.isEmpty() ? 0 : sum / double(values.size());
}

void runEvents(int ms)
{
    // A loop of its own: quitting the application's would close its windows.
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

bool runUntil(const std::function<bool()> &done, int ms)
{
    QDeadlineTimer deadline(ms);
    while (!done()) {
        if (deadline.hasExpired())
            return false;
        QEventLoop loop;
        QTimer::singleShot(5, &loop, &QEventLoop::quit);
        loop.exec();
    }
    return true;
}

} // namespace vidorra::bench
