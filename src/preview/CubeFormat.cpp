#include "preview/CubeFormat.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <optional>

namespace vidorra {

namespace {

constexpr int titleMaxChars = 200;

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\v' || c == '\f'; }

// Control characters other than white space: a file holding them is not text.
bool isBinary(unsigned char c) { return (c < 0x20 && !isBlank(char(c))) || c == 0x7F; }

bool isNumberStart(char c) { return (c >= '0' && c <= '9') || c == '-' || c == '+' || c == '.'; }

const char *skipBlanks(const char *p, const char *end)
{
    while (p < end && isBlank(*p))
        ++p;
    return p;
}

const char *tokenEnd(const char *p, const char *end)
{
    while (p < end && !isBlank(*p))
        ++p;
    return p;
}

bool equalsKeyword(std::string_view word, std::string_view keyword)
{
    if (word.size() != keyword.size())
        return false;
    for (size_t i = 0; i < word.size(); ++i) {
        const char c = word[i] >= 'a' && word[i] <= 'z' ? char(word[i] - 'a' + 'A') : word[i];
        if (c != keyword[i])
            return false;
    }
    return true;
}

bool isIdentifier(std::string_view word)
{
    if (word.empty() || !(std::isalpha(static_cast<unsigned char>(word[0])) || word[0] == '_'))
        return false;
    return std::all_of(word.begin(), word.end(), [](char c) {
        return std::isalnum(static_cast<unsigned char>(c)) || c == '_';
    });
}

QString shown(std::string_view text)
{
    constexpr size_t keep = 24;
    QString s = QString::fromUtf8(text.data(), qsizetype(std::min(text.size(), keep)));
    if (text.size() > keep)
        s += QChar(0x2026);
    return s;
}

CubeError errorAt(CubeError::Kind kind, qint64 line, const QString &detail = {})
{
    CubeError e;
    e.kind = kind;
    e.line = line;
    e.detail = detail;
    return e;
}

// One number from p on a line ending at `end`: the number must end at a blank or the
// line's end. A leading "+" is taken, as strtod does.
struct Number {
    const char *next = nullptr;
    float value = 0;
    std::optional<CubeError::Kind> problem;
};

// Plain decimals of at most 7 significant digits and 10 decimals ("0.123456", "-1.5"),
// which is what most tables hold: the digits as an integer below 2^24 and a power of ten
// up to 10^10 are both exact floats, so one division rounds correctly. Anything else is
// left to std::from_chars.
std::optional<float> plainDecimal(const char *p, const char *last)
{
    static constexpr float powers[] = {1e0f, 1e1f, 1e2f, 1e3f, 1e4f, 1e5f, 1e6f, 1e7f, 1e8f, 1e9f, 1e10f};
    const bool negative = p < last && *p == '-';
    p += negative ? 1 : 0;
    quint32 digits = 0;
    int count = 0, decimals = -1;
    for (; p < last; ++p) {
        if (*p == '.' && decimals < 0) {
            decimals = 0;
            continue;
        }
        if (*p < '0' || *p > '9' || ++count > 8)
            return std::nullopt;
        digits = digits * 10 + quint32(*p - '0');
        decimals += decimals >= 0 ? 1 : 0;
    }
    if (count == 0 || digits >= (1u << 24) || decimals > 10)
        return std::nullopt;
    const float magnitude = float(digits) / powers[std::max(decimals, 0)];
    return negative ? -magnitude : magnitude;
}

Number readNumber(const char *p, const char *end)
{
    Number n;
    const char *last = tokenEnd(p, end);
    n.next = last;
    if (std::optional<float> quick = plainDecimal(p, last)) {
        n.value = *quick;
        return n;
    }
    const char *digits = p < last && *p == '+' && p + 1 < last && p[1] != '-' ? p + 1 : p;
    auto [stop, ec] = std::from_chars(digits, last, n.value);
    if (stop != last || ec == std::errc::invalid_argument) {
        n.problem = CubeError::Kind::notANumber;
        return n;
    }
    if (ec == std::errc::result_out_of_range) {
        // Beyond 32-bit floats either way: too large is refused, too small is near zero.
        double wide = 0;
        std::from_chars(digits, last, wide);
        if (!(std::abs(wide) <= double(std::numeric_limits<float>::max()))) {
            n.problem = CubeError::Kind::notFinite;
            return n;
        }
        n.value = float(wide);
    }
    if (!std::isfinite(n.value))
        n.problem = CubeError::Kind::notFinite;
    return n;
}

// The numbers after a keyword or on an entry line, at most `want` of them read; `count`
// is how many tokens the line holds.
struct Numbers {
    std::array<float, 3> values{};
    int count = 0;
    std::optional<CubeError> error;
};

Numbers readNumbers(const char *p, const char *end, int want, qint64 line)
{
    Numbers out;
    for (p = skipBlanks(p, end); p < end; p = skipBlanks(p, end)) {
        if (out.count >= want) {
            p = tokenEnd(p, end);
            ++out.count;
            continue;
        }
        const Number n = readNumber(p, end);
        if (n.problem) {
            out.error = errorAt(*n.problem, line, shown(std::string_view(p, size_t(n.next - p))));
            return out;
        }
        out.values[size_t(out.count++)] = n.value;
        p = n.next;
    }
    return out;
}

// A keyword's input range as it was given, with the line that gave it.
struct GivenRange {
    std::optional<RGB> min, max;
    qint64 line = 0;
    QString keyword;
    bool given() const { return min || max; }
};

class Parser {
public:
    CubeParse run(std::string_view text);

private:
    std::optional<CubeError> line(const char *b, const char *e);
    std::optional<CubeError> keyword(std::string_view word, const char *rest, const char *e);
    std::optional<CubeError> entry(const char *b, const char *e);
    std::optional<CubeError> finish();
    std::optional<CubeError> title(const char *rest, const char *e);
    std::optional<CubeError> size(std::string_view word, const char *rest, const char *e, int &into, int most);
    std::optional<CubeError> range(GivenRange &range, bool low, std::string_view word, const char *rest,
                                   const char *e, int numbers);
    // The range the table applies, from its own keyword or DOMAIN_MIN/MAX.
    std::optional<CubeError> settle(const GivenRange &own, bool takesDomain, RGB &min, RGB &max);

