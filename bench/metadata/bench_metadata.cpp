// How much readClip costs above the I/O it cannot avoid. A set of fixture clips is
// read through readClip and through a floor that replays exactly the system calls
// readClip makes on each file (open, fstat, the header reads, the moov read, the
// sample read, close) without parsing anything. Both run on a warm page cache, in
// alternating rounds; the best round of each counts.
//
//   bench_metadata [CLIPS]      (default 3000; VIDORRA_BENCH_ROUNDS, default 5)

#include "metadata/BoxReader.h"
#include "metadata/CameraReader.h"
#include "ClipFixture.h"
#include "metadata/PositionedReader.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace vidorra;

namespace {

struct Read {
    qint64 offset, count;
};

// Records the reads readClip makes, to be replayed by the floor.
class RecordingFile final : public PositionedReader {
public:
    explicit RecordingFile(const QString &path) : file(path) {}
    qint64 size() override { return file.size(); }
    QByteArray readAt(qint64 offset, qint64 count) override
    {
        QByteArray out = file.readAt(offset, count);
        reads.append({offset, std::min<qint64>(count, std::max<qint64>(0, file.size() - offset))});
        return out;
    }
    ClipFile file;
    QList<Read> reads;
};

struct Clip {
    QString path;          // what readClip is given
    QByteArray localPath;  // what the floor hands to open()
    QList<Read> reads;
};

QList<fixture::ClipSpec> specs()
{
    fixture::ClipSpec plain;
    fixture::ClipSpec slow;
    slow.camera->captureFPS = 120;
    slow.keys.append({QStringLiteral("com.dji.camera.LensType"), QStringLiteral("Wide")});
    slow.keys.append({QStringLiteral("com.dji.camera.WhiteBalanceKelvin"), QStringLiteral("5600")});
    fixture::ClipSpec first;
    first.moovFirst = true;
    first.useCo64 = true;
    first.commonSampleSize = false;
    fixture::ClipSpec longer;
    longer.duration = 20;
    longer.mediaDataSize64 = true;
    return {plain, slow, first, longer};
}

volatile qint64 sink = 0;

double timeReadClip(const QList<Clip> &clips)
{
    QElapsedTimer timer;
    timer.start();
    for (const Clip &clip : clips) {
        const auto info = readClip(clip.path);
        sink = sink + (info ? info->width : -1);
    }
    return double(timer.nsecsElapsed()) / 1e9;
}

double timeFloor(const QList<Clip> &clips)
{
    QElapsedTimer timer;
    timer.start();
    QByteArray buffer;
    for (const Clip &clip : clips) {
        const int fd = ::open(clip.localPath.constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
        struct stat st;
        ::fstat(fd, &st);
        for (const Read &r : clip.reads) {
            if (buffer.size() < r.count)
                buffer.resize(r.count);
            sink = sink + ::pread(fd, buffer.data(), size_t(r.count), off_t(r.offset));
        }
        ::close(fd);
    }
    return double(timer.nsecsElapsed()) / 1e9;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int count = argc > 1 ? std::max(1, atoi(argv[1])) : 3000;
    const int rounds = std::max(1, qEnvironmentVariableIntValue("VIDORRA_BENCH_ROUNDS") ?: 5);

    QTemporaryDir dir;
    const auto variety = specs();
    QList<Clip> clips;
    for (int i = 0; i < count; ++i) {
        const QString path = dir.filePath(QStringLiteral("DJI_%1.MP4").arg(i, 5, 10, QChar(u'0')));
        if (!fixture::writeClip(path, variety[i % variety.size()])) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
            return 1;
        }
        RecordingFile recording(path);
        if (!readClip(recording)) {
            std::fprintf(stderr, "fixture clip not read: %s\n", qPrintable(path));
            return 1;
        }
        clips.append({path, QFile::encodeName(path), recording.reads});
    }

    double bestClip = 1e300, bestFloor = 1e300;
    // Alternate which goes first so that neither always follows the other's cache state.
    for (int r = 0; r < rounds; ++r) {
        if (r % 2 == 0) {
            bestFloor = std::min(bestFloor, timeFloor(clips));
            bestClip = std::min(bestClip, timeReadClip(clips));
        } else {
            bestClip = std::min(bestClip, timeReadClip(clips));
            bestFloor = std::min(bestFloor, timeFloor(clips));
        }
    }
    const double clipRate = count / bestClip;
    const double floorRate = count / bestFloor;
    std::printf("clips: %d, rounds: %d, reads per clip: %lld\n", count, rounds,
                static_cast<long long>(clips.first().reads.size()));
    std::printf("readClip: %10.0f clips/s\n", clipRate);
    std::printf("floor:    %10.0f clips/s\n", floorRate);
    std::printf("ratio (readClip time / floor time): %.2f  (target <= 1.50)\n", bestClip / bestFloor);
    return 0;
}
