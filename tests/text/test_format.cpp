// Filling of localised formats: placeholders in order, "%%", and the slips a
// translation can contain (too few or too many arguments, the wrong kind).
#include "text/Format.h"

#include <gtest/gtest.h>

using vidorra::formatText;

TEST(TextFormat, FillsPlaceholdersAndSurvivesSlips)
{
    const struct { const char *format; QVariantList args; const char *filled; } rows[] = {
        {"Delete %d clips?", {3}, "Delete 3 clips?"},
        {"%@ Slowmo %@fps to %@p", {"4K", "120", "30"}, "4K Slowmo 120fps to 30p"},
        {"%@: %d of %d", {"a.mp4", 2, qint64(5'000'000'000)}, "a.mp4: 2 of 5000000000"},
        {"%ld and %lld and %i", {1, -2, 3}, "1 and -2 and 3"},
        {"100%% of %d", {7}, "100% of 7"}, {"50% off %@", {"now"}, "50% off now"},
        {"ends with %", {1}, "ends with %"}, {"%x stays", {1}, "%x stays"},
        // Missing arguments leave the placeholder visible instead of reading garbage; extra ones are ignored.
        {"%d of %d", {1}, "1 of %d"}, {"%@ and %@", {}, "%@ and %@"}, {"just %@", {"one", "two"}, "just one"},
        // The wrong kind still prints, and arguments go in verbatim: a "%" in one is no placeholder.
        {"%d / %@", {"12", 4}, "12 / 4"}, {"%d", {2.0}, "2"}, {"%@ then %d", {"%d", 5}, "%d then 5"},
    };
    for (const auto &row : rows)
        EXPECT_EQ(formatText(row.format, row.args), row.filled) << row.format;
}
