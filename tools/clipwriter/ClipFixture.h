#pragma once
// Builds clip files from a description: the boxes a DJI Osmo Pocket writes (video
// track, "djmd" metadata track with its protobuf sample, the QuickTime key list, the
// cover) around either placeholder media data or real, decodable H.264 (or HEVC Main 10)
// video.
// Every layer's tests, the benchmarks, the fuzz corpus and the sample card use it.

#include <QByteArray>
#include <QList>
#include <QString>
#include <memory>
#include <optional>
#include <utility>

namespace vidorra::fixture {

struct EncodedVideo;

// Appends Protocol Buffers wire-format fields; nest with bytes(field, sub.data()).
class ProtoWriter {
public:
    ProtoWriter &varint(qint64 field, quint64 value);
    ProtoWriter &fixed64(qint64 field, double value);   // wire type 1
    ProtoWriter &fixed32(qint64 field, float value);    // wire type 5
    ProtoWriter &bytes(qint64 field, const QByteArray &payload);
    ProtoWriter &text(qint64 field, const QString &value) { return bytes(field, value.toUtf8()); }
    const QByteArray &data() const { return buf; }
private:
    QByteArray buf;
};

// What the camera writes into the first metadata sample.
struct CameraSample {
    QString model = QStringLiteral("OsmoPocket3");
    QString proto = QStringLiteral("dvtm_PP-101.proto");
    double captureFPS = 30.0;       // written as a 32-bit float at 2/2/1/5
    double playbackFPS = 30.0;      // written as a 32-bit float at 2/3/3
    qint64 width = 3840, height = 2160;
    qint64 bitDepth = 10;
    qint64 colorCode = 2;
    double iso = 400;               // written as a 32-bit float at 3/2/9/1
    qint64 kelvin = 0;              // varint at 3/2/24/1 when above 0
};
QByteArray encodeSample(const CameraSample &sample);

struct ClipSpec {
    // Video track.
    bool videoTrack = true;
    qint64 width = 3840, height = 2160;
    double duration = 2.0;          // seconds
    double fps = 30.0;              // stts gives duration * fps samples
    int tkhdVersion = 0;            // 0 or 1
    int mediaHeaderVersion = 0;            // 0 or 1
    quint32 timescale = 30000;
    int rotation = 0;               // 0, 90, 180, 270 in the tkhd matrix

    // Metadata track ("djmd"); absent when nullopt.
    std::optional<CameraSample> camera = CameraSample{};
    std::optional<QByteArray> rawSample;   // replaces encodeSample(camera) when set (track written even without camera)
    bool useCo64 = false;           // chunk offsets as co64 instead of stco
    bool commonSampleSize = true;   // stsz common size, else a per-sample table
    std::optional<quint32> declaredSampleSize; // written into stsz instead of the real size
    bool shortStcoBeforeCo64 = false; // an stco with an 8-byte payload, then a valid co64
    std::optional<CameraSample> secondCamera; // a second "djmd" track after the first

    // QuickTime key list under moov/meta; empty writes none.
    QList<std::pair<QString, QString>> keys = {
        {QStringLiteral("com.dji.camera.ColorGammaSxS"), QStringLiteral("D-Log")}};
    bool keysWithVersionFlags = true;  // meta payload starts with version and flags
    // Further ilst items with an explicit key index (0 or past the names are invalid).
    QList<std::pair<quint32, QString>> extraKeyItems;

    // Cover picture under moov/udta/meta/ilst/covr/data; none when nullopt.
    std::optional<QByteArray> cover;
    bool coverMetaWithVersionFlags = true;

    // Layout of the file.
    bool moovFirst = false;         // moov before mdat
    bool mediaDataSize64 = false;        // mdat with a 64-bit size header
    bool mediaDataSizeZero = false;      // mdat with size 0 (runs to end of file; swallows a moov after it)
    bool moovSizeZero = false;      // moov with size 0 (with moovFirst it swallows the mdat)
    // Extra media bytes at the end of the mdat, left as a hole (written by writeClip only).
    // An mdat that no longer fits 32 bits gets a 64-bit size header.
    qint64 sparseMdatBytes = 0;

    // Real H.264 video (frame i carries i in its pixels, see frameNumberOf; a keyframe
    // every second); otherwise the media data is placeholder bytes. H.264 that cannot be
    // encoded leaves placeholder bytes too.
    bool realVideo = false;
    int videoWidth = 0, videoHeight = 0; // encoded size; 0 means width/height (odd sizes round up)
    bool mpeg4Video = false;        // MPEG-4 Part 2 ("mp4v") instead of H.264
    // HEVC Main 10 ("hvc1", 10-bit 4:2:0 through libx265), as the camera records log
    // footage, instead of H.264. Never falls back: without libx265 the clip is not built
    // (see hevcUnavailable).
    bool hevcVideo = false;
    // A moving landscape numbered `scene` instead of the frame-number pattern (sample
    // cards for people); `sceneFlat` gives it the pale look of log footage.
    int scene = -1;
    bool sceneFlat = false;
    // Video already encoded (camera-like footage, see CameraFootage.h): the track holds
    // exactly its samples at `fps`, whatever realVideo says; duration should be their
    // count / fps.
    std::shared_ptr<const EncodedVideo> encodedVideo;
};

// The whole file in memory (sparseMdatBytes is ignored here); empty when HEVC video was
// asked for and cannot be encoded.
QByteArray buildClip(const ClipSpec &spec);
// Writes the file; a sparse hole of sparseMdatBytes is seeked over, not written.
// Replaces a file already there. Returns false when the file cannot be written or its
// HEVC video cannot be encoded (nothing is written then).
bool writeClip(const QString &path, const ClipSpec &spec);

// Empty when hevcVideo clips can be written here; otherwise why not (for a test to skip
// with, or a tool to report).
QString hevcUnavailable();

// Where things landed in a built clip, for tests that corrupt or cut particular bytes.
struct ClipLayout {
    qint64 moovOffset = -1, moovSize = 0;   // the whole moov box, header included
    qint64 mdatOffset = -1, mdatSize = 0;   // the whole mdat box, hole included
    qint64 sampleOffset = -1, sampleSize = 0; // the first metadata sample
    qint64 fileSize = 0;                    // hole included
};
ClipLayout layoutOf(const ClipSpec &spec);

// Reads back the frame number carried by a decoded frame of a realVideo clip, from
// 8-bit RGBA (or RGB32) pixels, upright or turned by the clip's rotation; -1 when the
// pattern is not found.
int frameNumberOf(const uchar *rgba, int width, int height, qsizetype bytesPerLine);
// Draws the picture of frame `index` into 8-bit RGBA pixels, as the encoder sees it.
void drawFrame(uchar *rgba, int width, int height, qsizetype bytesPerLine, int index);
// Draws frame `index` of landscape `scene` (see ClipSpec::scene) of a clip at `fps` into
// 8-bit RGBA pixels, as the encoder sees it.
void drawScene(uchar *rgba, int width, int height, qsizetype bytesPerLine, int index, int scene, bool flat,
               double fps);

// A small encoded picture (JPEG or PNG bytes) to use as an embedded cover.
QByteArray sampleCoverJpeg(int width = 160, int height = 90);
// The cover a camera writes: the first frame of landscape `scene` (see drawScene), as
// JPEG or PNG bytes.
QByteArray sceneCoverJpeg(int width, int height, int scene, bool flat, double fps);

} // namespace vidorra::fixture
