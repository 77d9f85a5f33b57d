#pragma once
// The window's keyboard shortcuts: always active in the window, whatever has focus.
// Ctrl stands for the Command key of other desktops.

#include <QObject>
#include <functional>

class QAction;
class QWidget;

namespace vidorra {

struct ShortcutHandlers {
    std::function<void()> selectAll;      // Ctrl+A
    std::function<void()> escape;         // Escape
    std::function<void()> togglePreview;  // Space
    std::function<void()> stepBack;       // Left
    std::function<void()> stepForward;    // Right
    std::function<void()> trashSelection; // Ctrl+Delete, Ctrl+Backspace
};

class Shortcuts : public QObject {
    Q_OBJECT
public:
    Shortcuts(QWidget *window, ShortcutHandlers handlers);

    // The arrows work only while the preview is open; trashing only with a selection.
    void setPreviewOpen(bool open);
    void setHasSelection(bool any);

    QAction *selectAll() const { return all; }
    QAction *escape() const { return esc; }
    QAction *space() const { return spaceKey; }
    QAction *left() const { return back; }
    QAction *right() const { return forward; }
    QAction *trash() const { return del; }

private:
    QAction *add(QWidget *window, const QList<QKeySequence> &keys, std::function<void()> run);

    QAction *all, *esc, *spaceKey, *back, *forward, *del;
};

} // namespace vidorra
