// The input is a moov payload: the QuickTime key list under its meta box.
#include "metadata/CameraReader.h"

using namespace vidorra;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray moov(reinterpret_cast<const char *>(data), qsizetype(size));
    const QMap<QString, QString> keys = readDJIKeys(moov);
    for (auto it = keys.cbegin(); it != keys.cend(); ++it)
        (void)it.value().size();
    return 0;
}
