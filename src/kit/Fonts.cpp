#include "kit/Fonts.h"

#include <QFontDatabase>
#include <QFontInfo>
#include <QGuiApplication>

namespace vidorra::Fonts {

static QStringList families()
{
    static const QStringList list = [] {
        QStringList out;
        const QString system = QFontDatabase::systemFont(QFontDatabase::GeneralFont).family();
        if (!system.isEmpty())
            out << system;
        out << QStringLiteral("DejaVu Sans") << QStringLiteral("sans-serif");
        return out;
    }();
    return list;
}

static QFont::Weight qtWeight(Weight weight)
{
    switch (weight) {
    case Weight::Light: return QFont::Light;
    case Weight::Regular: return QFont::Normal;
    case Weight::Medium: return QFont::Medium;
    case Weight::Semibold: return QFont::DemiBold;
    case Weight::Bold: return QFont::Bold;
    }
    return QFont::Normal;
}

QFont sans(double pixels, Weight weight, double tracking)
{
    QFont font;
    font.setFamilies(families());
    font.setStyleHint(QFont::SansSerif);
    // Pixel sizes are whole numbers in QFont; the design's sizes all are.
    font.setPixelSize(qMax(1, qRound(pixels)));
    font.setWeight(qtWeight(weight));
    if (tracking != 0.0)
        font.setLetterSpacing(QFont::AbsoluteSpacing, tracking);
    font.setHintingPreference(QFont::PreferNoHinting);
    return font;
}

QFont digits(double pixels, Weight weight)
{
    // DejaVu Sans and the common system sans-serifs draw digits at one width already;
    // Qt 6.4 cannot ask for tabular figures explicitly.
    return sans(pixels, weight);
}

} // namespace vidorra::Fonts
