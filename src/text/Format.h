#pragma once
// printf-style filling of localised texts, kept apart from the lookup so it can be
// tested on its own.

#include <QString>
#include <QVariantList>

namespace vidorra {

// Fills "%@" (text) and "%d"/"%i"/"%ld"/"%lld"/"%u" (integer) placeholders with `args`
// in order, and turns "%%" into "%". A placeholder without an argument left over stays
// as written (a translator's slip must not crash or eat text); extra arguments are ignored.
QString formatText(const QString &format, const QVariantList &args);

} // namespace vidorra
