#pragma once
// What the benchmarks read about their own process from /proc: peak memory and CPU time.

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QMap>
#include <QString>
#include <unistd.h>

namespace vidorra::bench {

// Peak resident set size of this process so far, in MiB; -1 when unreadable.
inline double peakMiB()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').first().toDouble() / 1024.0;
    }
    return -1;
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
