#include "import/Checksum.h"

#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>
#include <vector>
#include <xxhash.h>

namespace vidorra {

QString Digest::hex() const
{
    static constexpr char digits[] = "0123456789abcdef";
    QString out(32, Qt::Uninitialized);
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        out[qsizetype(2 * i)] = QLatin1Char(digits[bytes[i] >> 4]);
        out[qsizetype(2 * i + 1)] = QLatin1Char(digits[bytes[i] & 15]);
    }
    return out;
}

namespace {
int hexValue(char16_t c)
{
    if (c >= u'0' && c <= u'9')
        return c - u'0';
    if (c >= u'a' && c <= u'f')
        return c - u'a' + 10;
    if (c >= u'A' && c <= u'F')
        return c - u'A' + 10;
    return -1;
}
} // namespace

std::optional<Digest> Digest::fromHex(QStringView text)
{
    if (text.size() != 32)
        return std::nullopt;
    Digest d;
    for (qsizetype i = 0; i < 32; ++i) {
        const int v = hexValue(text[i].unicode());
        if (v < 0)
            return std::nullopt;
        d.bytes[std::size_t(i / 2)] |= static_cast<unsigned char>(i % 2 ? v : v << 4);
    }
    return d;
}

struct Hasher::State {
    XXH3_state_t *xxh = XXH3_createState();
    ~State() { XXH3_freeState(xxh); }
};

Hasher::Hasher() : state(std::make_unique<State>()) { reset(); }
Hasher::~Hasher() = default;

void Hasher::reset() { XXH3_128bits_reset(state->xxh); }

void Hasher::add(const void *data, std::size_t size) { XXH3_128bits_update(state->xxh, data, size); }

Digest Hasher::digest() const
{
    XXH128_canonical_t canonical;
    XXH128_canonicalFromHash(&canonical, XXH3_128bits_digest(state->xxh));
    Digest d;
    static_assert(sizeof canonical.digest == sizeof d.bytes);
    std::copy(std::begin(canonical.digest), std::end(canonical.digest), d.bytes.begin());
    return d;
}

std::optional<Digest> hashFile(const QString &path, int *error, const std::function<bool(qint64)> &keepGoing)
{
    int err = 0;
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        if (error)
            *error = errno;
        return std::nullopt;
    }
    ::posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
    std::vector<char> buffer(std::size_t(4) << 20);
    Hasher hasher;
    qint64 total = 0;
    for (;;) {
        const ssize_t n = ::read(fd, buffer.data(), buffer.size());
        if (n < 0) {
            if (errno == EINTR)
                continue;
            err = errno;
            break;
        }
        if (n == 0)
            break;
        hasher.add(buffer.data(), std::size_t(n));
        total += n;
        if (keepGoing && !keepGoing(total)) {
            err = ECANCELED;
            break;
        }
    }
    // What was read for a check is not worth keeping in memory.
    ::posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED);
    ::close(fd);
    if (err) {
        if (error)
            *error = err;
        return std::nullopt;
    }
    return hasher.digest();
}

} // namespace vidorra
