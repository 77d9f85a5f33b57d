// The camera's low-resolution companion: taken for tiles, hover scrubbing and decoded
// thumbnails only when it has the clip's shape and length and decodes; graded exactly as
// the clip would be; dropped silently otherwise.
#include "preview/CoverLoader.h"
#include "preview/LUTEngine.h"
#include "preview/PreviewPlayer.h"
#include "preview/PreviewSource.h"
#include "preview/TilePlayer.h"
#include "VideoClips.h"

#include <QDir>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>

using namespace vidorra;
using namespace vidorra::test;

namespace {

// The clip's video is 640x360; a proxy written by proxySpec is 320x180. Pictures never
// grow, so their size tells which file was read.
fixture::ClipSpec clipSpec(double duration)
{
    fixture::ClipSpec spec = videoSpec(duration);
    spec.videoWidth = 640;
    spec.videoHeight = 360;
    return spec;
}

fixture::ClipSpec proxySpec(double duration, int width = 320, int height = 180)
{
    fixture::ClipSpec spec = videoSpec(duration);
    spec.camera.reset();
    spec.keys.clear();
    spec.videoWidth = width;
    spec.videoHeight = height;
    return spec;
}

class Proxies : public ::testing::Test {
protected:
    void SetUp() override { CoverLoader::clearCache(); }

    // A clip of 2 s in a folder of its own, with `proxy` beside it under `extension`.
    QString clipWith(const QString &name, const std::optional<fixture::ClipSpec> &proxy,
                     const QString &extension = QStringLiteral("LRF"))
    {
        QDir(dir.path()).mkdir(name);
        const QString clip = dir.filePath(name + QStringLiteral("/DJI_0001.MP4"));
        EXPECT_TRUE(fixture::writeClip(clip, clipSpec(2.0)));
        if (proxy) {
            EXPECT_TRUE(fixture::writeClip(companion(clip, extension), *proxy));
        }
        return clip;
    }
    static QString companion(const QString &clip, const QString &extension = QStringLiteral("LRF"))
    {
        return clip.chopped(3) + extension;
    }

    QTemporaryDir dir;
};

} // namespace

TEST(ProxyRule, SameAspectAsFarAsRoundingAllowsAndLengthWithinHalfASecond)
{
    const struct { StreamShape clip, proxy; bool matches; } cases[] = {
        {{{3840, 2160}, 3.0}, {{1280, 720}, 3.0}, true},
        {{{2688, 1512}, 10.0}, {{1280, 720}, 10.0}, true},
        {{{2160, 3840}, 3.0}, {{720, 1280}, 3.0}, true},       // portrait with a portrait proxy
        {{{1920, 1080}, 3.0}, {{1280, 722}, 3.4}, true},       // rounded to even lines
        {{{3840, 2160}, 3.0}, {{720, 1280}, 3.0}, false},      // a landscape proxy for portrait
        {{{3840, 2160}, 3.0}, {{1280, 960}, 3.0}, false},      // 4:3
        {{{3840, 2160}, 3.0}, {{1280, 720}, 3.6}, false},
        {{{3840, 2160}, 3.0}, {{1280, 720}, std::nan("")}, false},
        {{{3840, 2160}, 3.0}, {{0, 0}, 3.0}, false},
        {{{1280, 720}, 3.0}, {{1280, 720}, 3.0}, true},        // as large as the clip
        {{{1280, 720}, 3.0}, {{1920, 1080}, 3.0}, false},      // larger: dearer than the clip
    };
    for (const auto &c : cases) {
        EXPECT_EQ(proxyMatches(c.clip, c.proxy), c.matches)
            << c.proxy.size.width() << "x" << c.proxy.size.height() << " " << c.proxy.duration;
    }
}

TEST_F(Proxies, TakenOnlyWhenItDecodesWithTheClipsShapeAndLength)
{
    fixture::ClipSpec truncated = proxySpec(2.0);
    truncated.moovFirst = true;   // the index survives the cut, the last key frame does not
    const struct { QString name; std::optional<fixture::ClipSpec> proxy; QString extension; bool taken; } cases[] = {
        {QStringLiteral("valid"), proxySpec(2.3), QStringLiteral("LRF"), true},
        {QStringLiteral("lower"), proxySpec(2.0), QStringLiteral("lrf"), true},
        {QStringLiteral("missing"), std::nullopt, QStringLiteral("LRF"), false},
        {QStringLiteral("longer"), proxySpec(3.0), QStringLiteral("LRF"), false},
        {QStringLiteral("squarer"), proxySpec(2.0, 320, 240), QStringLiteral("LRF"), false},
        {QStringLiteral("larger"), proxySpec(2.0, 1280, 720), QStringLiteral("LRF"), false},
        {QStringLiteral("cut"), truncated, QStringLiteral("LRF"), false},
        {QStringLiteral("garbage"), std::nullopt, QStringLiteral("LRF"), false},
    };
    for (const auto &c : cases) {
        const QString clip = clipWith(c.name, c.proxy, c.extension);
        const QString proxy = companion(clip, c.extension);
        if (c.name == QLatin1String("cut")) {
            // A copy that ended before the second second: its key frame is gone.
            const fixture::ClipLayout layout = fixture::layoutOf(truncated);
            ASSERT_TRUE(QFile::resize(proxy, layout.mdatOffset + layout.mdatSize / 2));
        }
        if (c.name == QLatin1String("garbage")) {
            QFile file(proxy);
            ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write(QByteArray(4096, 'x')) == 4096);
        }
        const PreviewChoice choice = previewSource(clip);
        EXPECT_EQ(choice.proxy, c.taken) << c.name.toStdString() << ": " << choice.note.toStdString();
        EXPECT_EQ(choice.path, c.taken ? proxy : clip) << c.name.toStdString();
        EXPECT_EQ(choice.note.isEmpty(), c.taken) << c.name.toStdString();
    }
}

