// The full-size preview as the window shows it (the overlay over the window's central
// area) playing 10 s of a 4K D-Log clip, once with Color off and once with it on: frames
// shown per second, and what the grade costs.
#include "ui/frames/PlayerSurface.h"
#include "ui/panels/PreviewOverlay.h"
#include "Report.h"
#include "Runs.h"
#include "library/Scan.h"
#include "model/Model.h"

#include <QElapsedTimer>
#include <QMediaPlayer>

namespace vidorra::bench {

namespace {

constexpr double kSeconds = 10.0;

struct Play {
    double fps = -1;   // frames shown per second; negative when nothing played
    double clock = 0;  // seconds of the clip played per second
    QSize shown;
    QString error;
};

Play playOnce(Model &model, PreviewOverlay &overlay, const Planned &item, bool colorOn)
{
    Play out;
    model.setLutEnabled(colorOn);
    model.setPreview(item);
    // From the first frame on, so that opening the file does not count.
    if (!runUntil([&] { return overlay.surface() && overlay.surface()->framesShown() > 0; }, 30000)) {
        out.error = overlay.player() ? overlay.player()->errorString() : QString();
        model.setPreview(std::nullopt);
        return out;
    }
    const qint64 first = overlay.surface()->framesShown();
    const qint64 from = overlay.player()->position();
    QElapsedTimer clock;
    clock.start();
    runEvents(int(kSeconds * 1000));
    const double elapsed = clock.nsecsElapsed() / 1e9;
    out.fps = double(overlay.surface()->framesShown() - first) / elapsed;
    out.clock = double(overlay.player()->position() - from) / 1000.0 / elapsed;
    out.shown = overlay.surface()->size();
    model.setPreview(std::nullopt);
    runEvents(500);
    return out;
}

} // namespace

bool runPreview(const FootageCard &card)
{
    title(QStringLiteral("full-size preview, %1 s of a 4K D-Log clip").arg(kSeconds));
    const Planned item = analyze(card.longClip, true);
    Model model;
    QWidget window;
    window.resize(windowWidth, windowHeight);
    PreviewOverlay overlay(&model, &window);
    window.show();
    const Play off = playOnce(model, overlay, item, false);
    const Play on = playOnce(model, overlay, item, true);
    if (off.fps < 0 || on.fps < 0) {
        note(QStringLiteral("the media player showed no frame: %1").arg(off.fps < 0 ? off.error : on.error));
        return false;
    }
    note(QStringLiteral("picture shown at %1x%2 in a %3x%4 window").arg(off.shown.width()).arg(off.shown.height()).arg(windowWidth).arg(windowHeight));
    figure(QStringLiteral("frames shown per second, Color off"), QString::number(off.fps, 'f', 1), QStringLiteral("the clip's 30 where the decoder can"));
    figure(QStringLiteral("frames shown per second, Color on"), QString::number(on.fps, 'f', 1));
    // A player that cannot keep up runs its clock slow: frames per second alone would hide it.
    figure(QStringLiteral("seconds of the clip played per second, Color off / on"),
           QStringLiteral("%1 / %2").arg(off.clock, 0, 'f', 2).arg(on.clock, 0, 'f', 2), QStringLiteral("1.00"),
           off.clock >= 0.95 && on.clock >= 0.95);
    const double kept = off.fps > 0 ? on.fps / off.fps : 0;
    figure(QStringLiteral("Color on / Color off"), QString::number(kept, 'f', 2), QStringLiteral(">= 0.90 (the grade costs at most 10% of the frames)"), kept >= 0.9);
    return true;
}

} // namespace vidorra::bench
