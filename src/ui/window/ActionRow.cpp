#include "ui/window/ActionRow.h"
#include "kit/Easing.h"

#include "kit/HoverButton.h"
#include "kit/OpenFolderButton.h"
#include "kit/SortButton.h"
#include "ui/window/WindowState.h"
#include "model/Model.h"
#include "text/Language.h"

#include <QEvent>
#include <QGraphicsOpacityEffect>
#include <QHBoxLayout>
#include <QVariantAnimation>

namespace vidorra {

ActionRow::ActionRow(Model *model, QWidget *parent)
    : QWidget(parent), model(model), openButton(new OpenFolderButton(L("Open Folder"), this)),
      sort(new SortButton(L("Sort"), false, this)), openFade(new QVariantAnimation(this))
{
    openButton->hide();
    openFade->setDuration(200);
    openFade->setEasingCurve(easeOut());
    connect(openFade, &QVariantAnimation::valueChanged, this, [this](const QVariant &v) { showOpenAmount(v.toDouble()); });
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
    openFade->setStartValue(openAmount);
    openFade->setEndValue(offer ? 1.0 : 0.0);
    openFade->start();
}

// "Open Folder" fades through an opacity effect that is there only while it fades: a
// lasting effect keeps a picture of the button from before the row last moved (it does
// when a pile opens) and draws it a few pixels off, cut at the row's edge.
void ActionRow::showOpenAmount(double amount)
{
    openAmount = amount;
    openButton->setVisible(amount > 0.001);
    if (amount >= 1.0) {
        openButton->setGraphicsEffect(nullptr);
        return;
    }
    auto *effect = qobject_cast<QGraphicsOpacityEffect *>(openButton->graphicsEffect());
    if (!effect) {
        effect = new QGraphicsOpacityEffect(openButton);
        openButton->setGraphicsEffect(effect);
    }
    effect->setOpacity(amount);
}

} // namespace vidorra
