// The full-size preview's own decoding: pictures from our decoder on the player's clock
// (advancing, exact while paused, looping, torn down mid-decode), the clip's sound as the
// player's stream, and the player's own video for what our decoder cannot show.
#include "preview/ClipSound.h"
#include "ui/frames/PlayerSurface.h"
#include "VideoClips.h"

#include <QMediaPlayer>
#include <QPointer>
#include <QVideoSink>
#include <QtEndian>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

using namespace vidorra;
using namespace vidorra::test;

namespace {

class Playback : public ::testing::Test {
protected:
    void SetUp() override
    {
        surface->resize(160, 90);
        surface->setPlayer(player.get());
        QObject::connect(surface.get(), &PlayerSurface::frameShown, [this] {
            shown.push_back(frameNumber(surface->currentFrame()));
        });
    }
    void TearDown() override
    {
        surface.reset();
        player->setSource(QUrl());
    }
    void play(const QString &path)
    {
        player->setSource(QUrl::fromLocalFile(path));
        player->play();
    }
    int current() const { return shown.empty() ? -2 : shown.back(); }
    // Plays `path`, pauses once it is under way and waits for the player to settle there.
    void pausedOn(const QString &path)
    {
        play(path);
        ASSERT_TRUE(waitFor([&] { return !shown.empty() && player->position() >= 200; }));
        player->pause();
        ASSERT_TRUE(waitFor([&] { return player->playbackState() == QMediaPlayer::PausedState; }));
    }

    std::unique_ptr<QMediaPlayer> player{makeMediaPlayer(nullptr)};
    std::unique_ptr<PlayerSurface> surface = std::make_unique<PlayerSurface>();
    std::vector<int> shown;
};

// A clip whose video stream does not decode: the file and its index are sound, every
// picture's bytes are zero.
QString undecodableClip(QTemporaryDir &dir)
{
    const QString path = dir.filePath(QStringLiteral("blank.mp4"));
    EXPECT_TRUE(fixture::writeClip(path, videoSpec(2.0)));
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::ReadWrite));
    QByteArray bytes = file.readAll();
    const qsizetype box = bytes.indexOf("mdat") - 4;
    EXPECT_GT(box, 0);
    const quint32 size = qFromBigEndian<quint32>(bytes.constData() + box);
    bytes.replace(box + 8, size - 8, QByteArray(size - 8, '\0'));
    file.seek(0);
    file.write(bytes);
    return path;
}

// A sound-only QuickTime file: 16-bit mono at 8000 Hz, each sample its own index (mod
// 32768), `seconds` long.
QString rampSound(QTemporaryDir &dir, double seconds)
{
    const QString path = dir.filePath(QStringLiteral("ramp.mov"));
    AVFormatContext *out = nullptr;
    avformat_alloc_output_context2(&out, nullptr, "mov", path.toUtf8().constData());
    AVStream *st = avformat_new_stream(out, nullptr);
    st->codecpar->codec_type = AVMEDIA_TYPE_AUDIO;
    st->codecpar->codec_id = AV_CODEC_ID_PCM_S16LE;
    st->codecpar->sample_rate = 8000;
    av_channel_layout_default(&st->codecpar->ch_layout, 1);
    st->codecpar->bits_per_coded_sample = 16;
    st->time_base = {1, 8000};
    EXPECT_GE(avio_open(&out->pb, path.toUtf8().constData(), AVIO_FLAG_WRITE), 0);
    EXPECT_GE(avformat_write_header(out, nullptr), 0);
    const int total = int(seconds * 8000), chunk = 1000;
    for (int first = 0; first < total; first += chunk) {
        AVPacket *packet = av_packet_alloc();
        av_new_packet(packet, chunk * 2);
        for (int i = 0; i < chunk; ++i)
            qToLittleEndian<qint16>(qint16((first + i) % 32768), packet->data + 2 * i);
        packet->pts = packet->dts = av_rescale_q(first, {1, 8000}, st->time_base);
        packet->duration = av_rescale_q(chunk, {1, 8000}, st->time_base);
        av_interleaved_write_frame(out, packet);
        av_packet_free(&packet);
    }
    av_write_trailer(out);
    avio_closep(&out->pb);
    avformat_free_context(out);
    return path;
}

} // namespace

