#pragma once
// Which file the light previews (looping tiles, hover scrubbing, the decoded-frame
// thumbnail) read for a clip. The camera writes beside each clip a small H.264 copy of
// the same recording, its ".LRF" companion, precisely so previews stay light; it is used
// when it opens as a video of the clip's shape and length, and the clip itself otherwise.
// The full-size preview always plays the clip.

#include <QSize>
#include <QString>

namespace vidorra {

struct StreamShape {
    QSize size;              // as shown: rotation applied
    double duration = 0.0;   // seconds
};

// Whether a companion of `proxy`'s shape can stand in for a clip of `clip`'s: the same
// aspect ratio as far as rounding to whole pixels allows (1280x720 for 3840x2160; a
// portrait clip needs a portrait proxy), no more pixels than the clip, and a length within
// half a second.
bool proxyMatches(const StreamShape &clip, const StreamShape &proxy);

struct PreviewChoice {
    QString path;    // the file to decode: the proxy or the clip itself
    bool proxy = false;
    // Why the companion is not used ("no .LRF companion", "… does not decode",
    // "… is 2.0 s long, the clip 3.0 s", …); empty when it is.
    QString note;
};

// The file previews of the clip at `clip` read. Opens files: call off the main thread.
// Answers are kept while the clip and its companion stay as they were (same size and
// modification time), so asking again costs two file status calls.
PreviewChoice previewSource(const QString &clip);

// Forgets every answer kept (tests that rewrite files within one clock tick).
void forgetPreviewSources();

} // namespace vidorra
