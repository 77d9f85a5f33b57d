// Writes the seed corpus of the metadata fuzz targets from fixture clips:
//   fuzz_seeds_metadata ROOT  ->  ROOT/fuzz_boxes, ROOT/fuzz_proto, ROOT/fuzz_keys
#include "metadata/BoxReader.h"
#include "ClipFixture.h"
#include "metadata/PositionedReader.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>

#include <cstdio>

using namespace vidorra;
using fixture::ClipSpec;

namespace {

bool put(const QDir &dir, const QString &name, const QByteArray &bytes)
{
    QFile f(dir.filePath(name));
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}

QList<ClipSpec> clips()
{
    ClipSpec base;
    base.duration = 0.2;
    base.keys.append({QStringLiteral("com.dji.camera.LensType"), QStringLiteral("Wide")});
    base.keys.append({QStringLiteral("com.dji.camera.WhiteBalanceKelvin"), QStringLiteral("5600")});
    base.cover = fixture::sampleCoverJpeg(8, 8);
    ClipSpec first = base;
    first.moovFirst = true;
    first.useCo64 = true;
    first.commonSampleSize = false;
    first.keysWithVersionFlags = false;
    first.coverMetaWithVersionFlags = false;
    ClipSpec wide = base;
    wide.mediaDataSize64 = true;
    wide.tkhdVersion = 1;
    wide.mediaHeaderVersion = 1;
    wide.extraKeyItems = {{0, QStringLiteral("x")}, {9, QStringLiteral("y")}};
    wide.secondCamera = fixture::CameraSample{};
    ClipSpec bare = base;
    bare.camera.reset();
    bare.keys.clear();
    bare.cover.reset();
    return {base, first, wide, bare};
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: fuzz_seeds_metadata ROOT\n");
        return 2;
    }
    const QDir root(QString::fromLocal8Bit(argv[1]));
    for (const char *sub : {"fuzz_boxes", "fuzz_proto", "fuzz_keys"})
        if (!root.mkpath(QString::fromLatin1(sub)))
            return 1;
    const QDir boxes(root.filePath("fuzz_boxes")), proto(root.filePath("fuzz_proto")), keys(root.filePath("fuzz_keys"));

    bool ok = true;
    int n = 0;
    for (const ClipSpec &spec : clips()) {
        const QByteArray file = fixture::buildClip(spec);
        ok &= put(boxes, QStringLiteral("clip%1").arg(n), file);
        MemoryReader reader(file);
        if (const auto moov = readMoov(reader))
            ok &= put(keys, QStringLiteral("moov%1").arg(n), *moov);
        ++n;
    }
    fixture::CameraSample slow;
    slow.captureFPS = 120;
    slow.kelvin = 5600;
    fixture::CameraSample pocket4;
    pocket4.proto = QStringLiteral("dvtm_osmo_pocket_4.proto");
    pocket4.model = QStringLiteral("OsmoPocket4");
    pocket4.colorCode = 22;
    n = 0;
    for (const auto &sample : {fixture::CameraSample{}, slow, pocket4})
        ok &= put(proto, QStringLiteral("sample%1").arg(n++), fixture::encodeSample(sample));
    return ok ? 0 : 1;
}