    CubeTable table;
    qint64 at = 0;              // the line being read
    bool titled = false;
    bool sized = false;         // LUT_3D_SIZE or LUT_1D_SIZE seen
    bool entries = false;       // the first entry was read: keywords are over
    qint64 entryCount = 0;
    qint64 expectedEntries = 0;
    GivenRange domain, curveRange, latticeRange;
};

CubeParse Parser::run(std::string_view text)
{
    const char *p = text.data();
    const char *end = p + text.size();
    if (text.starts_with("\xEF\xBB\xBF"))
        p += 3;
    // The next line feed and carriage return, found once each and reused, so a file of
    // lone "\r" endings costs no more than one of "\n" endings.
    auto next = [end](const char *from, char c) {
        const void *at = std::memchr(from, c, size_t(end - from));
        return at ? static_cast<const char *>(at) : end;
    };
    const char *newline = next(p, '\n'), *ret = next(p, '\r');
    while (p < end) {
        ++at;
        if (newline < p)
            newline = next(p, '\n');
        if (ret < p)
            ret = next(p, '\r');
        // "\n", "\r\n" and a lone "\r" each end a line.
        const char *b = p;
        const char *e = std::min(newline, ret);
        p = e == end ? end : *e == '\r' && e + 1 < end && e[1] == '\n' ? e + 2 : e + 1;
        if (std::optional<CubeError> error = line(b, e)) {
            // Whatever else is wrong with it, a line holding control characters is not text.
            if (std::any_of(b, e, [](char c) { return isBinary(static_cast<unsigned char>(c)); }))
                return errorAt(CubeError::Kind::binary, at);
            return *error;
        }
    }
    if (std::optional<CubeError> error = finish())
        return *error;
    return std::move(table);
}

std::optional<CubeError> Parser::line(const char *b, const char *e)
{
    b = skipBlanks(b, e);
    if (b == e || *b == '#')
        return std::nullopt;
    if (isNumberStart(*b))
        return entry(b, e);
    const char *wordEnd = b;
    while (wordEnd < e && !isBlank(*wordEnd) && *wordEnd != '#')
        ++wordEnd;
    const std::string_view word(b, size_t(wordEnd - b));
    // "nan" and "inf" read as numbers: an entry, refused there as not finite.
    float ignored = 0;
    if (auto [stop, ec] = std::from_chars(b, wordEnd, ignored); stop == wordEnd && ec != std::errc::invalid_argument)
        return entry(b, e);
    if (equalsKeyword(word, "TITLE"))
        return title(wordEnd, e);
    const char *comment = static_cast<const char *>(std::memchr(wordEnd, '#', size_t(e - wordEnd)));
    return keyword(word, wordEnd, comment ? comment : e);
}

std::optional<CubeError> Parser::keyword(std::string_view word, const char *rest, const char *e)
{
    if (!isIdentifier(word))
        return errorAt(CubeError::Kind::notANumber, at, shown(word));
    if (entries)
        return errorAt(CubeError::Kind::keywordAfterEntries, at, shown(word));
    if (equalsKeyword(word, "LUT_3D_SIZE"))
        return size(word, rest, e, table.size, cubeMaxSize);
    if (equalsKeyword(word, "LUT_1D_SIZE"))
        return size(word, rest, e, table.curveSize, curveMaxSize);
    if (equalsKeyword(word, "DOMAIN_MIN"))
        return range(domain, true, word, rest, e, 3);
    if (equalsKeyword(word, "DOMAIN_MAX"))
        return range(domain, false, word, rest, e, 3);
    if (equalsKeyword(word, "LUT_1D_INPUT_RANGE"))
        return range(curveRange, true, word, rest, e, 2);
    if (equalsKeyword(word, "LUT_3D_INPUT_RANGE"))
        return range(latticeRange, true, word, rest, e, 2);
    return std::nullopt; // a keyword of some other tool: ignored, as they ignore ours
}

std::optional<CubeError> Parser::title(const char *rest, const char *e)
{
    if (entries)
        return errorAt(CubeError::Kind::keywordAfterEntries, at, QStringLiteral("TITLE"));
    if (titled)
        return errorAt(CubeError::Kind::repeated, at, QStringLiteral("TITLE"));
    titled = true;
    if (std::any_of(rest, e, [](char c) { return isBinary(static_cast<unsigned char>(c)); }))
        return errorAt(CubeError::Kind::binary, at);
    const char *b = skipBlanks(rest, e);
    const char *last = e;
    if (b < e && *b == '"') {
        ++b;
        const char *close = static_cast<const char *>(std::memchr(b, '"', size_t(e - b)));
        last = close ? close : e;
    } else if (const char *comment = static_cast<const char *>(std::memchr(b, '#', size_t(e - b)))) {
        last = comment;
    }
    while (last > b && isBlank(last[-1]))
        --last;
    QString title = QString::fromUtf8(b, qsizetype(std::min<qint64>(last - b, 4 * titleMaxChars))).left(titleMaxChars);
    // Shortened, it may end in blanks again; a title never does.
    while (!title.isEmpty() && title.back().isSpace())
        title.chop(1);
    table.title = title;
    return std::nullopt;
}

std::optional<CubeError> Parser::size(std::string_view word, const char *rest, const char *e, int &into, int most)
{
    if (into != 0)
        return errorAt(CubeError::Kind::repeated, at, shown(word));
    const char *b = skipBlanks(rest, e);
    const char *last = tokenEnd(b, e);
    long long n = 0;
    const auto [stop, ec] = std::from_chars(b, last, n);
    const bool whole = b < last && stop == last && ec != std::errc::invalid_argument;
    if (!whole || skipBlanks(last, e) != e) {
        CubeError error = errorAt(CubeError::Kind::keywordValues, at, shown(word));
        error.expected = 1;
        return error;
    }
    if (ec == std::errc::result_out_of_range || n < cubeMinSize || n > most) {
        CubeError error = errorAt(CubeError::Kind::sizeOutOfRange, at, shown(word));
        error.value = shown(std::string_view(b, size_t(last - b)));
        error.expected = most;
        return error;
    }
    into = int(n);
    sized = true;
    return std::nullopt;
}

std::optional<CubeError> Parser::range(GivenRange &given, bool low, std::string_view word, const char *rest,
                                       const char *e, int numbers)
{
    std::optional<RGB> &slot = low ? given.min : given.max;
    if (slot)
        return errorAt(CubeError::Kind::repeated, at, shown(word));
    Numbers read = readNumbers(rest, e, numbers, at);
    if (read.error)
        return read.error;
    if (read.count != numbers) {
        CubeError error = errorAt(CubeError::Kind::keywordValues, at, shown(word));
        error.expected = numbers;
        return error;
    }
    if (numbers == 2) {
        // One range for every channel: minimum and maximum on one line.
        given.min = RGB{read.values[0], read.values[0], read.values[0]};
        given.max = RGB{read.values[1], read.values[1], read.values[1]};
    } else {
        slot = RGB{read.values[0], read.values[1], read.values[2]};
    }
    given.line = at;
    given.keyword = shown(word);
    return std::nullopt;
}

std::optional<CubeError> Parser::entry(const char *b, const char *e)
{
    if (!sized)
        return errorAt(CubeError::Kind::entriesBeforeSize, at);
    if (!entries) {
        // The sizes are settled once the entries begin.
        entries = true;
        const qint64 n = table.size;
        expectedEntries = qint64(table.curveSize) + n * n * n;
        table.curve.reserve(size_t(table.curveSize) * 3);
        table.lattice.reserve(size_t(n * n * n) * 3);
    }
    if (const char *comment = static_cast<const char *>(std::memchr(b, '#', size_t(e - b))))
        e = comment;
    const Numbers read = readNumbers(b, e, 3, at);
    if (read.error)
        return read.error;
    if (read.count != 3) {
        CubeError error = errorAt(CubeError::Kind::wrongCount, at);
        error.found = read.count;
        error.expected = 3;
        return error;
    }
    if (entryCount >= expectedEntries) {
        CubeError error = errorAt(CubeError::Kind::tooManyEntries, at);
        error.expected = expectedEntries;
        return error;
    }
    std::vector<float> &into = entryCount < table.curveSize ? table.curve : table.lattice;
    into.insert(into.end(), read.values.begin(), read.values.end());
    ++entryCount;
    return std::nullopt;
}

std::optional<CubeError> Parser::settle(const GivenRange &own, bool takesDomain, RGB &min, RGB &max)
{
    auto lowest = [](const GivenRange &r) { return r.min.value_or(RGB{0, 0, 0}); };
    auto highest = [](const GivenRange &r) { return r.max.value_or(RGB{1, 1, 1}); };
    const GivenRange *from = own.given() ? &own : nullptr;
    if (takesDomain && domain.given()) {
        // Some tools write both spellings; they must agree.
        if (from && (lowest(domain) != lowest(own) || highest(domain) != highest(own))) {
            const GivenRange &later = domain.line > own.line ? domain : own;
            return errorAt(CubeError::Kind::conflictingRange, later.line, later.keyword);
        }
        from = &domain;
    }
    if (!from)
        return std::nullopt;
    min = lowest(*from);
    max = highest(*from);
    for (size_t ch = 0; ch < 3; ++ch)
        if (!(max[ch] > min[ch]))
            return errorAt(CubeError::Kind::emptyRange, from->line, from->keyword);
    return std::nullopt;
}

std::optional<CubeError> Parser::finish()
{
    if (!sized) {
        CubeError error;
        error.kind = CubeError::Kind::noSize;
        return error;
    }
    // The sizes alone say how many entries there must be, even when none came.
    expectedEntries = qint64(table.curveSize) + qint64(table.size) * table.size * table.size;
    if (entryCount < expectedEntries) {
        CubeError error = errorAt(CubeError::Kind::tooFewEntries, at);
        error.found = entryCount;
        error.expected = expectedEntries;
        return error;
    }
    // DOMAIN_MIN and DOMAIN_MAX belong to the table applied first.
    const bool shaper = table.curveSize > 0;
    if (shaper) {
        if (std::optional<CubeError> error = settle(curveRange, true, table.curveMin, table.curveMax))
            return error;
    }
    if (table.size > 0)
        return settle(latticeRange, !shaper, table.min, table.max);
    return std::nullopt;
}

} // namespace

CubeParse parseCube(std::string_view text)
{
    return Parser().run(text);
}

AxisPositions cubePositions(const CubeTable &table)
{
    const qint64 n = table.size > 0 ? table.size : 2;
    const qint64 m = table.curveSize;
    AxisPositions positions{};
    for (size_t ch = 0; ch < 3; ++ch) {
        for (int v = 0; v < 256; ++v) {
            // In 8-bit units, so that the range 0..1 gives exactly v * (n - 1) / 255.
            const double x = double(v);
            if (m == 0) {
                positions[ch][size_t(v)] = (x - 255.0 * table.min[ch]) * double(n - 1)
                    / (255.0 * (double(table.max[ch]) - table.min[ch]));
                continue;
            }
            double t = (x - 255.0 * table.curveMin[ch]) * double(m - 1)
                / (255.0 * (double(table.curveMax[ch]) - table.curveMin[ch]));
            t = std::clamp(t, 0.0, double(m - 1));
            const qint64 i = std::min<qint64>(qint64(t), m - 2);
            const double lo = table.curve[size_t(3 * i) + ch];
            const double hi = table.curve[size_t(3 * (i + 1)) + ch];
            const double y = lo + (hi - lo) * (t - double(i));
            positions[ch][size_t(v)] = table.size > 0
                ? (y - table.min[ch]) * double(n - 1) / (double(table.max[ch]) - table.min[ch])
                : y;   // the two-point identity lattice: the curve's output is the place
        }
    }
    return positions;
}

CubePtr makeCube(const CubeTable &table)
{
    if (table.size > 0)
        return std::make_shared<const LUTCube>(table.size, table.lattice, cubePositions(table));
    // Red fastest: (0,0,0), (1,0,0), (0,1,0), (1,1,0), then the same with blue at 1.
    std::vector<float> identity;
    for (int i = 0; i < 8; ++i)
        identity.insert(identity.end(), {float(i & 1), float((i >> 1) & 1), float((i >> 2) & 1)});
    return std::make_shared<const LUTCube>(2, identity, cubePositions(table));
}

QByteArray cubeText(const LUTCube &cube, const QString &title)
{
    QString name = title;
    name.replace(u'"', u'\'').replace(u'\n', u' ').replace(u'\r', u' ');
    QByteArray out;
    const qint64 n = cube.size();
    out.reserve(qsizetype(n * n * n * 28 + 200));
    out += "TITLE \"" + name.toUtf8() + "\"\n";
    out += "LUT_3D_SIZE " + QByteArray::number(n) + "\n";
    out += "DOMAIN_MIN 0 0 0\nDOMAIN_MAX 1 1 1\n";
    const float *f = reinterpret_cast<const float *>(cube.data().constData());
    char line[3 * 64];
    for (qint64 i = 0; i < n * n * n; ++i) {
        char *p = line;
        for (int ch = 0; ch < 3; ++ch) {
            // Shortest fixed notation that reads back as the same float.
            p = std::to_chars(p, line + sizeof line - 2, f[4 * i + ch], std::chars_format::fixed).ptr;
            *p++ = ch < 2 ? ' ' : '\n';
        }
        out.append(line, p - line);
    }
    return out;
}

} // namespace vidorra
