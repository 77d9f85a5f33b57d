#pragma once
// What the benchmarks read about their own process from /proc: peak memory and CPU time.

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QMap>
#include <QString>
#include <ctime>
#include <sys/resource.h>
#include <unistd.h>

namespace vidorra::bench {

// A size field of /proc/self/status ("VmHWM", "VmRSS") in MiB; -1 when unreadable.
inline double statusMiB(const QByteArray &field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray key = field + ':';
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith(key))
            return line.mid(key.size()).trimmed().split(' ').first().toDouble() / 1024.0;
    }
    return -1;
}

// Peak resident set size of this process so far, in MiB; -1 when unreadable.
inline double peakMiB() { return statusMiB("VmHWM"); }

// Resident set size of this process now, in MiB; -1 when unreadable.
inline double residentMiB() { return statusMiB("VmRSS"); }

// The machine's load averages over 1, 5 and 15 minutes, as /proc/loadavg gives them.
inline QString loadAverage()
{
    QFile file(QStringLiteral("/proc/loadavg"));
    if (!file.open(QIODevice::ReadOnly))
        return QStringLiteral("unknown");
    const QList<QByteArray> fields = file.readAll().split(' ');
    return fields.size() >= 3 ? QString::fromLatin1(fields[0] + ' ' + fields[1] + ' ' + fields[2])
                              : QStringLiteral("unknown");
}

// How many cores the whole machine kept busy over the next `ms` milliseconds (this
// process included), from /proc/stat; -1 when unreadable. Blocks the calling thread.
inline double busyCores(int ms)
{
    auto sample = [](double *busy, double *all) {
        QFile stat(QStringLiteral("/proc/stat"));
        if (!stat.open(QIODevice::ReadOnly))
            return false;
        const QList<QByteArray> f = stat.readLine().simplified().split(' ');
        if (f.size() < 8 || f[0] != "cpu")
            return false;
        *all = 0;
        for (qsizetype i = 1; i < f.size(); ++i)
            *all += f[i].toDouble();
        *busy = *all - f[4].toDouble() - f[5].toDouble();   // less idle and waiting for I/O
        return true;
    };
    double busy0 = 0, all0 = 0, busy1 = 0, all1 = 0;
    if (!sample(&busy0, &all0))
        return -1;
    usleep(useconds_t(ms) * 1000);
    if (!sample(&busy1, &all1) || all1 <= all0)
        return -1;
    return (busy1 - busy0) / double(sysconf(_SC_CLK_TCK)) / (ms / 1000.0);
}

// CPU time of the calling thread, in ms.
inline double threadCpuMs()
{
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return double(ts.tv_sec) * 1e3 + double(ts.tv_nsec) / 1e6;
}

// CPU time of the child processes waited for so far, in ms.
inline double childrenCpuMs()
{
    rusage usage{};
    getrusage(RUSAGE_CHILDREN, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1e3
        + double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e3;
}

// User plus system CPU time in ms from a /proc stat file, with the command name in
// `name`; -1 when unreadable.
inline double statCpuMs(const QString &path, QString *name = nullptr)
{
    QFile stat(path);
    if (!stat.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray line = stat.readAll();
    const qsizetype open = line.indexOf('('), close = line.lastIndexOf(')');
    if (open < 0 || close < open)
        return -1;
    const QList<QByteArray> fields = line.mid(close + 2).split(' ');
    if (fields.size() < 13)
        return -1; // fields 11 and 12 after the name: utime, stime
    if (name)
        *name = QString::fromUtf8(line.mid(open + 1, close - open - 1));
    return (fields[11].toDouble() + fields[12].toDouble()) * 1000.0 / double(sysconf(_SC_CLK_TCK));
}

// CPU time in ms of the whole process (threads that ended included) under
// "(whole process)", and of each living thread, summed by thread name.
inline QMap<QString, double> cpuByThread()
{
    QMap<QString, double> out;
    out[QStringLiteral("(whole process)")] = statCpuMs(QStringLiteral("/proc/self/stat"));
    const QDir tasks(QStringLiteral("/proc/self/task"));
    for (const QString &tid : tasks.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QString name;
        const double ms = statCpuMs(tasks.filePath(tid + QStringLiteral("/stat")), &name);
        if (ms >= 0)
            out[name] += ms;
    }
    return out;
}

} // namespace vidorra::bench
