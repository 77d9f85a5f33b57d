#include "ui/window/DesktopOpen.h"

#include "text/Language.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QFileInfo>
#include <QProcess>

namespace vidorra {

namespace {

std::function<void(const QString &)> &reporter()
{
    static std::function<void(const QString &)> report;
    return report;
}

void report(const QUrl &url, DesktopTarget target)
{
    if (reporter())
        reporter()(desktopFailureText(url, target));
}

} // namespace

void setDesktopFailureReporter(std::function<void(const QString &)> r)
{
    reporter() = std::move(r);
}

QString desktopFailureText(const QUrl &url, DesktopTarget target)
{
    switch (target) {
    case DesktopTarget::Folder: {
        const QString path = url.toLocalFile();
        const QString name = QFileInfo(path).fileName();
        return L("No file manager could show “%@”.", {name.isEmpty() ? path : name});
    }
    case DesktopTarget::WebPage:
        return L("No web browser could open %@.", {url.toString()});
    case DesktopTarget::Mail:
        return L("No mail program could start a message to %@.", {url.path()});
    }
    return {};
}

void openWithDesktop(const QUrl &url, DesktopTarget target)
{
    // xdg-open tells by its exit status whether a handler took the address (Qt's own
    // opening only tells whether it could start xdg-open). The process belongs to the
    // application, so it outlives the widget that asked.
    auto *process = new QProcess(QCoreApplication::instance());
    process->setProgram(QStringLiteral("xdg-open"));
    process->setArguments({url.isLocalFile() ? url.toLocalFile() : url.toString(QUrl::FullyEncoded)});
    process->setStandardOutputFile(QProcess::nullDevice());
    process->setStandardErrorFile(QProcess::nullDevice());
    QObject::connect(process, &QProcess::errorOccurred, process, [process, url, target](QProcess::ProcessError error) {
        if (error != QProcess::FailedToStart)
            return; // a crash also ends in finished()
        process->deleteLater();
        if (!QDesktopServices::openUrl(url))
            report(url, target);
    });
    QObject::connect(process, &QProcess::finished, process,
                     [process, url, target](int code, QProcess::ExitStatus status) {
                         process->deleteLater();
                         if (status != QProcess::NormalExit || code != 0)
                             report(url, target);
                     });
    process->start();
}

} // namespace vidorra
