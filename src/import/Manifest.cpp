#include "import/Manifest.h"

#include "library/Paths.h"
#include "library/SafeMove.h"
#include "text/Language.h"

#include <QDirIterator>
#include <QFile>
#include <QHash>
#include <QSet>

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace vidorra {

QString manifestName() { return QStringLiteral("checksums.xxh128"); }

QByteArray manifestLine(const ManifestEntry &entry)
{
    const QByteArray name = QFile::encodeName(entry.path);
    const QByteArray hex = entry.digest.hex().toLatin1();
    if (!name.contains('\n'))
        return hex + "  " + name + '\n';
    QByteArray escaped;
    for (const char c : name) {
        if (c == '\\')
            escaped += "\\\\";
        else if (c == '\n')
            escaped += "\\n";
        else
            escaped += c;
    }
    return '\\' + hex + "  " + escaped + '\n';
}

namespace {

std::optional<QByteArray> unescape(const QByteArray &text)
{
    QByteArray out;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] != '\\') {
            out += text[i];
            continue;
        }
        if (++i >= text.size())
            return std::nullopt;
        if (text[i] == '\\')
            out += '\\';
        else if (text[i] == 'n')
            out += '\n';
        else
            return std::nullopt;
    }
    return out;
}

// A relative path that stays inside the folder.
bool staysInside(const QString &path)
{
    if (path.isEmpty() || path.startsWith(u'/'))
        return false;
    for (const QStringView part : QStringView(path).split(u'/')) {
        if (part == u"..")
            return false;
    }
    return true;
}

std::optional<ManifestEntry> parseLine(QByteArray line)
{
    const bool escaped = line.startsWith('\\');
    if (escaped)
        line.remove(0, 1);
    // "<hash>  <name>", or "<hash> *<name>" as binary-mode tools write it.
    if (line.size() < 35 || line[32] != ' ' || (line[33] != ' ' && line[33] != '*'))
        return std::nullopt;
    const auto digest = Digest::fromHex(QString::fromLatin1(line.left(32)));
    if (!digest)
        return std::nullopt;
    QByteArray name = line.mid(34);
    if (escaped) {
        const auto plain = unescape(name);
        if (!plain)
            return std::nullopt;
        name = *plain;
    }
    ManifestEntry entry{QFile::decodeName(name), *digest};
    if (entry.path.startsWith(QLatin1String("./")))
        entry.path.remove(0, 2);
    if (!staysInside(entry.path))
        return std::nullopt;
    return entry;
}

} // namespace

ManifestRead readManifest(const QString &path)
{
    ManifestRead read;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return read;
    read.found = true;
    const QList<QByteArray> lines = file.readAll().split('\n');
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QByteArray &line = lines[i];
        if (line.trimmed().isEmpty())
            continue;
        if (const auto entry = parseLine(line))
            read.entries << *entry;
        else
            read.badLines << L("line %d", {int(i + 1)});
    }
    return read;
}

ManifestWriter::ManifestWriter(QString folder) : folder(std::move(folder)) {}

ManifestWriter::~ManifestWriter()
{
    if (fd >= 0) {
        ::fdatasync(fd);
        ::close(fd);
    }
}

int ManifestWriter::append(const ManifestEntry &entry)
{
    if (fd < 0) {
        const QByteArray path = QFile::encodeName(folder + u'/' + manifestName());
        fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
        if (fd < 0)
            return errno;
    }
    const QByteArray line = manifestLine(entry);
    // One write per line, so an interrupted import never leaves half a line.
    const ssize_t n = ::write(fd, line.constData(), std::size_t(line.size()));
    if (n < 0)
        return errno;
    return n == line.size() ? 0 : ENOSPC;
}

int ManifestWriter::flush()
{
    if (fd >= 0 && ::fdatasync(fd) != 0)
        return errno;
    return 0;
}

VerifyReport verifyFolder(const QString &folder)
{
    VerifyReport report;
    const ManifestRead read = readManifest(folder + u'/' + manifestName());
    report.manifestFound = read.found;
    if (!read.found)
        return report;
    report.listed = int(read.entries.size());
    for (const QString &bad : read.badLines)
        report.problems << L("%@: not a checksum line", {bad});

    QSet<QString> listed;
    for (const ManifestEntry &e : read.entries)
        listed.insert(e.path);

    QList<ManifestEntry> missing;
    for (const ManifestEntry &e : read.entries) {
        const QString path = folder + u'/' + e.path;
        if (!isRegularFile(path)) {
            missing << e;
            continue;
        }
        int err = 0;
        const auto digest = hashFile(path, &err);
        if (!digest)
            report.problems << e.path + QStringLiteral(": ") + errorText(err);
        else if (*digest != e.digest)
            report.problems << L("%@: does not match its checksum", {e.path});
        else
            ++report.good;
    }
    if (missing.isEmpty())
        return report;

    // Files not listed may be listed ones moved by sorting or renamed: the same name is
    // tried first, then any unlisted file by its checksum. Each file answers for one entry.
    QHash<QString, QStringList> byName;
    QStringList unlisted;
    QDirIterator it(folder, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        const QString relative = path.mid(folder.size() + 1);
        if (listed.contains(relative) || relative == manifestName() || !isRegularFile(path))
            continue;
        unlisted << path;
        byName[fileName(path)] << path;
    }
    QHash<QString, std::optional<Digest>> hashed;
    QSet<QString> used;
    auto matches = [&](const QString &path, const Digest &want) {
        if (used.contains(path))
            return false;
        auto found = hashed.constFind(path);
        if (found == hashed.cend())
            found = hashed.insert(path, hashFile(path));
        if (*found != want)
            return false;
        used.insert(path);
        return true;
    };
    for (const ManifestEntry &e : missing) {
        bool found = false;
        for (const QString &path : byName.value(fileName(e.path))) {
            if ((found = matches(path, e.digest)))
                break;
        }
        for (qsizetype i = 0; !found && i < unlisted.size(); ++i)
            found = matches(unlisted[i], e.digest);
        if (found)
            ++report.good;
        else
            report.problems << L("%@: missing", {e.path});
    }
    return report;
}

} // namespace vidorra
