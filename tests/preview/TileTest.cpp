// Looping tiles when decoding cannot keep up: turns shared fairly, key frames when a
// decoder cannot be kept open, threads that belong to their scheduler.
#include "preview/DecodeBudget.h"
#include "preview/TilePlayer.h"
#include "preview/TileQueue.h"
#include "preview/TileScheduler.h"
#include "VideoClips.h"

#include <algorithm>
#include <map>

using namespace vidorra;
using namespace vidorra::test;
using namespace std::chrono_literals;

namespace {

using Time = TileQueue::Time;

// Runs `workers` simulated threads over `tiles` tiles for `span`: every turn of tile i
// costs cost(i) and leaves it due again a frame (33 ms) later, so the tiles always want
// more than the workers give. Returns each tile's longest wait between two pictures.
std::vector<TileQueue::Clock::duration> simulate(int tiles, int workers, std::function<Time::duration(int)> cost,
                                                 Time::duration span)
{
    TileQueue queue;
    const Time start{};
    std::vector<Time> shown(size_t(tiles), start), free(size_t(workers), start);
    std::vector<Time::duration> longest(size_t(tiles), Time::duration::zero());
    for (int i = 0; i < tiles; ++i)
        queue.put(quint64(i), start, start);
    for (;;) {
        auto worker = std::min_element(free.begin(), free.end());
        Time now = *worker;
        if (now - start > span)
            break;
        Time wake;
        std::optional<quint64> id = queue.take(now, &wake);
        if (!id) {
            *worker = wake;
            continue;
        }
        const auto i = size_t(*id);
        const Time done = now + cost(int(i));
        longest[i] = std::max(longest[i], done - shown[i]);
        shown[i] = done;
        *worker = done;
        queue.put(*id, done + 33ms, done);
    }
    return longest;
}

} // namespace

TEST(TileQueue, DueTilesLongestShownFirstAndTheRestWaitTheirTime)
{
    TileQueue queue;
    const Time t0{};
    queue.put(1, t0 + 10ms, t0);          // shown longest ago, but not due yet
    queue.put(2, t0, t0 + 5ms);
    queue.put(3, t0, t0 + 2ms);
    queue.put(4, t0 - 5ms, t0 + 2ms);     // as long shown as 3, due for longer
    Time wake;
    EXPECT_EQ(queue.take(t0, &wake), 4u);
    EXPECT_EQ(queue.take(t0, &wake), 3u);
    EXPECT_EQ(queue.take(t0, &wake), 2u);
    EXPECT_FALSE(queue.take(t0, &wake));
    EXPECT_EQ(wake, t0 + 10ms);
    EXPECT_TRUE(queue.hurry(1));          // stopped: taken at once
    EXPECT_EQ(queue.take(t0, &wake), 1u);
    EXPECT_FALSE(queue.hurry(1));         // being worked on: the worker sees it stopped
    EXPECT_FALSE(queue.take(t0, &wake));
    EXPECT_EQ(wake, Time::max());
}

TEST(TileQueue, SharesTheWorkersSoNoTileFreezesWhileOthersPlay)
{
    // Sixteen 4K tiles showing key frames (200 ms each) on two threads: each gets a turn
    // every 16 / 2 x 200 ms, never later.
    for (const auto gap : simulate(16, 2, [](int) { return 200ms; }, 60s))
        EXPECT_LE(gap, 1700ms);
    // One very slow tile (a second a turn) among fifteen quick ones holds a thread now and
    // then, never the quick tiles: they keep a picture every few frames, and it keeps its turn.
    const auto mixed = simulate(16, 2, [](int i) { return i == 0 ? Time::duration(1s) : Time::duration(5ms); }, 60s);
    EXPECT_LE(mixed[0], 2s);
    for (size_t i = 1; i < mixed.size(); ++i)
        EXPECT_LE(mixed[i], 200ms) << i;
}

TEST(TilePlayers, ATileWhoseDecoderCannotStayOpenShowsAKeyFrameEachTurnAndLoops)
{
    // With the budget of decoders kept open used up, as sixteen 4K clips would.
    DecodeBudget &budget = DecodeBudget::playing();
    const qint64 rest = budget.limit() - budget.held();
    ASSERT_TRUE(budget.tryTake(rest));
    auto tile = TilePlayer::create(clipPath(2.0), 2.0);   // key frames at 0 and 1 s
    std::vector<int> shown;
    QObject::connect(tile.get(), &FrameSource::frameChanged, [&] { shown.push_back(frameNumber(tile->frame())); });
    EXPECT_TRUE(waitFor([&] { return tile->loops() >= 1 && shown.size() >= 3; }));
    tile->stop();
    budget.give(rest);
    EXPECT_EQ(shown.front(), 0);
    for (size_t i = 1; i < shown.size(); ++i) {
        EXPECT_EQ(shown[i] % 10, 0) << i;           // only key frames
        EXPECT_NE(shown[i], shown[i - 1]) << i;     // and a new one each time
    }
}

TEST(TilePlayers, SchedulerThreadsEndWithItAndStoppedJobsLeaveIt)
{
    auto scheduler = std::make_unique<TileScheduler>(2);
    std::vector<std::unique_ptr<TilePlayer>> tiles;
    for (int i = 0; i < 3; ++i)
        tiles.push_back(TilePlayer::create(clipPath(2.0), 2.0, nullptr, scheduler.get()));
    ASSERT_TRUE(waitFor([&] {
        return std::all_of(tiles.begin(), tiles.end(), [](const auto &t) { return t->framesShown() > 0; });
    }));
    tiles[0]->stop();
    EXPECT_TRUE(waitFor([&] { return scheduler->jobs() == 2; }));
    // Going away with tiles still playing joins its threads; the players stop later.
    scheduler.reset();
    for (auto &tile : tiles)
        tile->stop();
    EXPECT_EQ(TilePlayer::active(), 0);
}
