#pragma once
// The window's symbols, drawn as vector paths so they are crisp at any scale factor.
// Names follow the symbol names the design uses ("trash", "folder.fill", ...).

#include <QColor>
#include <QIcon>
#include <QRectF>
#include <QString>

class QPainter;

namespace vidorra::Icons {

enum class Weight { Light, Regular, Medium, Semibold };

// Whether a symbol of that name is drawn.
bool has(const QString &symbol);

// Paints the symbol centred in `box`, scaled to the box's smaller side. Unknown names
// paint nothing.
void paint(QPainter &painter, const QString &symbol, const QRectF &box, const QColor &color,
           Weight weight = Weight::Regular);

// The symbol as an icon for menus and actions; rendered afresh for every size and
// device pixel ratio.
QIcon icon(const QString &symbol, const QColor &color, Weight weight = Weight::Regular);

} // namespace vidorra::Icons
