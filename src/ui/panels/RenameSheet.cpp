#include "ui/panels/RenameSheet.h"

#include "kit/Fonts.h"
#include "kit/OverlayScrollBar.h"
#include "kit/Palette.h"
#include "kit/SettingsPanelControls.h"
#include "model/Preferences.h"
#include "text/Language.h"

#include <QAbstractListModel>
#include <QEvent>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPainter>
#include <QPointer>
#include <QPushButton>
#include <QStyledItemDelegate>
#include <QTimer>
#include <QVBoxLayout>

namespace vidorra {

// The plans as rows of (old name, new name); the view builds only the visible rows.
class RenamePlanList : public QAbstractListModel {
public:
    enum Role { NewNameRole = Qt::UserRole + 1 };
    using QAbstractListModel::QAbstractListModel;

    void setPlans(const QList<RenamePlan> &list)
    {
        beginResetModel();
        names.clear();
        names.reserve(list.size());
        for (const auto &plan : list)
            names.append({QFileInfo(plan.from).fileName(), QFileInfo(plan.to).fileName()});
        endResetModel();
    }

    int rowCount(const QModelIndex &parent = {}) const override
    {
        return parent.isValid() ? 0 : int(names.size());
    }

    QVariant data(const QModelIndex &index, int role) const override
    {
        if (!index.isValid() || index.row() >= names.size())
            return {};
        const auto &[from, to] = names[index.row()];
        if (role == Qt::DisplayRole || role == Qt::ToolTipRole)
            return role == Qt::ToolTipRole ? from + QStringLiteral(" \u2192 ") + to : from;
        if (role == NewNameRole)
            return to;
        return {};
    }

private:
    QList<std::pair<QString, QString>> names;
};

namespace {

constexpr int sheetWidth = 600;
constexpr int sheetHeight = 440;
constexpr int entrySpacing = 6;

// One entry: the old name in the secondary colour above the new name, each on one line
// and shortened in the middle, so the clip number at the end stays readable.
class PlanDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    QSize sizeHint(const QStyleOptionViewItem &, const QModelIndex &) const override
    {
        const QFontMetrics fm(panelMonoFont(11));
        return QSize(100, 2 * fm.height() + 1 + entrySpacing);
    }

    void paint(QPainter *p, const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        const QFont font = panelMonoFont(11);
        const QFontMetrics fm(font);
        const QRect r = option.rect;
        const int w = r.width();
        // The sheet's own palette tells light from dark; the list's background is see-through.
        const Scheme scheme = option.widget ? schemeOf(option.widget->window()) : schemeOf(option.palette);
        p->save();
        p->setFont(font);
        p->setPen(Glass::secondary().in(scheme));
        p->drawText(QRect(r.left(), r.top(), w, fm.height()), Qt::AlignLeft | Qt::AlignVCenter,
                    fm.elidedText(index.data(Qt::DisplayRole).toString(), Qt::ElideMiddle, w));
        p->setPen(Glass::primary().in(scheme));
        p->drawText(QRect(r.left(), r.top() + fm.height() + 1, w, fm.height()), Qt::AlignLeft | Qt::AlignVCenter,
                    fm.elidedText(index.data(RenamePlanList::NewNameRole).toString(), Qt::ElideMiddle, w));
        p->restore();
    }
};

// A rounded panel filled with the chip colour, behind the list of names.
class ChipPanel : public QWidget {
public:
    using QWidget::QWidget;

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(Qt::NoPen);
        p.setBrush(Glass::chip().on(this));
        p.drawRoundedRect(QRectF(rect()), 10, 10);
    }
};

// A token button: medium-weight label on a chip-coloured capsule, 24 high.
class TokenButton : public QAbstractButton {
public:
    TokenButton(const QString &label, QWidget *parent) : QAbstractButton(parent)
    {
        setText(label);
        setFont(Fonts::sans(11, Fonts::Weight::Medium));
        setCursor(Qt::PointingHandCursor);
        setFocusPolicy(Qt::TabFocus);
        setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    }

