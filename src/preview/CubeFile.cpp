#include "preview/CubeFile.h"

#include "text/Language.h"

#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <cerrno>
#include <limits>
#include <fcntl.h>
#include <map>
#include <mutex>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace vidorra {

namespace {

CubeError fileError(CubeError::Kind kind, const QString &detail = {})
{
    CubeError e;
    e.kind = kind;
    e.detail = detail;
    return e;
}

FileStamp stampFrom(const struct stat &st)
{
    return {quint64(st.st_dev), quint64(st.st_ino), qint64(st.st_size),
            qint64(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec,
            qint64(st.st_ctim.tv_sec) * 1000000000 + st.st_ctim.tv_nsec};
}

// An open file descriptor, closed on every way out.
struct OpenFile {
    int fd = -1;
    FileStamp stamp;
    std::optional<CubeError> error;
    OpenFile() = default;
    OpenFile(const OpenFile &) = delete;
    OpenFile &operator=(const OpenFile &) = delete;
    ~OpenFile()
    {
        if (fd >= 0)
            ::close(fd);
    }
};

// Opens without blocking (a pipe would wait for a writer) and accepts regular files only.
void openCube(const QString &path, OpenFile &file)
{
    const QByteArray native = QFile::encodeName(path);
    file.fd = ::open(native.constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (file.fd < 0) {
        file.error = fileError(CubeError::Kind::unreadable, qt_error_string(errno));
        return;
    }
    struct stat st {};
    if (::fstat(file.fd, &st) != 0) {
        file.error = fileError(CubeError::Kind::unreadable, qt_error_string(errno));
        return;
    }
    file.stamp = stampFrom(st);
    if (S_ISDIR(st.st_mode))
        file.error = fileError(CubeError::Kind::folder);
    else if (!S_ISREG(st.st_mode))
        file.error = fileError(CubeError::Kind::notRegularFile);
    else if (st.st_size > cubeMaxFileBytes) {
        file.error = fileError(CubeError::Kind::tooLarge);
        file.error->found = st.st_size;
    }
}

CubeFile refused(const OpenFile &file)
{
    CubeFile out;
    if (file.fd >= 0)
        out.stamp = file.stamp;
    out.error = file.error;
    return out;
}

CubeFile parseOpen(OpenFile &file)
{
    CubeFile out;
    out.stamp = file.stamp;
    // The size may have changed since fstat: read to the end, but never past the limit.
    std::string text;
    text.resize(size_t(std::min(file.stamp.size, cubeMaxFileBytes)) + 1);
    size_t have = 0;
    for (;;) {
        if (have == text.size()) {
            if (qint64(have) > cubeMaxFileBytes) {
                out.error = fileError(CubeError::Kind::tooLarge);
                out.error->found = qint64(have);
                return out;
            }
            text.resize(std::min<size_t>(text.size() * 2, size_t(cubeMaxFileBytes) + 1));
        }
        const ssize_t got = ::read(file.fd, text.data() + have, text.size() - have);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0) {
            out.error = fileError(CubeError::Kind::unreadable, qt_error_string(errno));
            return out;
        }
        if (got == 0)
            break;
        have += size_t(got);
    }
    text.resize(have);
    CubeParse parsed = parseCube(text);
    if (CubeError *error = std::get_if<CubeError>(&parsed)) {
        out.error = std::move(*error);
        return out;
    }
    CubeTable &table = std::get<CubeTable>(parsed);
    out.title = table.title;
    out.cube = makeCube(table);
    return out;
}

// Tables read so far, by file; held weakly so a table nobody uses is let go.
struct SharedTables {
    struct Entry {
        FileStamp stamp;
        std::weak_ptr<const LUTCube> cube;
        QString title;
    };
    std::mutex mutex;
    std::map<std::pair<quint64, quint64>, Entry> byFile;
};

SharedTables &shared()
{
    static SharedTables tables;
    return tables;
}

} // namespace

CubeFile readCubeFile(const QString &path)
{
    OpenFile file;
    openCube(path, file);
    return file.error ? refused(file) : parseOpen(file);
}

CubeFile sharedCubeFile(const QString &path)
{
    OpenFile file;
    openCube(path, file);
    if (file.error)
        return refused(file);
    SharedTables &tables = shared();
    const std::pair key{file.stamp.device, file.stamp.inode};
    {
        std::lock_guard lock(tables.mutex);
        const auto it = tables.byFile.find(key);
        if (it != tables.byFile.end() && it->second.stamp == file.stamp) {
            if (CubePtr cube = it->second.cube.lock())
                return {cube, it->second.title, file.stamp, std::nullopt};
        }
    }
    CubeFile read = parseOpen(file);
    if (read.cube) {
        std::lock_guard lock(tables.mutex);
        tables.byFile[key] = {file.stamp, read.cube, read.title};
    }
    return read;
}

std::optional<FileStamp> stampOf(const QString &path)
{
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0)
        return std::nullopt;
    return stampFrom(st);
}

QString cubeMessage(const CubeError &e, const QString &path)
{
    using K = CubeError::Kind;
    const QString name = QFileInfo(path).fileName();
    const int line = int(std::min<qint64>(e.line, std::numeric_limits<int>::max()));
    switch (e.kind) {
    case K::unreadable:
        return name + QStringLiteral(": ") + e.detail;
    case K::folder:
        return L("%@ is a folder, not a color table", {name});
    case K::notRegularFile:
        return L("%@ is not a regular file", {name});
    case K::tooLarge:
        return L("%@ is too large for a color table (%@)",
                 {name, QLocale().formattedDataSize(e.found, 1, QLocale::DataSizeSIFormat)});
    case K::binary:
        return L("%@, line %d: binary data, not a color table", {name, line});
    case K::notANumber:
        return L("%@, line %d: “%@” is not a number", {name, line, e.detail});
    case K::notFinite:
        return L("%@, line %d: “%@” is not a finite number", {name, line, e.detail});
    case K::wrongCount:
        return L("%@, line %d: an entry needs 3 numbers, this one has %d", {name, line, int(e.found)});
    case K::keywordValues:
        if (e.expected == 1)
            return L("%@, line %d: %@ needs one whole number", {name, line, e.detail});
        if (e.expected == 2)
            return L("%@, line %d: %@ needs two numbers", {name, line, e.detail});
        return L("%@, line %d: %@ needs three numbers", {name, line, e.detail});
    case K::sizeOutOfRange:
        return L("%@, line %d: %@ %@ is outside 2 to %d", {name, line, e.detail, e.value, int(e.expected)});
    case K::emptyRange:
        return L("%@, line %d: %@ gives an empty input range", {name, line, e.detail});
    case K::conflictingRange:
        return L("%@, line %d: %@ gives another input range than the one before", {name, line, e.detail});
    case K::repeated:
        return L("%@, line %d: %@ repeats a setting given before", {name, line, e.detail});
    case K::keywordAfterEntries:
        return L("%@, line %d: %@ after the entries", {name, line, e.detail});
    case K::entriesBeforeSize:
        return L("%@, line %d: entries before LUT_3D_SIZE or LUT_1D_SIZE", {name, line});
    case K::tooManyEntries:
        return L("%@, line %d: more entries than the %d the sizes announce", {name, line, int(e.expected)});
    case K::tooFewEntries:
        return L("%@, line %d: the file ends after %d of %d entries", {name, line, int(e.found), int(e.expected)});
    case K::noSize:
        break;
    }
    return L("%@ has no LUT_3D_SIZE or LUT_1D_SIZE: not a color table", {name});
}

} // namespace vidorra
