#include "ui/window/ColorTables.h"

#include "library/Organize.h"
#include "model/Jobs.h"
#include "model/Model.h"
#include "model/Preferences.h"
#include "text/Language.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>

namespace vidorra {

namespace {

size_t slotOf(LUTEngine::Grade grade) { return size_t(grade); }

} // namespace

ColorTables::ColorTables(Model *m, QObject *parent) : QObject(parent), model(m)
{
    // One reader: a file chosen for two profiles is then read once and shared.
    readers.setMaxThreadCount(1);
    readers.setObjectName(QStringLiteral("colorTableReaders"));
}

ColorTables::~ColorTables()
{
    readers.clear();
    readers.waitForDone();
}

const char *ColorTables::preferenceKey(Grade grade)
{
    switch (grade) {
    case Grade::dLog: return Preferences::lutPathDLogKey;
    case Grade::dLog2: return Preferences::lutPathDLog2Key;
    case Grade::general: break;
    }
    return Preferences::lutPathGeneralKey;
}

QString ColorTables::profileName(Grade grade)
{
    switch (grade) {
    case Grade::dLog: return QStringLiteral("D-Log");
    case Grade::dLog2: return QStringLiteral("D-Log 2");
    case Grade::general: break;
    }
    return L("Other log and HLG");
}

QString ColorTables::exportTitle(Grade grade)
{
    return L("Vidorra built-in grade for %@", {profileName(grade)});
}

void ColorTables::restore()
{
    for (Grade grade : LUTEngine::grades) {
        Slot &slot = slots[slotOf(grade)];
        slot.path = Preferences::lutPath(preferenceKey(grade));
        if (slot.path)
            read(grade, *slot.path, Why::restore);
    }
}

void ColorTables::choose(Grade grade, const QString &path)
{
    read(grade, QDir::cleanPath(QFileInfo(path).absoluteFilePath()), Why::choose);
}

void ColorTables::useBuiltIn(Grade grade)
{
    Slot &slot = slots[slotOf(grade)];
    const quint64 asked = slot.asked + 1;   // a read still on its way is dropped
    slot = Slot{};
    slot.asked = asked;
    Preferences::setLutPath(preferenceKey(grade), std::nullopt);
    install(grade, nullptr);
}

void ColorTables::refresh()
{
    for (Grade grade : LUTEngine::grades) {
        const Slot &slot = slots[slotOf(grade)];
        if (slot.path)
            read(grade, *slot.path, Why::refresh);
    }
}

void ColorTables::read(Grade grade, const QString &path, Why why)
{
    Slot &slot = slots[slotOf(grade)];
    // A choice supersedes every read before it; a refresh supersedes nothing, so the
    // application becoming active just after a choice cannot undo it.
    const quint64 ticket = why == Why::refresh ? slot.asked : ++slot.asked;
    const std::optional<FileStamp> seen = slot.seen;
    ++pending;
    // The destructor waits for a running read; the continuation is dropped if the
    // tables are gone before it is delivered.
    runJob(readers, this, [path, why, seen] {
        // A refresh reads only a file that changed since the last look; even the look
        // stays off the main thread, where a stalled network mount would hold it up.
        std::optional<CubeFile> file;
        if (why != Why::refresh || stampOf(path) != seen)
            file = sharedCubeFile(path);
        return file;
    }, [this, grade, path, ticket, why](const std::optional<CubeFile> &file) {
        apply(grade, path, ticket, why, file);
    });
}

void ColorTables::apply(Grade grade, const QString &path, quint64 ticket, Why why,
                        const std::optional<CubeFile> &read)
{
    Slot &slot = slots[slotOf(grade)];
    // Unchanged, a newer choice was asked for since, or a refresh of a file no longer chosen.
    if (!read || ticket != slot.asked || (why == Why::refresh && slot.path != path)) {
        finishRead();
        return;
    }
    const CubeFile &file = *read;
    if (file.cube) {
        const bool moved = slot.path != path;
        slot.path = path;
        slot.title = file.title;
        slot.seen = file.stamp;
        if (why == Why::choose)
            Preferences::setLutPath(preferenceKey(grade), path);
        if (file.cube != slot.cube) {
            slot.cube = file.cube;
            install(grade, file.cube);
        } else if (moved) {
            Q_EMIT changed();
        }
    } else if (why == Why::choose) {
        failures.append(cubeMessage(*file.error, path));   // the stored choice stays
    } else {
        // Said once per state of the file: a refresh reads it again only when it changes.
        slot.seen = file.stamp;
        failures.append(cubeMessage(*file.error, path));
    }
    finishRead();
}

void ColorTables::install(Grade grade, CubePtr cube)
{
    LUTEngine::setTable(grade, std::move(cube));
    Q_EMIT changed();
}

void ColorTables::finishRead()
{
    if (--pending > 0)
        return;
    if (!failures.isEmpty() && model)
        model->setMessage(issues(L("Color table not loaded, the grade stays as it was:"), failures));
    failures.clear();
    Q_EMIT settled();
}

bool ColorTables::exportBuiltIn(Grade grade, const QString &path)
{
    const QString name = QFileInfo(path).fileName();
    QSaveFile file(path);
    const QByteArray text = cubeText(*LUTEngine::builtIn(grade), exportTitle(grade));
    const bool written = file.open(QIODevice::WriteOnly) && file.write(text) == text.size() && file.commit();
    if (model) {
        model->setMessage(written ? L("Exported %@", {name})
                                  : issues(L("The built-in grade was not exported:"),
                                           {name + QStringLiteral(": ") + file.errorString()}));
    }
    return written;
}

ColorTables::State ColorTables::state(Grade grade) const
{
    const Slot &slot = slots[slotOf(grade)];
    State s;
    s.path = slot.path;
    s.inForce = slot.cube != nullptr;
    if (slot.path)
        s.name = slot.cube && !slot.title.isEmpty() ? slot.title : QFileInfo(*slot.path).fileName();
    return s;
}

} // namespace vidorra
