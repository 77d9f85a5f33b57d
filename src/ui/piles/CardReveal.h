#pragma once
// "Show in Folder" of cards and piles: the desktop's file manager opens with the files
// selected (org.freedesktop.FileManager1), or at their folder when none answers; when
// nothing opens, the message bar says so.

#include <QStringList>
#include <functional>

namespace vidorra {

// Shows the files (absolute paths) selected in the file manager. Returns at once.
void revealInFileManager(const QStringList &paths);

// Replaces what revealInFileManager does (tests record the paths instead of starting a
// file manager); an empty function restores the desktop's.
void setRevealHandler(std::function<void(const QStringList &)> handler);

} // namespace vidorra
