#pragma once
// vidorra-probe --lut: a still picture graded through a .cube table with the same reader
// and lookup the application uses, so a table can be checked against another tool.

#include <QString>

namespace vidorra {

// Reads `cubePath`, grades the 8-bit RGB or RGBA picture `inPath` and writes `outPath`
// as a PNG of the same kind (alpha kept as it was). The exit status: 0 when written, 2
// when the table cannot be used, 1 when a picture cannot be read or written; `error`
// then holds the message.
int gradeStill(const QString &cubePath, const QString &inPath, const QString &outPath, QString &error);

} // namespace vidorra
