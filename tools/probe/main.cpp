// vidorra-probe PATH…: one JSON object per line for every clip file given or found in
// a folder given. Users attach this output when a clip sorts wrongly.
// vidorra-probe --lut FILE.cube IN.png OUT.png: a picture graded through a colour table.
#include "Language.h"
#include "ProbeLut.h"
#include "ProbeRecord.h"

#include <QCoreApplication>
#include <QJsonDocument>

#include <cstdio>

using namespace vidorra;

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList arguments = app.arguments().mid(1);
    const bool lut = !arguments.isEmpty() && arguments.first() == QLatin1String("--lut");
    if (arguments.isEmpty() || (lut && arguments.size() != 4)) {
        std::fprintf(stderr, "%s\n%s\n", qPrintable(L("Usage: vidorra-probe PATH…")),
                     qPrintable(L("Usage: vidorra-probe --lut FILE.cube IN.png OUT.png")));
        return 2;
    }
    if (lut) {
        QString error;
        const int status = gradeStill(arguments[1], arguments[2], arguments[3], error);
        if (status != 0)
            std::fprintf(stderr, "%s\n", qPrintable(error));
        return status;
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
