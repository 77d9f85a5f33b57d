#include "ui/window/MessageBar.h"

#include "kit/Fonts.h"
#include "kit/Icons.h"
#include "kit/Palette.h"
#include "model/Model.h"
#include "text/Language.h"

#include <QAbstractButton>
#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QTimer>

namespace vidorra {

namespace {

class QtClearTimer : public ClearTimer {
public:
    QtClearTimer() { timer.setSingleShot(true); }
    void start(int ms, std::function<void()> done) override
    {
        timer.stop();
        QObject::disconnect(connection);
        connection = QObject::connect(&timer, &QTimer::timeout, [done = std::move(done)] { done(); });
        timer.start(ms);
    }
    void cancel() override
    {
        timer.stop();
        QObject::disconnect(connection);
    }

private:
    QTimer timer;
    QMetaObject::Connection connection;
};

class CloseButton : public QAbstractButton {
public:
    explicit CloseButton(QWidget *parent) : QAbstractButton(parent)
    {
        setFixedSize(22, 22);
        setCursor(Qt::PointingHandCursor);
        setFocusPolicy(Qt::NoFocus);
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        if (underMouse()) {
            p.setPen(Qt::NoPen);
            p.setBrush(faded(Glass::primary().on(this), 0.08));
            p.drawEllipse(rect());
        }
        Icons::paint(p, QStringLiteral("xmark"), QRectF(rect()).adjusted(6, 6, -6, -6),
                     Glass::secondary().on(this), Icons::Weight::Semibold);
    }
    void enterEvent(QEnterEvent *) override { update(); }
    void leaveEvent(QEvent *) override { update(); }
};

} // namespace

std::unique_ptr<ClearTimer> makeClearTimer() { return std::make_unique<QtClearTimer>(); }

MessageBar::MessageBar(Model *model, QWidget *parent)
    : QWidget(parent), model(model), label(new QLabel(this)), closeButton(new CloseButton(this)),
      timer(makeClearTimer())
{
    setAttribute(Qt::WA_TranslucentBackground);
    label->setFont(Fonts::sans(14));
    label->setWordWrap(true);
    label->setTextFormat(Qt::PlainText);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    closeButton->setToolTip(L("Close"));
    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(16, 10, 16, 10);
    row->setSpacing(10);
    row->addWidget(label, 1);
    row->addWidget(closeButton, 0, Qt::AlignTop);
    connect(static_cast<QAbstractButton *>(closeButton), &QAbstractButton::clicked, this,
            [this] { this->model->setMessage(QString()); });
    connect(model, &Model::messageChanged, this, &MessageBar::messageChanged);
    parent->installEventFilter(this);
    hide();
    messageChanged();
}

void MessageBar::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange)
        closeButton->setToolTip(L("Close"));
    QWidget::changeEvent(event);
}

void MessageBar::setClearTimer(std::unique_ptr<ClearTimer> t)
{
    if (timer)
        timer->cancel();
    timer = std::move(t);
}

QString MessageBar::text() const { return label->text(); }

void MessageBar::messageChanged()
{
    timer->cancel();
    const QString message = model->message();
    if (message.isEmpty()) {
        hide();
        return;
    }
    label->setText(message);
    if (!message.contains(QLatin1Char('\n'))) {
        // A newer message cancels this countdown; the check is a second guard.
        timer->start(clearAfterMs, [this, message] {
            if (model->message() == message)
                model->setMessage(QString());
        });
    }
    reposition();
    show();   // it stays where the window stacked it: under the preview, above the faces
}

void MessageBar::reposition()
{
    QWidget *host = parentWidget();
    if (!host)
        return;
    const int width = std::min(maxWidth, std::max(120, host->width() - 40));
    const int labelWidth = width - 16 - 16 - 10 - closeButton->width();
    label->setFixedWidth(std::max(40, labelWidth));
    adjustSize();
    const int height = sizeHint().height();
    setGeometry((host->width() - width) / 2, host->height() - bottomOffset - height, width, height);
}

bool MessageBar::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == parentWidget() && event->type() == QEvent::Resize && isVisible())
        reposition();
    return QWidget::eventFilter(watched, event);
}

void MessageBar::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    QPainterPath box;
    box.addRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 12, 12);
    p.fillPath(box, solidFill().on(this));
    p.setPen(QPen(faded(Glass::primary().on(this), 0.12), 1));
    p.drawPath(box);
}

} // namespace vidorra
