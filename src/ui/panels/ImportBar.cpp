#include "ui/panels/ImportBar.h"

#include "kit/Fonts.h"
#include "kit/Palette.h"
#include "model/Model.h"
#include "text/Language.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QLocale>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

namespace vidorra {

namespace {
QString sizeText(qint64 bytes) { return Language::locale().formattedDataSize(bytes, 1, QLocale::DataSizeSIFormat); }
} // namespace

QString timeLeftText(int seconds)
{
    if (seconds < 60)
        return Ln("%n seconds left", std::max(seconds, 1));
    const int minutes = (seconds + 59) / 60;
    if (minutes < 60)
        return Ln("%n minutes left", minutes);
    return L("%d h %d min left", {minutes / 60, minutes % 60});
}

ImportBar::ImportBar(Model *model, QWidget *parent)
    : QWidget(parent), model(model), title(new QLabel(this)), bar(new QProgressBar(this)), detail(new QLabel(this)),
      cancel(new QPushButton(this))
{
    setObjectName(QStringLiteral("importBar"));
    title->setFont(Fonts::sans(12, Fonts::Weight::Medium));
    detail->setFont(Fonts::sans(11));
    bar->setRange(0, 1000);
    bar->setTextVisible(false);
    bar->setFixedHeight(6);
    cancel->setCursor(Qt::PointingHandCursor);

    auto *texts = new QVBoxLayout;
    texts->setSpacing(4);
    auto *top = new QHBoxLayout;
    top->addWidget(title);
    top->addStretch(1);
    top->addWidget(detail);
    texts->addLayout(top);
    texts->addWidget(bar);
    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(20, 8, 16, 8);
    row->setSpacing(14);
    row->addLayout(texts, 1);
    row->addWidget(cancel);

    connect(cancel, &QPushButton::clicked, model, &Model::cancelImport);
    for (auto signal : {&Model::importingChanged, &Model::importStatusChanged})
        connect(model, signal, this, &ImportBar::refresh);
    refresh();
}

QString ImportBar::titleText() const { return title->text(); }
QString ImportBar::detailText() const { return detail->text(); }
int ImportBar::percent() const { return bar->value() / 10; }

void ImportBar::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange)
        retranslate();
    QWidget::changeEvent(event);
}

void ImportBar::retranslate() { refresh(); }

void ImportBar::refresh()
{
    setVisible(model->importing());
    if (!model->importing())
        return;
    const ImportStatus &s = model->importStatus();
    const ImportProgress &p = s.progress;
    title->setText(L("Importing from %@", {s.card}));
    QStringList parts{Ln("%d of %n files · %@ of %@", p.filesTotal, {p.filesDone, sizeText(p.bytesDone), sizeText(p.bytesTotal)})};
    if (s.bytesPerSecond > 0)
        parts << sizeText(qint64(s.bytesPerSecond)) + QStringLiteral("/s");
    if (s.secondsLeft)
        parts << timeLeftText(*s.secondsLeft);
    detail->setText(parts.join(QStringLiteral(" · ")));
    QPalette pal = detail->palette();
    pal.setColor(QPalette::WindowText, Glass::secondary().on(this));
    detail->setPalette(pal);
    bar->setValue(p.bytesTotal > 0 ? int(1000 * p.bytesDone / p.bytesTotal) : 0);
    cancel->setText(L("Cancel"));
}

} // namespace vidorra