TEST_F(Playback, OurDecoderShowsTheClipAdvancingWhileThePlayerPlaysItsSoundAlone)
{
    play(clipPath(4.0));
    ASSERT_TRUE(waitFor([&] { return current() >= 12; }));
    // The player keeps the clip's name, reads a stream of its sound and decodes no video.
    EXPECT_EQ(player->source(), QUrl::fromLocalFile(clipPath(4.0)));
    EXPECT_NE(player->sourceDevice(), nullptr);
    EXPECT_EQ(player->videoSink(), nullptr);
    EXPECT_EQ(surface->currentFrame().size(), QSize(160, 90));   // converted at the size shown
    EXPECT_EQ(std::count(shown.begin(), shown.end(), -1), 0) << "a picture came out garbled";
    EXPECT_TRUE(std::is_sorted(shown.begin(), shown.end()));
    EXPECT_GE(shown.size(), 5u);
    // At the player's time: a second in, about ten frames have passed.
    EXPECT_NEAR(current(), int(player->position() / 100), 4);
}

TEST_F(Playback, PausedItShowsTheExactFrameWhereverThePlayerIsSet)
{
    pausedOn(clipPath(4.0));
    for (const auto &[ms, frame] : {std::pair{2500, 25}, {700, 7}, {1300, 13}, {1000, 10}}) {
        player->setPosition(ms);
        EXPECT_TRUE(waitFor([&, frame = frame] { return current() == frame; })) << ms << " ms shows " << current();
    }
    // Playing on from there.
    const size_t before = shown.size();
    player->play();
    ASSERT_TRUE(waitFor([&] { return current() >= 15; }));
    EXPECT_GE(*std::min_element(shown.begin() + qsizetype(before), shown.end()), 10);
    // The last frame, for a position past it.
    player->pause();
    player->setPosition(3990);
    EXPECT_TRUE(waitFor([&] { return current() == 39; })) << current();
}

TEST_F(Playback, ALoopingPlayerStartsThePictureOverAtZero)
{
    player->setLoops(QMediaPlayer::Infinite);
    play(clipPath(1.0));
    EXPECT_TRUE(waitFor([&] {
        const auto high = std::find_if(shown.begin(), shown.end(), [](int n) { return n >= 7; });
        return high != shown.end() && std::any_of(high, shown.end(), [](int n) { return n >= 0 && n <= 2; });
    }));
}

TEST_F(Playback, ASurfaceGoingAwayMidDecodeStopsItsThreadAndGivesThePlayerItsClipBack)
{
    // A larger clip at 120 frames a second keeps the decoder busy.
    QTemporaryDir dir;
    fixture::ClipSpec fast = videoSpec(3.0);
    fast.fps = 120;
    fast.videoWidth = 1280;
    fast.videoHeight = 720;
    const QString path = dir.filePath(QStringLiteral("fast.mp4"));
    ASSERT_TRUE(fixture::writeClip(path, fast));

    play(path);
    surface.reset();   // still opening
    EXPECT_EQ(player->sourceDevice(), nullptr);
    EXPECT_EQ(player->source(), QUrl::fromLocalFile(path));

    surface = std::make_unique<PlayerSurface>();
    surface->resize(640, 360);
    surface->setPlayer(player.get());
    QPointer<PlayerSurface> watched = surface.get();
    int pictures = 0;
    QObject::connect(surface.get(), &PlayerSurface::frameShown, [&] { ++pictures; });
    player->setSource(QUrl());
    play(path);
    ASSERT_TRUE(waitFor([&] { return pictures >= 3; }));
    surface.reset();   // decoding
    EXPECT_EQ(player->sourceDevice(), nullptr);
    EXPECT_EQ(player->playbackState(), QMediaPlayer::PlayingState);
    QTest::qWait(50);   // a picture already on its way reaches nothing
    EXPECT_TRUE(watched.isNull());
}

