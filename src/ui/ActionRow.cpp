#include "ActionRow.h"

#include "HoverButton.h"
#include "OpenFolderButton.h"
#include "SortButton.h"
#include "WindowState.h"
#include "model/Model.h"
#include "text/Language.h"

#include <QEvent>
#include <QGraphicsOpacityEffect>
#include <QHBoxLayout>
#include <QPropertyAnimation>

namespace vidorra {

ActionRow::ActionRow(Model *model, QWidget *parent)
    : QWidget(parent), model(model), openButton(new OpenFolderButton(L("Open Folder"), this)),
      sort(new SortButton(L("Sort"), false, this)), openOpacity(new QGraphicsOpacityEffect(openButton)),
      openFade(new QPropertyAnimation(openOpacity, "opacity", this))
{
    openButton->setGraphicsEffect(openOpacity);
    openOpacity->setOpacity(0.0);
    openButton->hide();
    openFade->setDuration(200);
    openFade->setEasingCurve(easeOut());
    connect(openFade, &QPropertyAnimation::finished, this, [this] {
        if (!offering)
            openButton->hide();
    });
    for (QWidget *b : {static_cast<QWidget *>(openButton), static_cast<QWidget *>(sort)})
        b->setFocusPolicy(Qt::NoFocus);

    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(16, 4, 16, 8);
    row->setSpacing(10);
    row->addStretch(1);
    row->addWidget(openButton);
    row->addWidget(sort);

    connect(openButton, &QAbstractButton::clicked, this, &ActionRow::openFolderClicked);
    connect(sort, &QAbstractButton::clicked, this, &ActionRow::sortClicked);
    for (auto signal : {&Model::organizedChanged, &Model::offerOpenChanged, &Model::libChanged,
                        &Model::scanningChanged, &Model::openFolderChanged})
        connect(model, signal, this, &ActionRow::refresh);
    refresh();
}

void ActionRow::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange) {
        openButton->setTitle(L("Open Folder"));
        sort->setTitle(L("Sort"));
    }
    QWidget::changeEvent(event);
}

void ActionRow::refresh()
{
    sort->setEnabled(!sortableNow(*model).isEmpty() && !model->scanning());
    const bool offer = model->organized() && (model->offerOpen() || model->lib().anySorted);
    if (offer == offering)
        return;
    offering = offer;
    openFade->stop();
    openFade->setStartValue(openOpacity->opacity());
    openFade->setEndValue(offer ? 1.0 : 0.0);
    if (offer)
        openButton->show();
    openFade->start();
}

} // namespace vidorra
