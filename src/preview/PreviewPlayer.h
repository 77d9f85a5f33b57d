#pragma once
// The one shared, silent player behind hover scrubbing on clip cards. The card under the
// pointer owns it; it never plays, it only seeks. At most one seek is in flight and only
// the newest requested position waits, so the last position asked for is always reached.
// Every function here is called on the main thread.

#include "preview/FrameSource.h"
#include "preview/LUTCube.h"

#include <QString>
#include <QUuid>
#include <optional>

namespace vidorra {

// The shared scrub player's frames, with what tests and views may watch of its seeks.
class ScrubSource : public FrameSource {
    Q_OBJECT
public:
    using FrameSource::FrameSource;
    // Called by the player with each finished seek's frame (a null image clears).
    void present(const QImage &frame) { showFrame(frame); }
Q_SIGNALS:
    void seekIssued(double seconds);   // a seek was sent to the decoder
    void seekFinished();               // it completed (finished or superseded)
    void readyChanged(bool ready);     // the current item became ready, or went away
};

namespace PreviewPlayer {

// Seeks stop at a frame within this many seconds of the target.
inline constexpr double tolerance = 0.04;

// Makes the clip at `path` the current item, owned by `owner` (a newer caller takes the
// player over). Frames are graded with `cube` when given.
void start(const QString &path, const QUuid &owner, const CubePtr &cube = {});
// Asks for the frame at `fraction` (clamped to 0..1) of the clip; ignored unless
// `owner` owns the player. Issued once the clip is ready when it is not yet.
void scrub(double fraction, const QUuid &owner);
// Releases the player if `owner` still owns it.
void stop(const QUuid &owner);

// The frames of the current item, for PreviewLayer.
ScrubSource *source();

std::optional<QUuid> owner();
bool isSeeking();
bool isReady();                    // the current item is open and its duration known
std::optional<double> pendingTarget();

} // namespace PreviewPlayer
} // namespace vidorra
