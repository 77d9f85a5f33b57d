// The input is a whole clip file: the moov search, the box walk over its payload
// and the readers built on it.
#include "metadata/BoxReader.h"
#include "metadata/CameraReader.h"
#include "metadata/PositionedReader.h"

#include <stdexcept>

using namespace vidorra;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray file(reinterpret_cast<const char *>(data), qsizetype(size));

    // The walk straight over the raw bytes, two levels deep.
    for (const Box &box : boxes(file, 0, file.size())) {
        (void)child(file, box.range(), QStringLiteral("mdhd"));
        (void)mediaDuration(file, box.range());
        (void)boxes(file, box.start, box.end);
    }

    MemoryReader reader(file);
    try {
        if (const auto moov = readMoov(reader))
            (void)boxes(*moov, 0, moov->size());
    } catch (const std::runtime_error &) {
    }
    MemoryReader a(file), b(file), c(file);
    (void)readClip(a);
    (void)readBasic(b);
    (void)readCoverData(c);
    return 0;
}