    QSize sizeHint() const override
    {
        return QSize(fontMetrics().horizontalAdvance(text()) + 18, 24);
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        const Scheme scheme = schemeOf(this);
        QColor fill = Glass::chip().in(scheme);
        if (isDown())
            fill = faded(Glass::primary().in(scheme), 0.16);
        else if (underMouse())
            fill = faded(Glass::primary().in(scheme), 0.10);
        p.setPen(hasFocus() ? QPen(faded(Glass::accent().in(scheme), 0.7), 1.2) : Qt::NoPen);
        p.setBrush(fill);
        p.drawRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 11.5, 11.5);
        p.setPen(Glass::primary().in(scheme));
        p.drawText(rect(), Qt::AlignCenter, text());
    }

    void enterEvent(QEnterEvent *event) override
    {
        update();
        QAbstractButton::enterEvent(event);
    }

    void leaveEvent(QEvent *event) override
    {
        update();
        QAbstractButton::leaveEvent(event);
    }
};

} // namespace

const QStringList &RenameSheet::tokens()
{
    static const QStringList list = {
        QStringLiteral("{date}"), QStringLiteral("{profile}"), QStringLiteral("{res}"),
        QStringLiteral("{fps}"),  QStringLiteral("{iso}"),     QStringLiteral("{num}"),
        QStringLiteral("{name}"),
    };
    return list;
}

QString RenameSheet::tokenLabel(const QString &token)
{
    if (token == QLatin1String("{date}")) return L("Date");
    if (token == QLatin1String("{profile}")) return L("Profile");
    if (token == QLatin1String("{res}")) return L("Resolution");
    if (token == QLatin1String("{fps}")) return L("FPS");
    if (token == QLatin1String("{iso}")) return L("ISO");
    if (token == QLatin1String("{num}")) return L("Number");
    if (token == QLatin1String("{name}")) return L("Original");
    return token;
}

RenameSheet::RenameSheet(const QList<Planned> &clips, RenameAction action, QWidget *parent)
    : QDialog(parent), items(clips), onRename(std::move(action))
{
    setObjectName(QStringLiteral("renameSheet"));
    setFixedSize(sheetWidth, sheetHeight);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(18, 18, 18, 18);
    layout->setSpacing(12);

    title = new QLabel(this);
    title->setObjectName(QStringLiteral("renameTitle"));
    title->setFont(Fonts::sans(15, Fonts::Weight::Bold));
    layout->addWidget(title);

    field = new QLineEdit(this);
    field->setObjectName(QStringLiteral("renameTemplate"));
    field->setFont(panelMonoFont(12));
    field->setClearButtonEnabled(false);
    layout->addWidget(field);

    auto *tokenRow = new QHBoxLayout;
    tokenRow->setSpacing(6);
    for (const QString &token : tokens()) {
        auto *button = new TokenButton(QString(), this);
        button->setObjectName(QStringLiteral("token") + token);
        button->setToolTip(token);
        connect(button, &QAbstractButton::clicked, this, [this, token] { appendToken(token); });
        tokenRow->addWidget(button);
        tokenButtons.append(button);
    }
    tokenRow->addStretch();
    auto *resetLink = new LinkButton(QString(), this);
    reset = resetLink;
    reset->setObjectName(QStringLiteral("renameReset"));
    resetLink->setMuted(true);
    connect(reset, &QAbstractButton::clicked, this, &RenameSheet::resetTemplate);
    tokenRow->addWidget(reset);
    layout->addLayout(tokenRow);

    auto *panel = new ChipPanel(this);
    auto *panelLayout = new QVBoxLayout(panel);
    panelLayout->setContentsMargins(10, 10, 10, 10 - entrySpacing);
    list = new QListView(panel);
    list->setObjectName(QStringLiteral("renamePlans"));
    listModel = new RenamePlanList(list);
    list->setModel(listModel);
    list->setItemDelegate(new PlanDelegate(list));
    list->setUniformItemSizes(true);
    list->setFrameShape(QFrame::NoFrame);
    list->setSelectionMode(QAbstractItemView::NoSelection);
    list->setFocusPolicy(Qt::NoFocus);
    list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    list->setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    list->setAutoFillBackground(false);
    list->viewport()->setAutoFillBackground(false);
    QPalette clear = list->palette();
    clear.setColor(QPalette::Base, Qt::transparent);
    list->setPalette(clear);
    OverlayScroller::install(list);
    panelLayout->addWidget(list);
    layout->addWidget(panel, 1);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    cancelBtn = new QPushButton(this);
    cancelBtn->setObjectName(QStringLiteral("renameCancel"));
    cancelBtn->setAutoDefault(false);
    connect(cancelBtn, &QPushButton::clicked, this, &QDialog::reject);
    buttons->addWidget(cancelBtn);
    renameBtn = new QPushButton(this);
    renameBtn->setObjectName(QStringLiteral("renameConfirm"));
    renameBtn->setDefault(true);
    connect(renameBtn, &QPushButton::clicked, this, &RenameSheet::confirm);
    buttons->addWidget(renameBtn);
    layout->addLayout(buttons);

    // The last template used; every edit is stored and the list follows it.
    connect(field, &QLineEdit::textChanged, this, &RenameSheet::templateEdited);
    field->setText(Preferences::renameTemplate());
    templateEdited(field->text());
    retranslate();
    field->setFocus();
}

