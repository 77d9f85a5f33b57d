// Opens a pile of 2,000 clips in the real window (offscreen), scrolls it from top to
// bottom one step at a time and reports the window's paint times: the longest and the
// median, against the 16 ms of one frame at 60 Hz and against the floor measured in the
// same run (the same window painting an empty pile).
//
//   bench_ui [clips=2000]

#include "ui/piles/CardGrid.h"
#include "ui/piles/ClipCard.h"
#include "ClipFixture.h"
#include "PrivateHome.h"
#include "ui/window/MainWindow.h"
#include "ui/window/WindowState.h"
#include "model/Model.h"
#include "preview/CoverLoader.h"
#include "text/Language.h"
#include "kit/Appearance.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QScrollBar>
#include <QSettings>
#include <QTest>
#include <algorithm>
#include <cstdio>

using namespace vidorra;

namespace {

struct Times {
    double longest = 0, median = 0, mean = 0, p99 = 0;
    int over16 = 0;
    int frames = 0;
};

Times summarize(QList<double> ms)
{
    Times t;
    if (ms.isEmpty())
        return t;
    std::sort(ms.begin(), ms.end());
    t.frames = int(ms.size());
    t.longest = ms.last();
    t.median = ms[ms.size() / 2];
    t.p99 = ms[std::min<qsizetype>(ms.size() - 1, ms.size() * 99 / 100)];
    for (double v : ms) {
        t.mean += v;
        t.over16 += v > 16.0;
    }
    t.mean /= ms.size();
    return t;
}

// Repaints the whole window synchronously and returns the time it took.
double paintOnce(QWidget *window)
{
    QElapsedTimer clock;
    clock.start();
    window->repaint();
    return clock.nsecsElapsed() / 1e6;
}

bool waitUntil(const std::function<bool()> &done, int ms = 120000)
{
    QDeadlineTimer deadline(ms);
    while (!done()) {
        if (deadline.hasExpired())
            return false;
        QTest::qWait(5);
    }
    return true;
}

} // namespace

int main(int argc, char **argv)
{
    const bench::PrivateHome home(QStringLiteral("bench-ui"));
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    Language::apply(QStringLiteral("en"));
    applyAppearance(QStringLiteral("light"));
    const int count = argc > 1 ? std::max(1, atoi(argv[1])) : 2000;

    // A card of clips of one kind, so they all land in one pile; each with its cover.
    const QString card = home.path() + QStringLiteral("/DCIM");
    QDir().mkpath(card);
    fixture::ClipSpec spec;
    spec.cover = fixture::sampleCoverJpeg(320, 180);
    const QByteArray bytes = fixture::buildClip(spec);
    QElapsedTimer clock;
    clock.start();
    for (int i = 0; i < count; ++i) {
        QFile f(card + QStringLiteral("/DJI_%1.MP4").arg(i, 5, 10, QLatin1Char('0')));
        if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size()) {
            std::fprintf(stderr, "cannot write the sample card\n");
            return 1;
        }
    }
    std::printf("wrote %d clips in %.0f ms\n", count, clock.elapsed() * 1.0);

    Model model;
    MainWindow window(&model);
    window.resize(1200, 800);
    window.show();
    if (!QTest::qWaitForWindowExposed(&window))
        return 1;

    clock.restart();
    model.load({card});
    if (!waitUntil([&] { return model.result() && !model.scanning(); })) {
        std::fprintf(stderr, "the scan did not end\n");
        return 1;
    }
    std::printf("scanned in %.0f ms\n", clock.elapsed() * 1.0);
    model.setOrganized(true);
    if (model.lib().sections.isEmpty()) {
        std::fprintf(stderr, "no pile\n");
        return 1;
    }

    // The floor: the same window with a pile of one clip, painted as often.
    QList<Planned> one = model.lib().sections.first().items.mid(0, 1);
    CardGrid *grid = window.cardGrid();

    window.enter(model.lib().sections.first().folder);
    const qsizetype pileSize = openItems(model).value_or(QList<Planned>{}).size();
    QScrollBar *bar = grid->verticalScrollBar();
    const int step = 40;   // one wheel notch
    const int steps = bar->maximum() / step + 1;

    // Warm up once so the first pictures are decoded, as on a real screen after a moment.
    paintOnce(&window);
    QList<double> scroll, frame;
    QElapsedTimer wall;
    wall.start();
    for (int v = 0; v <= bar->maximum(); v += step) {
        QElapsedTimer one;
        one.start();
        bar->setValue(v);   // cards leave, others are rebound and placed
        const double paint = paintOnce(&window);
        frame.append(one.nsecsElapsed() / 1e6);
        scroll.append(paint);
        QCoreApplication::processEvents();   // picture loads arrive as they would
    }
    const double wallMs = wall.elapsed();
    const int cardsMade = int(grid->findChildren<ClipCard *>().size());

    QList<double> floor;
    grid->setItems(one);
    for (int i = 0; i < std::max(50, steps / 4); ++i) {
        floor.append(paintOnce(&window));
        QCoreApplication::processEvents();
    }

    const Times s = summarize(scroll), f = summarize(floor), fr = summarize(frame);
    std::printf("pile of %lld clips, %d scroll steps of %d px, %.0f ms in all, %d card widgets made\n",
                qlonglong(pileSize), s.frames, step, wallMs, cardsMade);
    std::printf("paint while scrolling: longest %.2f ms, median %.2f ms, mean %.2f ms, 99th %.2f ms, %d over 16 ms\n",
                s.longest, s.median, s.mean, s.p99, s.over16);
    std::printf("scroll step + paint:   longest %.2f ms, median %.2f ms\n", fr.longest, fr.median);
    std::printf("floor (pile of one):   longest %.2f ms, median %.2f ms\n", f.longest, f.median);
    std::printf("longest paint / 16 ms: %.2f (target below 1)\n", s.longest / 16.0);
    std::printf("longest step+paint / 16 ms: %.2f\n", fr.longest / 16.0);
    std::printf("median / floor median: %.2f\n", f.median > 0 ? s.median / f.median : 0.0);
    // Picture decodes still running must not outlive the application (image plugins).
    waitUntil([] { return CoverLoader::gate().free() == 4 && CoverLoader::gate().waiting() == 0; });
    return 0;
}
