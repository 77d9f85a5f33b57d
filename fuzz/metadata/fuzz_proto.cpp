// The input is a protobuf message: a flat parse and the camera's paths through it.
#include "metadata/Proto.h"

using namespace vidorra;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    (void)parseProto(bytes);
    static const QList<QList<qint64>> paths = {
        {1, 1, 10}, {1, 1, 1}, {2, 2, 1, 5}, {2, 3, 3}, {2, 3, 1}, {2, 3, 2},
        {2, 3, 5}, {2, 2, 3, 1}, {3, 2, 9, 1}, {3, 2, 24, 1}, {1}, {1, 1, 1, 1, 1, 1},
    };
    for (const auto &path : paths) {
        (void)pbValue(bytes, path);
        (void)pbDouble(bytes, path);
        (void)pbInt(bytes, path);
        (void)pbString(bytes, path);
    }
    return 0;
}
