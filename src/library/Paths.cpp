#include "library/Paths.h"

#include <QDir>
#include <QFileInfo>
#include <sys/stat.h>

namespace vidorra {

QString standardized(const QString &path)
{
    if (path.isEmpty())
        return path;
    return QDir::cleanPath(QDir::isAbsolutePath(path) ? path : QDir::current().absoluteFilePath(path));
}

QString fileName(const QString &path)
{
    // The plain case without cleaning: scans ask this for every file.
    qsizetype end = path.size();
    while (end > 1 && path.at(end - 1) == u'/')
        --end;
    const qsizetype slash = path.lastIndexOf(u'/', end - 1);
    const QStringView last = QStringView(path).mid(slash + 1, end - slash - 1);
    if (last != u"." && last != u"..")
        return last.toString();
    const QString clean = QDir::cleanPath(path);
    return clean.mid(clean.lastIndexOf(u'/') + 1);
}

QString parentPath(const QString &path)
{
    const QString clean = standardized(path);
    const qsizetype slash = clean.lastIndexOf(u'/');
    if (slash <= 0)
        return QStringLiteral("/");
    return clean.left(slash);
}

QString stemOf(const QString &path)
{
    const QString name = fileName(path);
    const qsizetype dot = name.lastIndexOf(u'.');
    return dot <= 0 ? name : name.left(dot);
}

QString extensionOf(const QString &path)
{
    const QString name = fileName(path);
    const qsizetype dot = name.lastIndexOf(u'.');
    return dot <= 0 ? QString() : name.mid(dot + 1);
}

QString withExtension(const QString &path, const QString &ext)
{
    const QString folder = parentPath(path);
    const QString stem = stemOf(path);
    return (folder == u"/" ? folder : folder + u'/') + stem + u'.' + ext;
}

bool existsAt(const QString &path)
{
    struct stat st;
    return ::lstat(QFile::encodeName(path).constData(), &st) == 0;
}

bool isRegularFile(const QString &path)
{
    struct stat st;
    return ::lstat(QFile::encodeName(path).constData(), &st) == 0 && S_ISREG(st.st_mode);
}

bool isDirectory(const QString &path)
{
    struct stat st;
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 && S_ISDIR(st.st_mode);
}

} // namespace vidorra
