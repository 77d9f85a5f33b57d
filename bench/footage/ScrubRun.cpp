// Hover scrubbing on a clip card as the pile shows it: the pointer crosses the picture
// and back at 20 positions a second for 5 s. For each position, the time until a new
// frame is painted on the card, with the clip's proxy beside it and without.
#include "ui/piles/ClipCard.h"
#include "ui/frames/FrameView.h"
#include "kit/GridMetrics.h"
#include "preview/PreviewPlayer.h"
#include "Report.h"
#include "Runs.h"
#include "library/Scan.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEnterEvent>
#include <QMouseEvent>
#include <QTimer>

namespace vidorra::bench {

namespace {

constexpr int kMoves = 100;       // 5 s at 20 a second
constexpr int kMoveMs = 50;

// Calls `paint` before each paint of the watched widget.
class PaintWatch : public QObject {
public:
    std::function<void()> paint;
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Paint && paint)
            paint();
        return false;
    }
};

struct ScrubFigures {
    QList<double> latencies;   // ms, one per pointer position
    int unanswered = 0;        // positions after which no new frame came at all
    int framesShown = 0;
    double settleMs = 0;       // from the last position to its frame, at rest
};

ScrubFigures scrubOnce(const QString &path)
{
    ScrubFigures out;
    const Planned item = analyze(path, true);
    const GridMetrics grid = gridMetrics(windowWidth);
    const int width = int(grid.cardWidth);
    QWidget host;
    auto *card = new ClipCard(&host);
    card->setClip(item, 0);
    card->setGeometry(10, 10, width, card->heightForWidth(width));
    host.resize(width + 20, card->height() + 20);
    host.show();
    runEvents(1500);   // the card's entrance and its still picture

    QElapsedTimer clock;
    clock.start();
    QList<double> moves, paints;
    qint64 shownKey = 0;
    PaintWatch watch;
    watch.paint = [&] {
        const QImage frame = PreviewPlayer::source()->frame();
        if (frame.isNull() || frame.cacheKey() == shownKey)
            return;
        shownKey = frame.cacheKey();
        paints.append(clock.nsecsElapsed() / 1e6);
    };
    const int pictureHeight = int(card->pictureRect().height());
    QEnterEvent enter(QPointF(2, pictureHeight / 2), card->mapToGlobal(QPointF(2, pictureHeight / 2)),
                      card->mapToGlobal(QPointF(2, pictureHeight / 2)));
    QApplication::sendEvent(card, &enter);

    int sent = 0;
    QTimer pointer;
    pointer.setTimerType(Qt::PreciseTimer);
    QObject::connect(&pointer, &QTimer::timeout, [&] {
        // Across the picture in 2.5 s and back.
        const double u = sent < kMoves / 2 ? double(sent) / (kMoves / 2) : double(kMoves - sent) / (kMoves / 2);
        moves.append(clock.nsecsElapsed() / 1e6);
        const QPointF at(2 + u * (width - 4), pictureHeight / 2);
        QMouseEvent move(QEvent::MouseMove, at, card->mapToGlobal(at), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(card, &move);
        if (sent == 0)
            if (auto *layer = card->findChild<PreviewLayer *>())
                layer->installEventFilter(&watch);
        if (++sent == kMoves)
            pointer.stop();
    });
    pointer.start(kMoveMs);
    runUntil([&] { return sent == kMoves; }, kMoves * kMoveMs + 5000);
    const double lastMove = moves.isEmpty() ? 0 : moves.last();
    // At rest: the last position's frame.
    runUntil([] { return !PreviewPlayer::isSeeking() && !PreviewPlayer::pendingTarget(); }, 20000);
    runEvents(100);
    out.settleMs = (paints.isEmpty() ? clock.nsecsElapsed() / 1e6 : paints.last()) - lastMove;
    const double end = clock.nsecsElapsed() / 1e6;
    for (double at : moves) {
        const auto next = std::lower_bound(paints.begin(), paints.end(), at);
        if (next == paints.end())
            ++out.unanswered;
        out.latencies.append((next == paints.end() ? end : *next) - at);
    }
    out.framesShown = int(paints.size());
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(card, &leave);
    runUntil([] { return !PreviewPlayer::isSeeking(); }, 20000);
    return out;
}

} // namespace

bool runScrub(const FootageCard &card)
{
    title(QStringLiteral("hover scrub across a 4K clip card, 20 positions a second for 5 s"));
    note(QStringLiteral("card %1 px wide (the pile's card width in a %2 px window)").arg(int(gridMetrics(windowWidth).cardWidth)).arg(windowWidth));
    for (const bool proxy : {true, false}) {
        const ScrubFigures f = scrubOnce(proxy ? card.withProxy.first() : card.withoutProxy.first());
        const double median = percentile(f.latencies, 0.5), p95 = percentile(f.latencies, 0.95);
        const double target = proxy ? 80 : 300;
        const QString which = proxy ? QStringLiteral("with proxy") : QStringLiteral("without proxy");
        figure(QStringLiteral("%1: pointer move to a new frame, median").arg(which), QStringLiteral("%1 ms").arg(median, 0, 'f', 0),
               QStringLiteral("<= %1 ms").arg(target), median <= target);
        figure(QStringLiteral("%1: pointer move to a new frame, 95th percentile").arg(which), QStringLiteral("%1 ms").arg(p95, 0, 'f', 0));
        figure(QStringLiteral("%1: frames shown").arg(which),
               QStringLiteral("%1 in 5 s for %2 positions (%3 positions never followed by one)").arg(f.framesShown).arg(kMoves).arg(f.unanswered));
        figure(QStringLiteral("%1: pointer at rest to its frame").arg(which), QStringLiteral("%1 ms").arg(f.settleMs, 0, 'f', 0));
    }
    return true;
}

} // namespace vidorra::bench
