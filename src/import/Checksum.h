#pragma once
// XXH3-128 checksums, the kind offload tools and `xxhsum -H2` write.

#include <QString>
#include <array>
#include <cstddef>
#include <functional>
#include <memory>
#include <optional>

namespace vidorra {

// A checksum in its canonical byte order (the order xxhsum prints).
struct Digest {
    std::array<unsigned char, 16> bytes{};
    bool operator==(const Digest &) const = default;
    // 32 lower-case hexadecimal digits.
    QString hex() const;
    // Accepts 32 hexadecimal digits in either case; anything else gives none.
    static std::optional<Digest> fromHex(QStringView text);
};

// Streaming XXH3-128 of a sequence of bytes.
class Hasher {
public:
    Hasher();
    ~Hasher();
    Hasher(const Hasher &) = delete;
    Hasher &operator=(const Hasher &) = delete;

    void reset();
    void add(const void *data, std::size_t size);
    Digest digest() const;

private:
    struct State;
    std::unique_ptr<State> state;
};

// The checksum of a whole file, read with large sequential reads. On failure returns
// none and sets `error` to the errno value. `keepGoing`, when given, is asked after
// every read with the bytes read so far; false stops the reading (with ECANCELED).
std::optional<Digest> hashFile(const QString &path, int *error = nullptr,
                               const std::function<bool(qint64)> &keepGoing = {});

} // namespace vidorra
