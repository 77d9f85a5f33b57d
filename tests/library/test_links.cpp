// Organizing and undo's clean-up never work through a symbolic link: scanning does not
// follow links, so a clip sorted through one would leave the card and vanish from the
// app, and a clean-up through one would remove what lies elsewhere.

#include "TestEnv.h"
#include "library/Paths.h"
#include "library/Undo.h"
#include "text/Language.h"

#include <QFile>

#include <unistd.h>

using namespace vidorra;
using namespace vidorra::testing;

namespace {

class LinkTest : public FileTest {
protected:
    void link(const QString &target, const QString &at)
    {
        ASSERT_TRUE(makeDir(path(target)) && makeDir(parentPath(path(at))));
        ASSERT_EQ(::symlink(QFile::encodeName(path(target)).constData(), QFile::encodeName(path(at)).constData()), 0);
    }
};

TEST_F(LinkTest, OrganizeRefusesADestinationReachedThroughALink)
{
    files({"card/a.mp4", "card/a.LRF", "card/b/b.mp4", "outside/D-Log/4K 30p/other.mp4"});
    link("outside/D-Log", "card/D-Log");                // the profile folder
    link("outside/D-Log/4K 30p", "card/b/D-Log/4K 30p"); // the folder below it
    const QStringList before = tree(dir.path());
    const QList<Planned> clips{planned(path("card/a.mp4")), planned(path("card/b/b.mp4"))};
    const SortOutcome outcome = organize(ScanResult{path("card"), true, clips, {}});
    EXPECT_EQ(outcome.failed, (QStringList{L("%@: destination folder is a link", {QStringLiteral("a.mp4")}),
                                           L("%@: destination folder is a link", {QStringLiteral("b.mp4")})}));
    EXPECT_TRUE(outcome.moves.isEmpty());
    EXPECT_EQ(tree(dir.path()), before);
}

// Histories as a sort through such links would leave them: the clips come back, and
// nothing the links lead to is removed, .DS_Store included.
TEST_F(LinkTest, UndoCleansUpNeitherThroughNorIntoALink)
{
    files({"outside/D-Log/4K 30p/a.mp4", "outside/D-Log/4K 30p/.DS_Store", "outside/F/b.mp4", "outside/F/.DS_Store"});
    link("outside/D-Log", "card/D-Log");
    link("outside/F", "card/x/D-Log/F");
    const QList<Move> history{{path("card/a.mp4"), path("card/D-Log/4K 30p/a.mp4")},
                              {path("card/x/b.mp4"), path("card/x/D-Log/F/b.mp4")}};
    EXPECT_EQ(undo(history), QStringList{});
    EXPECT_EQ(readBytes(path("card/a.mp4")), "outside/D-Log/4K 30p/a.mp4");
    EXPECT_EQ(readBytes(path("card/x/b.mp4")), "outside/F/b.mp4");
    EXPECT_EQ(tree(path("outside")),
              (QStringList{"D-Log/", "D-Log/4K 30p/", "D-Log/4K 30p/.DS_Store", "F/", "F/.DS_Store"}));
    EXPECT_EQ(tree(path("card")), (QStringList{"D-Log", "a.mp4", "x/", "x/D-Log/", "x/D-Log/F", "x/b.mp4"}));
}

} // namespace
