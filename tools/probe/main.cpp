// vidorra-probe PATH…: one JSON object per line for every clip file given or found in
// a folder given. Users attach this output when a clip sorts wrongly.
#include "Language.h"
#include "ProbeRecord.h"

#include <QCoreApplication>
#include <QJsonDocument>

#include <cstdio>

using namespace vidorra;

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList arguments = app.arguments().mid(1);
    if (arguments.isEmpty()) {
        std::fprintf(stderr, "%s\n", qPrintable(L("Usage: vidorra-probe PATH…")));
        return 2;
    }
    QStringList missing;
    const QStringList targets = probeTargets(arguments, missing);
    for (const QString &path : targets) {
        const QByteArray line = QJsonDocument(probeClip(path)).toJson(QJsonDocument::Compact);
        std::fwrite(line.constData(), 1, size_t(line.size()), stdout);
        std::fputc('\n', stdout);
    }
    for (const QString &path : missing)
        std::fprintf(stderr, "%s\n", qPrintable(L("No such file or folder: %@", {path})));
    return missing.isEmpty() ? 0 : 1;
}