// Every fixed text of the sheet, in the language now in effect.
void RenameSheet::retranslate()
{
    setWindowTitle(L("Rename"));
    title->setText(Ln("Rename %n Clips", items.size()));
    field->setPlaceholderText(L("Template"));
    for (qsizetype i = 0; i < tokenButtons.size(); ++i) {
        tokenButtons[i]->setText(tokenLabel(tokens()[i]));
        tokenButtons[i]->updateGeometry();
    }
    reset->setText(L("Reset"));
    reset->updateGeometry();
    cancelBtn->setText(L("Cancel"));
    renameBtn->setText(L("Rename %d", {int(currentPlans.size())}));
}

void RenameSheet::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange)
        retranslate();
    QDialog::changeEvent(event);
}

void RenameSheet::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    // The caret waits at the end of the template, so typing extends it rather than
    // replacing it (the window system selects all when it hands the field the focus).
    QTimer::singleShot(0, field, [f = QPointer<QLineEdit>(field)] {
        if (f) {
            f->deselect();
            f->end(false);
        }
    });
}

QString RenameSheet::templateText() const
{
    return field->text();
}

void RenameSheet::setTemplateText(const QString &text)
{
    field->setText(text);
}

void RenameSheet::appendToken(const QString &token)
{
    const QString current = field->text();
    field->setText(current.isEmpty() ? token : current + QLatin1Char('_') + token);
    field->setFocus();
    field->end(false);
}

void RenameSheet::resetTemplate()
{
    field->setText(defaultRenameTemplate());
}

void RenameSheet::templateEdited(const QString &text)
{
    if (Preferences::renameTemplate() != text)
        Preferences::setRenameTemplate(text);
    currentPlans = renamePlans(items, text);
    listModel->setPlans(currentPlans);
    renameBtn->setText(L("Rename %d", {int(currentPlans.size())}));
    renameBtn->setEnabled(!currentPlans.isEmpty());
}

void RenameSheet::confirm()
{
    // Plan once more at the moment of confirming: files may have appeared since the
    // last keystroke, and a stale plan would only fail later with "name already exists".
    currentPlans = renamePlans(items, field->text());
    if (currentPlans.isEmpty())
        return;
    const QList<RenamePlan> plans = currentPlans;
    if (onRename)
        onRename(plans);
    accept();
}

} // namespace vidorra
