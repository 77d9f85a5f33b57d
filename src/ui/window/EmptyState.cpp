#include "ui/window/EmptyState.h"

#include "ui/window/CardEntries.h"
#include "kit/FadeIn.h"
#include "kit/Fonts.h"
#include "kit/Icons.h"
#include "kit/Palette.h"
#include "model/Model.h"
#include "text/Language.h"

#include <QPainter>
#include <QTimer>
#include <cmath>

namespace vidorra {

EmptyState::EmptyState(Model *model, QWidget *parent)
    : QWidget(parent), model(model), spin(new QTimer(this)), cards(new CardEntries(model, this))
{
    connect(cards, &CardEntries::changed, this, &EmptyState::placeCards);
    spin->setInterval(80);
    connect(spin, &QTimer::timeout, this, [this] {
        phase = (phase + 1) % 12;
        update();
    });
    connect(model, &Model::busyChanged, this, &EmptyState::refresh);
    connect(model, &Model::scanningChanged, this, &EmptyState::refresh);
    refresh();
}

bool EmptyState::reading() const { return model->busy() || model->scanning(); }

QString EmptyState::title() const { return reading() ? L("Reading…") : L("No Clips"); }

QString EmptyState::hint() const { return reading() ? QString() : L("Drag a folder here  ·  Ctrl+O"); }

void EmptyState::refresh()
{
    // The spinner only turns while it can be seen and work runs.
    const bool now = reading();
    if (now)
        spin->start();
    else
        spin->stop();
    // "Reading…" and "No Clips" ease into each other when work starts or ends.
    if (now != wasReading)
        fadeIn(this, 200, QEasingCurve::OutCubic);
    wasReading = now;
    placeCards();
    update();
}

void EmptyState::resizeEvent(QResizeEvent *) { placeCards(); }

void EmptyState::placeCards()
{
    // Under "No Clips" and its hint; out of the way while work runs.
    cards->adjustSize();
    const QSize size = cards->sizeHint();
    cards->setGeometry((width() - size.width()) / 2, height() / 2 + 52, size.width(), size.height());
    cards->setVisible(!reading() && !model->cards().isEmpty());
}

void EmptyState::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QColor primary = Glass::primary().on(this);
    const QColor secondary = Glass::secondary().on(this);
    const QPointF c = QRectF(rect()).center();

    if (reading()) {
        for (int i = 0; i < 12; ++i) {
            const double a = i * M_PI / 6;
            const double alpha = 0.15 + 0.85 * ((i - phase + 12) % 12) / 11.0;
            p.setPen(QPen(faded(secondary, alpha), 2, Qt::SolidLine, Qt::RoundCap));
            const QPointF d(std::sin(a), -std::cos(a));
            p.drawLine(c + QPointF(0, -14) + d * 5, c + QPointF(0, -14) + d * 9);
        }
        p.setFont(Fonts::sans(13));
        p.setPen(secondary);
        p.drawText(QRectF(0, c.y() + 4, width(), 24), Qt::AlignHCenter | Qt::AlignTop, title());
        return;
    }
    Icons::paint(p, QStringLiteral("film.stack"), QRectF(c.x() - 14, c.y() - 44, 28, 28), secondary,
                 Icons::Weight::Light);
    p.setFont(Fonts::sans(15, Fonts::Weight::Medium));
    p.setPen(primary);
    p.drawText(QRectF(0, c.y() - 6, width(), 24), Qt::AlignHCenter | Qt::AlignTop, title());
    p.setFont(Fonts::sans(11));
    p.setPen(secondary);
    p.drawText(QRectF(0, c.y() + 20, width(), 20), Qt::AlignHCenter | Qt::AlignTop, hint());
}

} // namespace vidorra
