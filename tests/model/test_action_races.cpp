// What an action reports and what it asked stay true when a scan runs around them.

#include "ModelHarness.h"

#include "library/SafeMove.h"

#include <cerrno>

namespace vidorra::testing {
namespace {

using ActionRaces = ModelTest;

// Organize and undo reload; a reload that finds no clip adds its own line after the
// action's failure list and never hides it.
TEST_F(ActionRaces, FailuresStayVisibleAfterAnEmptyRescan)
{
    const QString card = dir("card");
    const QString clip = writeClips(card, 1).first();
    const QString line = "DJI_20240131123456_0001_D.MP4: " + errorText(ENOENT);
    loadAndWait({card});
    QSignalSpy finished(model.get(), &Model::actionFinished);
    QSignalSpy ended(model.get(), &Model::scanEnded);
    model->run(model->result()->items);
    waitFor(finished);
    waitFor(ended);
    ASSERT_EQ(model->moves().size(), 1);
    ASSERT_TRUE(QFile::remove(model->moves().first().to)); // gone behind our back
    model->revert();
    waitFor(finished, 2);
    waitFor(ended, 2);
    EXPECT_EQ(model->message(), "Undone with 1 issue:\n" + line + "\nNo compatible clips");

    writeClips(card, 1);
    loadAndWait({card});
    ASSERT_TRUE(QFile::remove(clip));
    model->run(model->result()->items);
    waitFor(finished, 3);
    waitFor(ended, 4);
    EXPECT_EQ(model->message(), "Finished with 1 issue:\n" + line + "\nNo compatible clips");
}

// The trash question runs the event loop, and a folder handed over meanwhile (by a
// second launch) starts a scan. Trashing then refuses and says so, whether that scan
// still runs or has already ended.
TEST_F(ActionRaces, TrashRefusesWhenAScanStartedDuringTheQuestion)
{
    struct LoadingUser : ScriptedUser {
        std::function<void()> meanwhile;
        bool confirm(const Confirmation &q) override { return meanwhile(), ScriptedUser::confirm(q); }
    } loading;
    model->setPrompts(&loading);
    const QString card = dir("card");
    const QStringList clips = writeClips(card, 2);
    loadAndWait({card});
    for (const bool scanEnds : {false, true}) {
        SCOPED_TRACE(scanEnds ? "scan ended" : "scan running");
        loading.meanwhile = [&] { scanEnds ? loadAndWait({card}) : model->load({card}); };
        model->trash(model->result()->items);
        EXPECT_FALSE(model->busy());
        EXPECT_EQ(model->message(), "Nothing was moved to the Trash: the clips were reloaded meanwhile.");
        waitIdle();
        EXPECT_TRUE(QFileInfo::exists(clips[0]) && QFileInfo::exists(clips[1]));
        EXPECT_TRUE(model->moves().isEmpty());
        EXPECT_EQ(model->result()->items.size(), 2);
    }
}

} // namespace
} // namespace vidorra::testing
