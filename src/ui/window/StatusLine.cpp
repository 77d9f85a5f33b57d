#include "ui/window/StatusLine.h"

#include "ui/window/DesktopOpen.h"
#include "kit/Fonts.h"
#include "kit/Icons.h"
#include "kit/Palette.h"
#include "ui/window/StatusText.h"
#include "ui/window/WindowState.h"
#include "model/Model.h"
#include "text/Language.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>

namespace vidorra {

StatusLine::StatusLine(Model *model, QWidget *parent)
    : QWidget(parent), model(model), folderIcon(new QLabel(this)), source(new QLabel(this)),
      main(new QLabel(this)), stop(new QPushButton(this)), sorted(new QLabel(this)), selected(new QLabel(this))
{
    const QFont font = Fonts::sans(11);
    for (QLabel *l : {source, main, sorted, selected})
        l->setFont(font);
    stop->setFont(font);
    stop->setFlat(true);
    stop->setCursor(Qt::PointingHandCursor);
    stop->setFocusPolicy(Qt::NoFocus);
    stop->setStyleSheet(QStringLiteral("QPushButton { border: none; padding: 0 4px; color: palette(link); }"
                                       "QPushButton:hover { text-decoration: underline; }"));
    folderIcon->setFixedSize(14, 14);
    for (QLabel *l : {folderIcon, source}) {
        l->setCursor(Qt::PointingHandCursor);
        l->installEventFilter(this);
    }

    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(16, 6, 16, 8);
    row->setSpacing(8);
    row->addWidget(folderIcon);
    row->addWidget(source);
    row->addSpacing(8);
    row->addWidget(main);
    row->addWidget(stop);
    row->addSpacing(8);
    row->addWidget(sorted);
    row->addStretch(1);
    row->addWidget(selected);

    connect(stop, &QPushButton::clicked, model, &Model::stopScan);
    for (auto signal : {&Model::sourceNameChanged, &Model::sourcePathChanged, &Model::scanningChanged,
                        &Model::scanDoneChanged, &Model::scanTotalChanged, &Model::libChanged,
                        &Model::selectedItemsChanged, &Model::openFolderChanged, &Model::resultChanged})
        connect(model, signal, this, &StatusLine::refresh);
    refresh();
}

QString StatusLine::sourceText() const { return source->isVisibleTo(this) ? source->text() : QString(); }
QString StatusLine::mainText() const { return main->text(); }
QString StatusLine::sortedText() const { return sorted->isVisibleTo(this) ? sorted->text() : QString(); }
QString StatusLine::selectionText() const { return selected->isVisibleTo(this) ? selected->text() : QString(); }

bool StatusLine::eventFilter(QObject *watched, QEvent *event)
{
    if ((watched == source || watched == folderIcon) && event->type() == QEvent::MouseButtonRelease
        && static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton && !model->sourcePath().isEmpty()) {
        openWithDesktop(QUrl::fromLocalFile(model->sourcePath()), DesktopTarget::Folder);
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void StatusLine::changeEvent(QEvent *event)
{
    // The labels carry their colour in their own palettes: an appearance switch has to
    // colour them again, or they keep the old appearance's text colour.
    if (event->type() == QEvent::LanguageChange || event->type() == QEvent::PaletteChange)
        refresh();
    QWidget::changeEvent(event);
}

void StatusLine::refresh()
{
    const QColor dim = Glass::secondary().on(this);
    for (QLabel *l : {source, main, sorted, selected}) {
        QPalette p = l->palette();
        p.setColor(QPalette::WindowText, dim);
        l->setPalette(p);
    }

    const bool hasSource = !model->sourceName().isEmpty();
    folderIcon->setVisible(hasSource);
    source->setVisible(hasSource);
    if (hasSource) {
        const qreal dpr = devicePixelRatioF();
        folderIcon->setPixmap(Icons::icon(QStringLiteral("folder"), dim).pixmap(QSize(14, 14), dpr));
        source->setText(model->sourceName());
        source->setToolTip(model->sourcePath());
    }

    stop->setText(L("Stop"));
    if (model->scanning()) {
        main->setText(L("Reading %d of %d", {model->scanDone(), model->scanTotal()}));
        stop->show();
    } else {
        main->setText(currentStatusText(*model));
        stop->hide();
    }

    const Library &lib = model->lib();
    const bool isSorted = model->selection().isEmpty() && !model->scanning() && model->result()
                          && model->result()->isFolder && lib.anyRecognized && !lib.anySortable;
    sorted->setText(L("Sorted"));
    sorted->setVisible(isSorted);

    const QList<Planned> &items = model->selectedItems();
    selected->setVisible(!items.isEmpty());
    if (!items.isEmpty())
        selected->setText(Ln("%n selected · %@", items.size(), {stats(totalBytes(items), totalSeconds(items))}));
}

} // namespace vidorra
