#pragma once
// Writes a realistic copied memory card: camera-named clips in every profile, resolution
// and rate the camera records (log and HLG clips as 10-bit HEVC, the others as H.264),
// companions beside most of them, a few files from another camera, a text file and a
// clip that is already sorted.

#include <QString>

namespace vidorra::samplecard {

struct Options {
    // Real, playable video in every clip; otherwise placeholder media (for big cards).
    bool realVideo = true;
    // With realVideo: the camera clips carry video like the camera's (full size, 10-bit
    // HEVC or 8-bit H.264 at its bit rate, moving and grainy) and their proxies, from the
    // footage cache (see CameraFootage.h); otherwise small pictures, for a light card.
    bool cameraVideo = false;
    // How many camera clips; the card's other files come on top.
    int clips = 40;
    // Seconds of video per clip.
    double seconds = 3.0;
    // Nest clips in DCIM-style sub-folders of at most this many clips (0: all in one).
    int perFolder = 0;
};

// Writes the card into `folder` (created if missing). Returns the number of files
// written, or -1 with `error` set when something could not be written.
int writeCard(const QString &folder, const Options &options, QString *error = nullptr);

} // namespace vidorra::samplecard