TEST_F(Proxies, ThumbnailsTilesAndScrubbingReadItGradedAsTheClip)
{
    const QString clip = clipWith(QStringLiteral("read"), proxySpec(2.0));
    const std::optional<QImage> plain = CoverLoader::render(clip, 2.0, nullptr);
    const std::optional<QImage> graded = CoverLoader::render(clip, 2.0, LUTEngine::dLog().get());
    ASSERT_TRUE(plain && graded);
    EXPECT_EQ(plain->size(), QSize(320, 180));   // the clip itself would give 520x293
    EXPECT_EQ(frameNumber(*plain), 0);
    EXPECT_EQ(*graded, *LUTEngine::dLog()->apply(*plain));

    auto tile = TilePlayer::create(clip, 2.0);
    tile->setTargetSize(QSize(640, 360));
    ASSERT_TRUE(waitFor([&] { return !tile->frame().isNull(); }));
    EXPECT_EQ(tile->frame().size(), QSize(320, 180));
    tile->stop();

    const QUuid card = QUuid::createUuid();
    PreviewPlayer::source()->setTargetSize(QSize(640, 360));
    PreviewPlayer::start(clip, card, LUTEngine::dLog());
    PreviewPlayer::scrub(0.5, card);
    ASSERT_TRUE(waitFor([] { return !PreviewPlayer::source()->frame().isNull() && !PreviewPlayer::isSeeking(); }));
    const QImage scrubbed = PreviewPlayer::source()->frame();
    EXPECT_EQ(scrubbed.size(), QSize(320, 180));
    PreviewPlayer::stop(card);
    PreviewPlayer::source()->setTargetSize(QSize(160, 90));

    // A companion spoilt later is noticed by its new size and dropped: the clip is read.
    QFile file(companion(clip));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write("not a video") > 0);
    file.close();
    CoverLoader::clearCache();
    EXPECT_EQ(CoverLoader::render(clip, 2.0, nullptr).value_or(QImage()).size(), QSize(520, 293));
}

#ifdef VIDORRA_PROBE
TEST_F(Proxies, ProbeSaysWhichFileAndWhichDecoderThePreviewsUse)
{
    const QString good = clipWith(QStringLiteral("probe-good"), proxySpec(2.0));
    const QString longer = clipWith(QStringLiteral("probe-long"), proxySpec(3.0));
    QProcess probe;
    probe.start(QStringLiteral(VIDORRA_PROBE), {QStringLiteral("--decode"), good, longer});
    ASSERT_TRUE(probe.waitForFinished(60000));
    ASSERT_EQ(probe.exitCode(), 0);
    const QList<QByteArray> lines = probe.readAllStandardOutput().trimmed().split('\n');
    ASSERT_EQ(lines.size(), 2);
    const QJsonObject first = QJsonDocument::fromJson(lines[0]).object(), second = QJsonDocument::fromJson(lines[1]).object();
    const QJsonObject previews = first[QStringLiteral("previews")].toObject();
    EXPECT_TRUE(previews[QStringLiteral("proxy")].toBool());
    EXPECT_EQ(previews[QStringLiteral("file")].toString(), companion(good));
    EXPECT_EQ(previews[QStringLiteral("size")].toString(), QStringLiteral("320x180"));
    EXPECT_EQ(first[QStringLiteral("clip")].toObject()[QStringLiteral("size")].toString(), QStringLiteral("640x360"));
    // Software says why not the graphics hardware (these machines have none).
    const bool software = previews[QStringLiteral("decoder")].toString() == QLatin1String("software");
    EXPECT_TRUE(software || previews[QStringLiteral("decoder")].toString() == QLatin1String("VA-API"));
    EXPECT_EQ(previews[QStringLiteral("hardwareNote")].toString().isEmpty(), !software);
    const QJsonObject refused = second[QStringLiteral("previews")].toObject();
    EXPECT_FALSE(refused[QStringLiteral("proxy")].toBool());
    EXPECT_EQ(refused[QStringLiteral("file")].toString(), longer);
    EXPECT_TRUE(refused[QStringLiteral("proxyNote")].toString().contains(QStringLiteral("3.00 s long")));
}
#endif
