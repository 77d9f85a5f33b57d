#include "SampleCard.h"

#include "CameraFootage.h"
#include "ClipFixture.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QList>

namespace vidorra::samplecard {

namespace {

struct Profile {
    const char *gamma;   // the camera's gamma text; empty for plain 8-bit footage
    qint64 colorCode;
    qint64 bitDepth;
};

// The looks a Pocket records, in the mix a real card tends to hold.
const Profile kProfiles[] = {
    {"D-Log", 2, 10},
    {"D-Log2", 22, 10},
    {"D-Log", 2, 10},
    {"Rec.2100 HLG", 0, 10},
    {"", 0, 8},
    {"Rec.709", 0, 8},
    {"D-Log2", 22, 10},
};

struct Size {
    qint64 width, height;
};
const Size kSizes[] = {{3840, 2160}, {2688, 1512}, {1920, 1080}, {3840, 2160}, {1080, 1920}};

struct Rate {
    double capture, playback;
};
const Rate kRates[] = {{29.97, 29.97}, {23.976, 23.976}, {25, 25},     {50, 50},
                       {59.94, 59.94}, {120, 30},        {29.97, 29.97}, {240, 30}};

const int kIsos[] = {100, 200, 400, 800, 1600, 3200};
const int kKelvins[] = {3200, 4300, 5000, 5600, 6500};

// The small encoded picture size keeps the card quick to write; players scale it up.
QPair<int, int> encodedSize(Size s)
{
    const int longSide = 384;
    if (s.width >= s.height)
        return {longSide, int(longSide * s.height / s.width) & ~1};
    return {int(longSide * s.width / s.height) & ~1, longSide};
}

QString srtText(const QDateTime &start, int iso, int kelvin, double seconds, double fps)
{
    QString out;
    const int frames = qMax(1, int(seconds * fps));
    for (int i = 0; i < frames && i < 90; ++i) {
        const double t0 = i / fps, t1 = (i + 1) / fps;
        auto stamp = [](double t) {
            const int ms = int(t * 1000);
            return QStringLiteral("%1:%2:%3,%4")
                .arg(ms / 3600000, 2, 10, QLatin1Char('0'))
                .arg(ms / 60000 % 60, 2, 10, QLatin1Char('0'))
                .arg(ms / 1000 % 60, 2, 10, QLatin1Char('0'))
                .arg(ms % 1000, 3, 10, QLatin1Char('0'));
        };
        out += QStringLiteral("%1\n%2 --> %3\n<font size=\"28\">FrameCnt: %1, DiffTime: %4ms\n"
                              "%5\n[iso: %6] [shutter: 1/%7] [fnum: 2.0] [ev: 0] [ct: %8]</font>\n\n")
                   .arg(i + 1)
                   .arg(stamp(t0), stamp(t1))
                   .arg(int(1000 / fps))
                   .arg(start.addMSecs(qint64(t0 * 1000)).toString(QStringLiteral("yyyy-MM-dd hh:mm:ss.zzz")))
                   .arg(iso)
                   .arg(int(fps * 2))
                   .arg(kelvin);
    }
    return out;
}

bool writeText(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}

void stampTime(const QString &path, const QDateTime &when)
{
    QFile f(path);
    if (f.open(QIODevice::ReadWrite))
        f.setFileTime(when, QFileDevice::FileModificationTime);
}

} // namespace

int writeCard(const QString &folder, const Options &options, QString *error)
{
    auto fail = [&](const QString &why) {
        if (error)
            *error = why;
        return -1;
    };
    if (!QDir().mkpath(folder))
        return fail(QStringLiteral("cannot create %1").arg(folder));
    // The 10-bit clips are HEVC like the camera's; a card without them would mislead.
    if (options.realVideo)
        if (const QString why = fixture::hevcUnavailable(); !why.isEmpty())
            return fail(QStringLiteral("cannot write 10-bit HEVC clips: %1").arg(why));

    int written = 0;
    const QDateTime first(QDate(2024, 1, 31), QTime(9, 12, 4), Qt::UTC);
    QDateTime when = first;

    for (int i = 0; i < options.clips; ++i) {
        const Profile &p = kProfiles[i % std::size(kProfiles)];
        const Size &s = kSizes[(i / 2) % std::size(kSizes)];
        const Rate &r = kRates[(i / 3) % std::size(kRates)];
        const int iso = kIsos[(i * 5) % std::size(kIsos)];
        const int kelvin = kKelvins[(i * 3) % std::size(kKelvins)];

        fixture::ClipSpec spec;
        spec.width = s.width;
        spec.height = s.height;
        spec.duration = options.seconds;
        spec.fps = r.playback;
        spec.timescale = 90000;
        fixture::CameraSample cam;
        cam.model = i % 4 == 3 ? QStringLiteral("OsmoPocket4") : QStringLiteral("OsmoPocket3");
        cam.proto = i % 4 == 3 ? QStringLiteral("dvtm_osmo_pocket_4.proto")
                               : QStringLiteral("dvtm_PP-101.proto");
        cam.captureFPS = r.capture;
        cam.playbackFPS = r.playback;
        cam.width = s.width;
        cam.height = s.height;
        cam.bitDepth = p.bitDepth;
        cam.colorCode = p.colorCode;
        cam.iso = iso;
        cam.kelvin = kelvin;
        spec.camera = cam;
        spec.keys.clear();
        if (*p.gamma)
            spec.keys.append({QStringLiteral("com.dji.camera.ColorGammaSxS"), QString::fromLatin1(p.gamma)});
        spec.keys.append({QStringLiteral("com.dji.camera.LensType"), QStringLiteral("Standard")});
        spec.keys.append({QStringLiteral("com.dji.camera.WhiteBalanceKelvin"), QString::number(kelvin)});
        if (options.realVideo) {
            spec.realVideo = true;
            const auto [w, h] = encodedSize(s);
            spec.videoWidth = w;
            spec.videoHeight = h;
            spec.scene = i;
            // Log and HLG footage comes out of the camera flat, as 10-bit HEVC; the grade
            // brings it back.
            spec.sceneFlat = p.bitDepth == 10;
            spec.hevcVideo = p.bitDepth == 10;
        }
        // Some clips carry the camera's cover picture: their own first frame.
        if (i % 5 == 1) {
            const int coverHeight = s.width >= s.height ? 180 : 568;
            spec.cover = options.realVideo
                ? fixture::sceneCoverJpeg(320, coverHeight, i, p.bitDepth == 10, r.playback)
                : fixture::sampleCoverJpeg(320, coverHeight);
        }

        when = when.addSecs(97 + (i * 37) % 600);
        const QString stem = QStringLiteral("DJI_%1_%2_D")
                                 .arg(when.toString(QStringLiteral("yyyyMMddhhmmss")))
                                 .arg(i + 1, 4, 10, QLatin1Char('0'));
        QString dir = folder;
        if (options.perFolder > 0)
            dir = QStringLiteral("%1/DCIM/%2MEDIA").arg(folder).arg(100 + i / options.perFolder);
        // One clip lies where sorting would put it already.
        if (i == 2 && options.clips > 8)
            dir = folder + QStringLiteral("/D-Log/2.7K 30p");
        if (!QDir().mkpath(dir))
            return fail(QStringLiteral("cannot create %1").arg(dir));

        const QString clip = dir + QLatin1Char('/') + stem + QStringLiteral(".MP4");
        // Companions: the low-resolution proxy and the telemetry subtitles beside most clips.
        const bool withProxy = i % 6 != 5;
        if (options.realVideo && options.cameraVideo) {
            // Log and HLG footage as 10-bit HEVC, the others as 8-bit H.264, as the camera
            // records them; the proxy comes with the footage.
            const fixture::Footage footage{.width = int(s.width), .height = int(s.height),
                                           .codec = p.bitDepth == 10 ? fixture::VideoCodec::Hevc10
                                                                     : fixture::VideoCodec::H264};
            QString why;
            const std::optional<fixture::FootageStreams> streams =
                fixture::cameraFootage(footage, fixture::defaultFootageCache(), &why);
            if (!streams)
                return fail(QStringLiteral("cannot make camera-like footage: %1").arg(why));
            if (!fixture::writeCameraClip(clip, spec, *streams, withProxy, &why))
                return fail(why);
            stampTime(clip, when);
            written += withProxy ? 2 : 1;
        } else {
            if (!fixture::writeClip(clip, spec))
                return fail(QStringLiteral("cannot write %1").arg(clip));
            stampTime(clip, when);
            ++written;
        }

        if (withProxy && !(options.realVideo && options.cameraVideo)) {
            fixture::ClipSpec proxy = spec;
            proxy.cover.reset();
            if (!fixture::writeClip(dir + QLatin1Char('/') + stem + QStringLiteral(".LRF"), proxy))
                return fail(QStringLiteral("cannot write the proxy of %1").arg(stem));
            ++written;
        }
        if (i % 3 != 2) {
            if (!writeText(dir + QLatin1Char('/') + stem + QStringLiteral(".SRT"),
                           srtText(when, iso, kelvin, options.seconds, r.playback).toUtf8()))
                return fail(QStringLiteral("cannot write the subtitles of %1").arg(stem));
            ++written;
        }
    }

    // Files from another camera: plain tracks, no camera metadata.
    for (int k = 0; k < 3 && options.clips >= 10; ++k) {
        fixture::ClipSpec other;
        other.camera.reset();
        other.keys.clear();
        other.width = k == 1 ? 1080 : 1920;
        other.height = k == 1 ? 1920 : 1080;
        other.fps = 30;
        other.duration = options.seconds;
        if (options.realVideo) {
            other.realVideo = true;
            other.videoWidth = k == 1 ? 216 : 384;
            other.videoHeight = k == 1 ? 384 : 216;
            other.scene = 100 + k;
        }
        const QString name = QStringLiteral("%1/IMG_%2.MOV").arg(folder).arg(4210 + k);
        if (!fixture::writeClip(name, other))
            return fail(QStringLiteral("cannot write %1").arg(name));
        ++written;
    }

    if (!writeText(folder + QStringLiteral("/notes.txt"),
                   "Shoot day one: harbour at dawn, market, rooftop time-lapse.\n"))
        return fail(QStringLiteral("cannot write notes.txt"));
    ++written;
    return written;
}

} // namespace vidorra::samplecard
