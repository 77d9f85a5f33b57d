// Filling of localised formats: placeholders in order, "%%", and the slips a
// translation can contain (too few or too many arguments).
#include "Format.h"
#include "Language.h"

#include <gtest/gtest.h>

using vidorra::formatText;

TEST(TextFormat, FillsPlaceholdersInOrder)
{
    EXPECT_EQ(formatText("Delete %d clips?", {3}), "Delete 3 clips?");
    EXPECT_EQ(formatText("%@ Slowmo %@fps to %@p", {"4K", "120", "30"}), "4K Slowmo 120fps to 30p");
    EXPECT_EQ(formatText("%@: %d of %d", {"a.mp4", 2, qint64(5'000'000'000)}), "a.mp4: 2 of 5000000000");
    EXPECT_EQ(formatText("%ld and %lld and %i", {1, -2, 3}), "1 and -2 and 3");
}

TEST(TextFormat, PercentSignsAndLiterals)
{
    EXPECT_EQ(formatText("100%% of %d", {7}), "100% of 7");
    EXPECT_EQ(formatText("50% off %@", {"now"}), "50% off now");
    EXPECT_EQ(formatText("ends with %", {1}), "ends with %");
    EXPECT_EQ(formatText("%x stays", {1}), "%x stays");
}

TEST(TextFormat, ArgumentsOfTheWrongKindOrCount)
{
    // Missing arguments leave the placeholder visible instead of reading garbage.
    EXPECT_EQ(formatText("%d of %d", {1}), "1 of %d");
    EXPECT_EQ(formatText("%@ and %@", {}), "%@ and %@");
    // Extra arguments are ignored.
    EXPECT_EQ(formatText("just %@", {"one", "two"}), "just one");
    // A text given for %d and a number given for %@ still print.
    EXPECT_EQ(formatText("%d / %@", {"12", 4}), "12 / 4");
    EXPECT_EQ(formatText("%d", {2.0}), "2");
    // Arguments are inserted verbatim: a "%" inside an argument is not a placeholder.
    EXPECT_EQ(formatText("%@ then %d", {"%d", 5}), "%d then 5");
}

TEST(TextFormat, ThroughL)
{
    vidorra::Language::apply("en");
    // No arguments: the text is returned as it stands, "%%" included.
    EXPECT_EQ(vidorra::L("Finished with %d issue(s):"), "Finished with %d issue(s):");
    EXPECT_EQ(vidorra::L("Finished with %d issue(s):", {2}), "Finished with 2 issue(s):");
}
