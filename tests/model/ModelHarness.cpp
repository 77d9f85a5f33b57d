#include "ModelHarness.h"

#include "text/Language.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>

namespace vidorra::testing {

QStringList writeClips(const QString &folder, int count, const fixture::ClipSpec &spec, int first,
                       const QStringList &companions)
{
    QDir().mkpath(folder);
    const QByteArray bytes = fixture::buildClip(spec);
    QStringList paths;
    for (int n = first; n < first + count; ++n) {
        const QString stem = QStringLiteral("DJI_20240131123456_%1_D").arg(n, 4, 10, QLatin1Char('0'));
        const QString path = QDir(folder).filePath(stem + QStringLiteral(".MP4"));
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly)) << path.toStdString();
        f.write(bytes);
        for (const QString &ext : companions) {
            QFile c(QDir(folder).filePath(stem + u'.' + ext));
            EXPECT_TRUE(c.open(QIODevice::WriteOnly));
            c.write(QStringLiteral("%1 of %2").arg(ext, stem).toUtf8());
        }
        paths.append(path);
    }
    return paths;
}

fixture::ClipSpec fullHdSpec()
{
    fixture::ClipSpec s;
    s.width = 1920;
    s.height = 1080;
    s.camera->width = 1920;
    s.camera->height = 1080;
    return s;
}

fixture::ClipSpec slowMotionSpec()
{
    fixture::ClipSpec s;
    s.camera->captureFPS = 120;
    s.camera->playbackFPS = 30;
    return s;
}

fixture::ClipSpec foreignSpec()
{
    fixture::ClipSpec s;
    s.camera.reset();
    s.keys.clear();
    return s;
}

QByteArray fileBytes(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QStringList fileNames(const QList<Planned> &items)
{
    QStringList names;
    for (const Planned &p : items)
        names.append(QFileInfo(p.url).fileName());
    return names;
}

// ---- ChangeCounter ----

ChangeCounter::ChangeCounter(Model &model)
{
    const QMetaObject *meta = model.metaObject();
    for (int i = meta->propertyOffset(); i < meta->propertyCount(); ++i) {
        const QMetaProperty p = meta->property(i);
        if (p.hasNotifySignal())
            spies_.append({QString::fromLatin1(p.name()), std::make_shared<QSignalSpy>(&model, p.notifySignal())});
    }
}

QStringList ChangeCounter::changed() const
{
    QStringList names;
    for (const auto &[name, spy] : spies_) {
        if (spy->count() > 0)
            names.append(name);
    }
    return names;
}

// ---- ChunkGate ----

void ChunkGate::hold(const QStringList &sources, int index)
{
    std::lock_guard lock(*mutex_);
    holds_->append({sources, index});
}

bool ChunkGate::waitArrived(const QStringList &sources)
{
    return QTest::qWaitFor([&] {
        std::lock_guard lock(*mutex_);
        for (const Hold &h : *holds_) {
            if (h.sources == sources && h.arrived)
                return true;
        }
        return false;
    }, kWaitMs);
}

void ChunkGate::release(const QStringList &sources)
{
    {
        std::lock_guard lock(*mutex_);
        for (Hold &h : *holds_) {
            if (h.sources == sources)
                h.released = true;
        }
    }
    cv_->notify_all();
}

ScanHooks ChunkGate::hooks(int updateIntervalMs)
{
    ScanHooks hooks;
    hooks.updateIntervalMs = updateIntervalMs;
    hooks.beforeChunk = [mutex = mutex_, cv = cv_, holds = holds_](const QStringList &sources, int index) {
        std::unique_lock lock(*mutex);
        for (qsizetype k = 0; k < holds->size(); ++k) {
            if ((*holds)[k].sources == sources && (*holds)[k].index == index) {
                (*holds)[k].arrived = true;
                cv->wait(lock, [&] { return (*holds)[k].released; });
                return;
            }
        }
    };
    return hooks;
}

// ---- ModelTest ----

void ModelTest::SetUp()
{
    ASSERT_TRUE(work.isValid());
    QSettings(QStringLiteral("Vidorra"), QStringLiteral("Vidorra")).clear();
    Language::apply(QStringLiteral("system"));
    model = std::make_unique<Model>();
    model->setPrompts(&user);
}

void ModelTest::TearDown()
{
    model.reset(); // waits for its threads
    Language::apply(QStringLiteral("system"));
}

QString ModelTest::dir(const QString &name)
{
    const QString path = QDir(work.path()).filePath(name);
    QDir().mkpath(path);
    return path;
}

void ModelTest::loadAndWait(const QStringList &urls)
{
    QSignalSpy ended(model.get(), &Model::scanEnded);
    model->load(urls);
    waitScanEnd(ended);
}

void ModelTest::waitScanEnd(QSignalSpy &ended, int count)
{
    ASSERT_TRUE(QTest::qWaitFor([&] { return ended.count() >= count; }, kWaitMs)) << "no scan end";
}

void ModelTest::waitAction(QSignalSpy &finished, int count)
{
    ASSERT_TRUE(QTest::qWaitFor([&] { return finished.count() >= count; }, kWaitMs)) << "no action end";
}

void ModelTest::waitIdle()
{
    ASSERT_TRUE(QTest::qWaitFor([&] { return !model->hasBackgroundWork(); }, kWaitMs));
    QCoreApplication::processEvents();
}

} // namespace vidorra::testing
