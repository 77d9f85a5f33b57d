// Protocol Buffers wire format: keys are (field << 3 | wire type), varints little-endian
// base 128, fixed-width values little-endian.
#include "ClipFixture.h"

#include <algorithm>
#include <cstring>

namespace vidorra::fixture {

namespace {

void appendVarint(QByteArray &b, quint64 v)
{
    while (v >= 0x80) {
        b.append(char((v & 0x7F) | 0x80));
        v >>= 7;
    }
    b.append(char(v));
}

void appendKey(QByteArray &b, qint64 field, int wireType)
{
    appendVarint(b, (quint64(field) << 3) | quint64(wireType));
}

template <typename T>
void appendLittle(QByteArray &b, T value)
{
    unsigned char raw[sizeof(T)];
    std::memcpy(raw, &value, sizeof(T));
    // The wire format is little-endian whatever the host is.
    if constexpr (Q_BYTE_ORDER == Q_BIG_ENDIAN)
        std::reverse(raw, raw + sizeof(T));
    b.append(reinterpret_cast<const char *>(raw), sizeof(T));
}

} // namespace

ProtoWriter &ProtoWriter::varint(qint64 field, quint64 value)
{
    appendKey(buf, field, 0);
    appendVarint(buf, value);
    return *this;
}

ProtoWriter &ProtoWriter::fixed64(qint64 field, double value)
{
    appendKey(buf, field, 1);
    appendLittle(buf, value);
    return *this;
}

ProtoWriter &ProtoWriter::fixed32(qint64 field, float value)
{
    appendKey(buf, field, 5);
    appendLittle(buf, value);
    return *this;
}

ProtoWriter &ProtoWriter::bytes(qint64 field, const QByteArray &payload)
{
    appendKey(buf, field, 2);
    appendVarint(buf, quint64(payload.size()));
    buf.append(payload);
    return *this;
}

// The camera's message, by the field paths the reader follows:
//   1 { 1 { 1: proto, 10: model } }
//   2 { 2 { 1 { 5: captureFPS }, 3 { 1: colorCode } },
//       3 { 1: width, 2: height, 3: playbackFPS, 5: bitDepth } }
//   3 { 2 { 9 { 1: iso }, 24 { 1: kelvin } } }
QByteArray encodeSample(const CameraSample &s)
{
    ProtoWriter device;
    if (!s.proto.isEmpty())
        device.text(1, s.proto);
    if (!s.model.isEmpty())
        device.text(10, s.model);
    ProtoWriter header;
    header.bytes(1, device.data());

    ProtoWriter capture;
    capture.fixed32(5, float(s.captureFPS));
    ProtoWriter color;
    color.varint(1, quint64(s.colorCode));
    ProtoWriter recording;
    recording.bytes(1, capture.data()).bytes(3, color.data());
    ProtoWriter stream;
    stream.varint(1, quint64(s.width))
        .varint(2, quint64(s.height))
        .fixed32(3, float(s.playbackFPS))
        .varint(5, quint64(s.bitDepth));
    ProtoWriter video;
    video.bytes(2, recording.data()).bytes(3, stream.data());

    ProtoWriter iso;
    iso.fixed32(1, float(s.iso));
    ProtoWriter exposure;
    exposure.bytes(9, iso.data());
    if (s.kelvin > 0) {
        ProtoWriter wb;
        wb.varint(1, quint64(s.kelvin));
        exposure.bytes(24, wb.data());
    }
    ProtoWriter frame;
    frame.bytes(2, exposure.data());

    ProtoWriter message;
    message.bytes(1, header.data()).bytes(2, video.data()).bytes(3, frame.data());
    return message.data();
}

} // namespace vidorra::fixture