TEST_F(Playback, WhatOurDecoderCannotShowThePlayerShowsItself)
{
    // A clip whose pictures do not decode goes back to the player, sink and all.
    QTemporaryDir dir;
    play(undecodableClip(dir));
    ASSERT_TRUE(waitFor([&] { return player->videoSink() != nullptr; }));
    EXPECT_EQ(player->sourceDevice(), nullptr);
    EXPECT_EQ(player->playbackState(), QMediaPlayer::PlayingState);

    // So does a clip while the player is asked to show its own video: it plays there.
    qputenv("VIDORRA_PREVIEW_PLAYER_VIDEO", "1");
    play(clipPath(2.0));
    const bool played = waitFor([&] { return shown.size() >= 3; }, 15000);
    qunsetenv("VIDORRA_PREVIEW_PLAYER_VIDEO");
    if (!played && player->error() != QMediaPlayer::NoError)
        GTEST_SKIP() << "Qt Multimedia cannot play here: " << player->errorString().toStdString();
    ASSERT_TRUE(played);
    EXPECT_NE(player->videoSink(), nullptr);
    EXPECT_GE(*std::max_element(shown.begin(), shown.end()), 1);
}

TEST(ClipSoundStream, TheSoundAsWaveAtEveryOffsetAndSilenceForAClipWithout)
{
    QTemporaryDir dir;
    const auto sound = ClipSound::open(rampSound(dir, 3.0));
    ASSERT_TRUE(sound);
    EXPECT_FALSE(sound->silent());
    ASSERT_EQ(sound->size(), 44 + 3 * 8000 * 2);
    const QByteArray header = sound->read(44);
    EXPECT_TRUE(header.startsWith("RIFF") && header.mid(8, 8) == "WAVEfmt " && header.mid(36, 4) == "data");
    EXPECT_EQ(qFromLittleEndian<quint32>(header.constData() + 24), 8000u);
    EXPECT_EQ(qFromLittleEndian<quint32>(header.constData() + 40), quint32(3 * 8000 * 2));
    auto sampleAt = [&](qint64 index) {
        sound->seek(44 + 2 * index);
        const QByteArray two = sound->read(2);
        return two.size() == 2 ? int(qFromLittleEndian<qint16>(two.constData())) : -1;
    };
    // Reading on, jumping ahead, stepping back, reading across the decoder's packets.
    for (const qint64 index : {0, 1, 999, 1000, 20000, 5, 23999, 12345})
        EXPECT_EQ(sampleAt(index), int(index % 32768)) << index;
    sound->seek(44 + 2 * 1990);
    const QByteArray run = sound->read(40);
    ASSERT_EQ(run.size(), 40);
    for (int i = 0; i < 20; ++i)
        EXPECT_EQ(qFromLittleEndian<qint16>(run.constData() + 2 * i), 1990 + i);
    EXPECT_TRUE(sound->read(2).size() == 2 && sound->seek(sound->size()) && sound->read(2).isEmpty());

    // A clip without sound gives silence as long as its picture.
    const auto silence = ClipSound::open(clipPath(2.0));
    ASSERT_TRUE(silence);
    EXPECT_TRUE(silence->silent());
    EXPECT_EQ(silence->size(), 44 + 2 * silence->sampleRate() * 2);
    silence->seek(44 + 1000);
    EXPECT_EQ(silence->read(64), QByteArray(64, '\0'));

    QFile junk(dir.filePath(QStringLiteral("junk.mp4")));
    ASSERT_TRUE(junk.open(QIODevice::WriteOnly) && junk.write(QByteArray(4096, 'x')) > 0);
    junk.close();
    EXPECT_FALSE(ClipSound::open(junk.fileName()));
}
