#pragma once
// What the model tests share: a temporary card of fixture clips, a scripted user,
// waiting on the event loop, and a gate that holds a scan between two chunks.

#include "model/Model.h"

#include "ClipFixture.h"
#include "text/Language.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <condition_variable>
#include <gtest/gtest.h>
#include <mutex>

namespace vidorra::testing {

inline constexpr int kWaitMs = 60000;

// Writes clips DJI_20240131123456_<first>_D.MP4 and on into `folder`, each with the
// given companions; returns the clips' paths.
inline QStringList writeClips(const QString &folder, int count, const fixture::ClipSpec &spec = {}, int first = 1,
                              const QStringList &companions = {})
{
    QDir().mkpath(folder);
    QStringList paths;
    for (int n = first; n < first + count; ++n) {
        const QString stem = folder + QStringLiteral("/DJI_20240131123456_%1_D").arg(n, 4, 10, QLatin1Char('0'));
        EXPECT_TRUE(fixture::writeClip(paths.emplaceBack(stem + ".MP4"), spec));
        for (const QString &ext : companions) {
            QFile f(stem + u'.' + ext);
            EXPECT_TRUE(f.open(QIODevice::WriteOnly) && f.write((ext + " of " + stem).toUtf8()) > 0);
        }
    }
    return paths;
}

// A D-Log 30p clip of the given short side, 16:9; without camera metadata it reads as
// an unknown record.
inline fixture::ClipSpec clipSpec(int side, bool camera = true)
{
    fixture::ClipSpec s;
    s.height = s.camera->height = side;
    s.width = s.camera->width = side * 16 / 9;
    if (!camera) {
        s.camera.reset();
        s.keys.clear();
    }
    return s;
}

inline QStringList fileNames(const QList<Planned> &items)
{
    QStringList names;
    for (const Planned &p : items)
        names.append(QFileInfo(p.url).fileName());
    return names;
}

// Answers the model's confirmations as a test scripts it, and remembers them.
struct ScriptedUser : UserPrompts {
    bool acceptTrash = true;
    QList<Confirmation> asked;
    bool confirm(const Confirmation &q) override { return asked.append(q), acceptTrash; }
    QStringList chooseSources() override { return {}; }
};

// Holds the scan of `sources` (of any sources when empty) on its thread before the
// chunk starting at `index`, until released.
class ChunkGate {
public:
    ChunkGate(const QStringList &sources, int index) : sources_(sources), index_(index) {}
    ScanHooks hooks()
    {
        return {-1, [s = s_, sources = sources_, index = index_](const QStringList &scanned, int first) {
                    std::unique_lock lock(s->mutex);
                    if ((sources.isEmpty() || scanned == sources) && first == index) {
                        s->arrived = true;
                        s->cv.wait(lock, [&] { return s->released; });
                    }
                }};
    }
    bool waitArrived() { return QTest::qWaitFor([&] { std::lock_guard lock(s_->mutex); return s_->arrived; }, kWaitMs); }
    void release()
    {
        std::lock_guard lock(s_->mutex);
        s_->released = true;
        s_->cv.notify_all();
    }

private:
    struct State { std::mutex mutex; std::condition_variable cv; bool arrived = false, released = false; };
    std::shared_ptr<State> s_ = std::make_shared<State>();
    QStringList sources_;
    int index_;
};

// Base of the model tests: clean settings, English texts, a temporary work folder.
class ModelTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(work.isValid());
        QSettings(QStringLiteral("Vidorra"), QStringLiteral("Vidorra")).clear();
        model = std::make_unique<Model>();
        model->setPrompts(&user);
    }
    void TearDown() override
    {
        model.reset(); // waits for its threads
        Language::apply(QStringLiteral("system"));
    }

    QString dir(const QString &name) // made inside the work folder
    {
        QDir().mkpath(work.filePath(name));
        return work.filePath(name);
    }
    void loadAndWait(const QStringList &urls)
    {
        QSignalSpy ended(model.get(), &Model::scanEnded);
        model->load(urls);
        waitFor(ended);
    }
    // Waits until `spy` (a scan's end or an action's finish) has fired `count` times.
    static void waitFor(QSignalSpy &spy, int count = 1)
    {
        ASSERT_TRUE(QTest::qWaitFor([&] { return spy.count() >= count; }, kWaitMs)) << "no " << spy.signal().data();
    }
    // Waits until no scan or action thread runs and their posts are applied.
    void waitIdle()
    {
        ASSERT_TRUE(QTest::qWaitFor([&] { return !model->hasBackgroundWork(); }, kWaitMs));
        QCoreApplication::processEvents();
    }

    // Waits until no scan or action thread runs, without running the event loop, so
    // whatever they posted is still queued.
    bool threadsEndedWithoutEvents()
    {
        const QDeadlineTimer deadline(kWaitMs);
        while (model->hasBackgroundWork()) {
            if (deadline.hasExpired())
                return false;
            QThread::msleep(1);
        }
        return true;
    }

    QTemporaryDir work;
    std::unique_ptr<Model> model;
    ScriptedUser user;
};

} // namespace vidorra::testing
