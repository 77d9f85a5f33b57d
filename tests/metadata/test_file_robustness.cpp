// Damaged clips: every truncation and thousands of byte flips of fixture files go
// through the three file readers without a crash, a hang or an out-of-bounds read
// (the sanitizer build checks the last). VIDORRA_ROBUSTNESS_ROUNDS multiplies the
// number of flipped variants for longer runs.
#include "BoxReader.h"
#include "CameraReader.h"
#include "ClipFixture.h"
#include "PositionedReader.h"
#include "Printers.h"

#include <QRandomGenerator>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace vidorra;
using fixture::ClipSpec;

namespace {

QList<ClipSpec> variety()
{
    QList<ClipSpec> specs;
    ClipSpec base;
    base.keys.append({QStringLiteral("com.dji.camera.LensType"), QStringLiteral("Wide")});
    base.cover = fixture::sampleCoverJpeg(16, 9);
    base.duration = 0.5;
    specs << base;
    ClipSpec moovFirst = base;
    moovFirst.moovFirst = true;
    moovFirst.useCo64 = true;
    moovFirst.commonSampleSize = false;
    moovFirst.keysWithVersionFlags = false;
    moovFirst.coverMetaWithVersionFlags = false;
    specs << moovFirst;
    ClipSpec wide = base;
    wide.mediaDataSize64 = true;
    wide.tkhdVersion = 1;
    wide.mediaHeaderVersion = 1;
    wide.camera->kelvin = 5600;
    specs << wide;
    return specs;
}

// Runs all three readers; whatever they return must be self-consistent.
void readAll(const QByteArray &file)
{
    MemoryReader a(file), b(file), c(file);
    if (const auto info = readClip(a)) {
        ASSERT_TRUE(info->recognized);
    }
    ASSERT_FALSE(readBasic(b).recognized);
    if (const auto cover = readCoverData(c)) {
        ASSERT_LT(cover->size(), file.size());
    }
}

int rounds()
{
    const int n = qEnvironmentVariableIntValue("VIDORRA_ROBUSTNESS_ROUNDS");
    return n > 0 ? n : 1;
}

} // namespace

TEST(MetadataRobustness, EveryTruncation)
{
    int variants = 0;
    for (const ClipSpec &spec : variety()) {
        const QByteArray whole = fixture::buildClip(spec);
        const fixture::ClipLayout layout = fixture::layoutOf(spec);
        // Every cut inside the moov and the first sample, and a spread of the others.
        for (qint64 n = 0; n <= whole.size(); ++n) {
            const bool interesting = (n >= layout.moovOffset && n <= layout.moovOffset + layout.moovSize)
                || (n >= layout.sampleOffset && n <= layout.sampleOffset + layout.sampleSize) || n < 64
                || n % 7 == 0;
            if (!interesting)
                continue;
            readAll(whole.left(n));
            ++variants;
        }
    }
    EXPECT_GT(variants, 1000);
}

TEST(MetadataRobustness, FlippedBytes)
{
    QRandomGenerator random(20261206);
    const int perSpec = 1500 * rounds();
    for (const ClipSpec &spec : variety()) {
        const QByteArray whole = fixture::buildClip(spec);
        const fixture::ClipLayout layout = fixture::layoutOf(spec);
        for (int i = 0; i < perSpec; ++i) {
            QByteArray damaged = whole;
            const int flips = 1 + int(random.bounded(4));
            for (int f = 0; f < flips; ++f) {
                // Mostly inside the moov, where every size and offset is parsed.
                const bool inMoov = random.bounded(4) != 0;
                const qint64 at = inMoov ? layout.moovOffset + random.bounded(layout.moovSize)
                                         : random.bounded(whole.size());
                damaged[at] = char(random.bounded(3) == 0 ? random.bounded(256) : quint8(damaged[at]) ^ (1u << random.bounded(8)));
            }
            readAll(damaged);
        }
    }
}

TEST(MetadataRobustness, DamagedFilesOnDisk)
{
    // The same readers through real files, a few hundred of them.
    QTemporaryDir dir;
    QRandomGenerator random(7);
    const ClipSpec spec = variety().first();
    const QByteArray whole = fixture::buildClip(spec);
    const QString path = dir.filePath("clip.mp4");
    for (int i = 0; i < 300; ++i) {
        QByteArray damaged = whole.left(random.bounded(whole.size() + 1));
        if (!damaged.isEmpty())
            damaged[random.bounded(damaged.size())] = char(random.bounded(256));
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(damaged);
        f.close();
        (void)readClip(path);
        ASSERT_FALSE(readBasic(path).recognized);
        (void)readCoverData(path);
    }
}
