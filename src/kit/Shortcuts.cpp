#include "kit/Shortcuts.h"

#include <QAction>
#include <QKeySequence>
#include <QWidget>

namespace vidorra {

Shortcuts::Shortcuts(QWidget *window, ShortcutHandlers h) : QObject(window)
{
    all = add(window, {QKeySequence(Qt::CTRL | Qt::Key_A)}, h.selectAll);
    esc = add(window, {QKeySequence(Qt::Key_Escape)}, h.escape);
    spaceKey = add(window, {QKeySequence(Qt::Key_Space)}, h.togglePreview);
    back = add(window, {QKeySequence(Qt::Key_Left)}, h.stepBack);
    forward = add(window, {QKeySequence(Qt::Key_Right)}, h.stepForward);
    del = add(window, {QKeySequence(Qt::CTRL | Qt::Key_Delete), QKeySequence(Qt::CTRL | Qt::Key_Backspace)},
              h.trashSelection);
    setPreviewOpen(false);
    setHasSelection(false);
}

QAction *Shortcuts::add(QWidget *window, const QList<QKeySequence> &keys, std::function<void()> run)
{
    auto *action = new QAction(window);
    action->setShortcuts(keys);
    // Window-wide: a focused child does not swallow them.
    action->setShortcutContext(Qt::WindowShortcut);
    connect(action, &QAction::triggered, this, [run = std::move(run)] {
        if (run)
            run();
    });
    window->addAction(action);
    return action;
}

void Shortcuts::setPreviewOpen(bool open)
{
    back->setEnabled(open);
    forward->setEnabled(open);
}

void Shortcuts::setHasSelection(bool any) { del->setEnabled(any); }

} // namespace vidorra
