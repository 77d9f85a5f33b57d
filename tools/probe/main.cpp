// vidorra-probe [--decode] PATH…: one JSON object per line for every clip file given or
// found in a folder given. Users attach this output when a clip sorts wrongly; with
// --decode, when its previews stutter or look wrong.
// vidorra-probe --lut FILE.cube IN.png OUT.png: a picture graded through a colour table.
// vidorra-probe --verify FOLDER: an imported folder checked against its checksum file.
#include "DecodeReport.h"
#include "text/Language.h"
#include "ProbeLut.h"
#include "ProbeRecord.h"
#include "import/Manifest.h"

#include <QCoreApplication>
#include <QJsonDocument>

#include <cstdio>

using namespace vidorra;

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QStringList arguments = app.arguments().mid(1);
    const bool lut = !arguments.isEmpty() && arguments.first() == QLatin1String("--lut");
    const bool decoding = !arguments.isEmpty() && arguments.first() == QLatin1String("--decode");
    if (decoding)
        arguments.removeFirst();
    const bool verify = !arguments.isEmpty() && arguments.first() == QLatin1String("--verify");
    if (arguments.isEmpty() || (lut && arguments.size() != 4) || (verify && arguments.size() != 2)) {
        std::fprintf(stderr, "%s\n%s\n%s\n", qPrintable(L("Usage: vidorra-probe [--decode] PATH…")),
                     qPrintable(L("Usage: vidorra-probe --lut FILE.cube IN.png OUT.png")),
                     qPrintable(L("Usage: vidorra-probe --verify FOLDER")));
        return 2;
    }
    if (verify) {
        const VerifyReport report = verifyFolder(arguments[1]);
        if (!report.manifestFound) {
            std::fprintf(stderr, "%s\n", qPrintable(L("No checksum file in %@", {arguments[1]})));
            return 2;
        }
        for (const QString &line : report.problems)
            std::printf("%s\n", qPrintable(line));
        if (!report.problems.isEmpty())
            return 1;
        std::printf("%s\n", qPrintable(Ln("%n files verified", report.good)));
        return 0;
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
        const QJsonObject record = decoding ? decodeReport(path) : probeClip(path);
        const QByteArray line = QJsonDocument(record).toJson(QJsonDocument::Compact);
        std::fwrite(line.constData(), 1, size_t(line.size()), stdout);
        std::fputc('\n', stdout);
    }
    for (const QString &path : missing)
        std::fprintf(stderr, "%s\n", qPrintable(L("No such file or folder: %@", {path})));
    return missing.isEmpty() ? 0 : 1;
}
