// Damaged clips: truncations and thousands of byte flips of fixture files go through
// the three file readers without a crash, a hang or an out-of-bounds read (the
// sanitizer build checks the last). VIDORRA_ROBUSTNESS_ROUNDS multiplies the number
// of flipped variants for longer runs.
#include "metadata/BoxReader.h"
#include "metadata/CameraReader.h"
#include "ClipFixture.h"
#include "metadata/PositionedReader.h"
#include "Printers.h"

#include <QRandomGenerator>
#include <QTemporaryDir>

#include <gtest/gtest.h>

// Clip specs are written as designated initializers; the members left out keep their defaults.
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

using namespace vidorra;
using fixture::ClipSpec;

namespace {

// Between them the two layouts cover every box variant the readers parse.
QList<ClipSpec> variety()
{
    ClipSpec base{.duration = 0.5, .tkhdVersion = 1, .mediaHeaderVersion = 1, .cover = fixture::sampleCoverJpeg(16, 9),
                  .mediaDataSize64 = true};
    base.keys.append({QStringLiteral("com.dji.camera.LensType"), QStringLiteral("Wide")});
    base.camera->kelvin = 5600;
    ClipSpec moovFirst = base;
    moovFirst.moovFirst = moovFirst.useCo64 = true;
    moovFirst.mediaDataSize64 = moovFirst.commonSampleSize = false;
    moovFirst.keysWithVersionFlags = moovFirst.coverMetaWithVersionFlags = false;
    moovFirst.tkhdVersion = moovFirst.mediaHeaderVersion = 0;
    return {base, moovFirst};
}

// Runs all three readers, through memory and, given a path, through a real file too;
// whatever they return must be self-consistent.
void readAll(const QByteArray &file, const QString &path = {})
{
    MemoryReader a(file), b(file), c(file);
    const auto info = readClip(a);
    ASSERT_TRUE(!info || info->recognized);
    ASSERT_FALSE(readBasic(b).recognized);
    const auto cover = readCoverData(c);
    ASSERT_TRUE(!cover || cover->size() < file.size());
    if (path.isEmpty())
        return;
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(file) == file.size());
    f.close();
    ASSERT_EQ(readClip(path), info);
    ASSERT_FALSE(readBasic(path).recognized);
    ASSERT_EQ(readCoverData(path), cover);
}

} // namespace

TEST(MetadataRobustness, TruncationsAndFlippedBytes)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("clip.mp4");
    QRandomGenerator random(20261206);
    const int flipped = 1500 * std::max(1, qEnvironmentVariableIntValue("VIDORRA_ROBUSTNESS_ROUNDS"));
    for (const ClipSpec &spec : variety()) {
        const QByteArray whole = fixture::buildClip(spec);
        const fixture::ClipLayout layout = fixture::layoutOf(spec);
        // Every cut inside the moov and the first sample, and a spread of the others.
        for (qint64 n = 0; n <= whole.size(); ++n) {
            if ((n >= layout.moovOffset && n <= layout.moovOffset + layout.moovSize)
                || (n >= layout.sampleOffset && n <= layout.sampleOffset + layout.sampleSize) || n < 64 || n % 7 == 0)
                readAll(whole.left(n), n % 16 == 0 ? path : QString());
        }
        for (int i = 0; i < flipped; ++i) {
            QByteArray damaged = whole;
            for (int f = 1 + int(random.bounded(4)); f > 0; --f) {
                // Mostly inside the moov, where every size and offset is parsed.
                const qint64 at = random.bounded(4) != 0 ? layout.moovOffset + random.bounded(layout.moovSize)
                                                         : random.bounded(whole.size());
                damaged[at] = char(random.bounded(3) == 0 ? random.bounded(256)
                                                          : quint8(damaged[at]) ^ (1u << random.bounded(8)));
            }
            readAll(damaged, i % 16 == 0 ? path : QString());
        }
    }
}
