#pragma once
// The .cube colour table text, as grading tools write it (Adobe's format and Resolve's
// flavour of it): reading a file's text into a table and writing a table as text. Pure
// functions of their input; they never touch the disk.
//
// What is read: a TITLE, comments (from "#" to the end of a line), blank lines, then a
// 3D table (LUT_3D_SIZE 2..129, entries red fastest), a 1D table (LUT_1D_SIZE
// 2..65536, one entry per input level, applied per channel), or both (the 1D table is a
// shaper applied first, its entries before the 3D table's). DOMAIN_MIN / DOMAIN_MAX give
// the input range of the table applied first, LUT_1D_INPUT_RANGE / LUT_3D_INPUT_RANGE
// that of each table; inputs outside a range clamp to it. Other keywords before the
// entries are ignored, as other tools do.

#include "preview/LUTCube.h"

#include <QByteArray>
#include <QString>
#include <string_view>
#include <variant>
#include <vector>

namespace vidorra {

inline constexpr int cubeMinSize = 2;
inline constexpr int cubeMaxSize = 129;      // LUT_3D_SIZE
inline constexpr int curveMaxSize = 65536;   // LUT_1D_SIZE

// What a .cube file says.
struct CubeTable {
    QString title;                       // TITLE, empty when absent
    int size = 0;                        // lattice points per axis; 0 without a 3D table
    std::vector<float> lattice;          // size^3 RGB triples, red fastest
    RGB min{0, 0, 0}, max{1, 1, 1};      // the 3D table's input range per channel
    int curveSize = 0;                   // 1D entries; 0 without a 1D table
    std::vector<float> curve;            // curveSize RGB triples
    RGB curveMin{0, 0, 0}, curveMax{1, 1, 1};
};

// Why a file is not a usable table, and where.
struct CubeError {
    enum class Kind {
        unreadable,          // detail: the system's description
        folder,
        notRegularFile,      // a device, pipe or socket
        tooLarge,            // found: the size in bytes
        binary,              // line
        notANumber,          // line, detail: the text
        notFinite,           // line, detail: the text (nan, inf, or beyond 32-bit floats)
        wrongCount,          // line, found: numbers on the line (3 expected)
        keywordValues,       // line, detail: keyword, expected: numbers it takes
        sizeOutOfRange,      // line, detail: keyword, value: the size, expected: its maximum
        emptyRange,          // line, detail: keyword
        conflictingRange,    // line, detail: keyword (DOMAIN_* and LUT_*_INPUT_RANGE disagree)
        repeated,            // line, detail: keyword
        keywordAfterEntries, // line, detail: keyword
        entriesBeforeSize,   // line
        tooManyEntries,      // line, expected: the count the sizes announce
        tooFewEntries,       // line (the last), found, expected
        noSize,              // no line
    };
    Kind kind = Kind::unreadable;
    qint64 line = 0;     // 1-based; 0 when no line applies
    QString detail;      // a keyword, a piece of text or the system's description
    QString value;       // the size as written, for sizeOutOfRange
    qint64 found = 0, expected = 0;

    bool operator==(const CubeError &) const = default;
};

using CubeParse = std::variant<CubeTable, CubeError>;

// Reads the text of a .cube file. Linear in the text's length whatever it holds.
CubeParse parseCube(std::string_view text);

// Per channel, where each 8-bit input value lands in the table's lattice once the
// input range and the 1D curve are applied. A table with only a 1D curve uses the
// two-point identity lattice, so the curve's output is the lattice position.
AxisPositions cubePositions(const CubeTable &table);
// The table as the engine uses it, with a fresh id.
CubePtr makeCube(const CubeTable &table);

// The table as .cube text with `title`: LUT_3D_SIZE, then every entry red fastest, each
// value in the fewest decimals that read back as the same 32-bit float, so reading the
// text gives the same table bit for bit.
QByteArray cubeText(const LUTCube &cube, const QString &title);

} // namespace vidorra
