#pragma once
// What the model tests share: a temporary card of fixture clips, a scripted user,
// waiting on the event loop, and a gate that holds a scan between two chunks.

#include "Model.h"

#include "ClipFixture.h"

#include <QMetaProperty>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <condition_variable>
#include <gtest/gtest.h>
#include <memory>
#include <mutex>

namespace vidorra::testing {

inline constexpr int kWaitMs = 60000;

// Writes clips into `folder` named DJI_20240131123456_0001_D.MP4 and on (numbers
// from `first`); returns their paths. Companions are written beside each clip.
QStringList writeClips(const QString &folder, int count, const fixture::ClipSpec &spec = {},
                       int first = 1, const QStringList &companions = {});

fixture::ClipSpec fullHdSpec();     // 1920x1080 D-Log, 30p
fixture::ClipSpec slowMotionSpec(); // 4K D-Log, 120 fps played at 30
fixture::ClipSpec foreignSpec();    // no camera metadata: an unknown record

QByteArray fileBytes(const QString &path);

// Answers the model's questions as a test scripts it, and remembers what was asked.
class ScriptedUser : public UserPrompts {
public:
    bool acceptTrash = true;
    QStringList chosen;
    QList<Confirmation> asked;
    int choosers = 0;

    bool confirm(const Confirmation &q) override
    {
        asked.append(q);
        return acceptTrash;
    }
    QStringList chooseSources() override
    {
        ++choosers;
        return chosen;
    }
};

// Counts every change signal of the model's observed fields.
class ChangeCounter {
public:
    explicit ChangeCounter(Model &model);
    // Names of the properties whose signal fired, for readable failures.
    QStringList changed() const;
private:
    QList<std::pair<QString, std::shared_ptr<QSignalSpy>>> spies_;
};

// Holds a scan on its thread before a chosen chunk until released.
class ChunkGate {
public:
    // Holds scans of `sources` before the chunk starting at `index`.
    void hold(const QStringList &sources, int index);
    bool waitArrived(const QStringList &sources);
    void release(const QStringList &sources);
    ScanHooks hooks(int updateIntervalMs = -1); // -1: every chunk is handed on

private:
    struct Hold { QStringList sources; int index; bool arrived = false; bool released = false; };
    std::shared_ptr<std::mutex> mutex_ = std::make_shared<std::mutex>();
    std::shared_ptr<std::condition_variable> cv_ = std::make_shared<std::condition_variable>();
    std::shared_ptr<QList<Hold>> holds_ = std::make_shared<QList<Hold>>();
};

// Base of the model tests: clean settings, English texts, a temporary work folder.
class ModelTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    QString dir(const QString &name); // made inside the work folder
    // Loads and waits for the scan's end.
    void loadAndWait(const QStringList &urls);
    void waitScanEnd(QSignalSpy &ended, int count = 1);
    // Waits until the next action has been applied.
    void waitAction(QSignalSpy &finished, int count = 1);
    // Waits until no scan or action thread runs and their posts are applied.
    void waitIdle();

    QTemporaryDir work;
    std::unique_ptr<Model> model;
    ScriptedUser user;
};

QStringList fileNames(const QList<Planned> &items);

} // namespace vidorra::testing
