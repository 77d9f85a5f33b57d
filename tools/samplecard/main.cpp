// vidorra-samplecard FOLDER [--clips N] [--placeholder | --real] [--per-folder N] [--seconds S]
//
// Writes a sample memory card to try Vidorra on: real, playable clips in every profile,
// resolution and rate, with companions, a few foreign files and one clip already sorted.
// --placeholder writes placeholder media instead of video, for cards of thousands of clips.
// --real writes video like the camera's (full size, 10-bit HEVC at its bit rate) with its
// proxies, from the footage cache in the build folder; the first run encodes it.

#include "CameraFootage.h"
#include "SampleCard.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QStringList>
#include <cstdio>

extern "C" {
#include <libavutil/log.h>
}

int main(int argc, char **argv)
{
    // The cover pictures are drawn with Qt's painter, which needs a GUI application but
    // no display.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    av_log_set_level(AV_LOG_ERROR); // the encoder's banner per clip is noise here
    const QStringList args = app.arguments().mid(1);
    vidorra::samplecard::Options options;
    QString folder;
    bool secondsGiven = false;
    for (int i = 0; i < args.size(); ++i) {
        const QString &a = args[i];
        const bool hasValue = i + 1 < args.size();
        if (a == QLatin1String("--clips") && hasValue)
            options.clips = args[++i].toInt();
        else if (a == QLatin1String("--per-folder") && hasValue)
            options.perFolder = args[++i].toInt();
        else if (a == QLatin1String("--seconds") && hasValue) {
            options.seconds = args[++i].toDouble();
            secondsGiven = true;
        } else if (a == QLatin1String("--placeholder"))
            options.realVideo = false;
        else if (a == QLatin1String("--real"))
            options.cameraVideo = true;
        else if (!a.startsWith(QLatin1String("--")) && folder.isEmpty())
            folder = a;
        else {
            std::fprintf(stderr, "vidorra-samplecard: unknown argument %s\n", qPrintable(a));
            return 2;
        }
    }
    if (folder.isEmpty() || options.clips < 0 || options.seconds <= 0 || (options.cameraVideo && !options.realVideo)) {
        std::fprintf(stderr, "usage: vidorra-samplecard FOLDER [--clips N] [--placeholder | --real] "
                             "[--per-folder N] [--seconds S]\n");
        return 2;
    }
    if (options.cameraVideo) {
        // As long as the footage, unless asked otherwise: nothing repeats within a clip.
        const vidorra::fixture::Footage footage;
        if (!secondsGiven)
            options.seconds = footage.frames / footage.fps;
        std::printf("camera-like clips: footage not yet in %s is encoded first (minutes for 4K)\n",
                    qPrintable(vidorra::fixture::defaultFootageCache()));
        std::fflush(stdout);
    }
    QString error;
    const int n = vidorra::samplecard::writeCard(folder, options, &error);
    if (n < 0) {
        std::fprintf(stderr, "vidorra-samplecard: %s\n", qPrintable(error));
        return 1;
    }
    std::printf("%d files written to %s\n", n, qPrintable(folder));
    return 0;
}
