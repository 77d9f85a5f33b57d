#pragma once
// A clip's sound as a WAV stream, decoded as it is read: what the full-size preview's
// media player plays while our own decoder shows the pictures. Given the clip itself,
// the player would decode its video too (only to drop it), taking a core from the
// picture and running its clock slow on 4K footage. The stream lasts as long as the
// clip; a clip without sound (or with sound that does not decode) gives silence of that
// length, so the player still keeps the time. Random access: a seek decodes from the
// packet before the position asked for.

#include <QByteArray>
#include <QIODevice>
#include <memory>

namespace vidorra {

class ClipSound : public QIODevice {
    Q_OBJECT
public:
    // The sound of the clip at `path`, open for reading; null when the file does not open
    // as media or its length is unknown.
    static std::unique_ptr<ClipSound> open(const QString &path);
    ~ClipSound() override;

    bool isSequential() const override { return false; }
    qint64 size() const override;

    int sampleRate() const { return rate_; }
    int channels() const { return channels_; }
    bool silent() const;   // the clip has no sound we can decode

protected:
    qint64 readData(char *data, qint64 maxSize) override;
    qint64 writeData(const char *, qint64) override { return -1; }

private:
    struct Media;
    ClipSound();
    bool fill(qint64 offset);
    bool decodeMore();
    void restartAt(qint64 offset);

    std::unique_ptr<Media> media_;
    QByteArray header_;
    int rate_ = 8000;
    int channels_ = 1;
    qint64 frames_ = 0;        // sample frames in the stream
    // Decoded samples, starting at byte `pcmStart_` of the data part.
    QByteArray pcm_;
    qint64 pcmStart_ = 0;
};

} // namespace vidorra
