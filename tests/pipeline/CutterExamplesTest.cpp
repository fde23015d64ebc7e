// The cutter's behaviour on small pages: the reference table of examples and the edge cases.
#include "CutterTestSupport.h"

#include "platform/Errors.h"

#include <functional>
#include <gtest/gtest.h>

using namespace nimbrel;
using namespace nimbrel::test;

namespace {

using Lines = std::vector<std::string>;

const std::string kRows = "<tr><td class='n'>One</td><td class='n'>Two</td></tr>"
                          "<tr><td class='n'>Three</td></tr>";

struct Example {
    const char* name;
    std::string start;
    std::string end;
    std::function<void(CommandRules&)> adjust;
    Lines expected;
};

void None(CommandRules&) {}

class WorkedExamples : public ::testing::TestWithParam<Example> {};

TEST_P(WorkedExamples, CutTheTableRow) {
    CommandRules rules = AppendRules(GetParam().start, GetParam().end);
    GetParam().adjust(rules);
    EXPECT_EQ(CutPage(kRows, rules), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cutter, WorkedExamples,
    ::testing::Values(
        Example{"MarkersLeftOut", "<td class='n'", "</td>", None, {"One", "Two", "Three"}},
        Example{"MarkersIncluded",
                "<td class='n'",
                "</td>",
                [](CommandRules& r) { r.start.include = r.end.include = true; },
                {"<td class='n'>One</td>", "<td class='n'>Two</td>", "<td class='n'>Three</td>"}},
        Example{
            "CharacterAfterMarkerDropped", "<TD CLASS='n'>", "</td>", None, {"ne", "wo", "hree"}},
        Example{"StartSkipRestartsForEveryPiece",
                "<td class='n'",
                "</td>",
                [](CommandRules& r) { r.start.skipSimilar = "1"; },
                {"Two"}},
        Example{"SpecificPicksSecondPiece",
                "<td class='n'",
                "</td>",
                [](CommandRules& r) { r.specific = "2"; },
                {"Two"}},
        Example{"StartReverseStepsBackToTheCell",
                "Two",
                "</tr>",
                [](CommandRules& r) {
                    r.start.include = r.end.include = true;
                    r.start.reverseLTags = "1";
                },
                {"<td class='n'>Two</td></tr>"}},
        Example{"EndFoundAtTheStartMarkerItself",
                "<tr>",
                "<tr>",
                [](CommandRules& r) { r.start.include = true; },
                {"", ""}},
        Example{"EndSkipPassesOverTheStartMarker",
                "<tr>",
                "<tr>",
                [](CommandRules& r) {
                    r.start.include = true;
                    r.end.skipSimilar = "1";
                },
                {"<tr><td class='n'>One</td><td class='n'>Two</td></tr>"}},
        Example{"EndReverseStopsBeforeTheCellTag",
                "<tr>",
                "</td>",
                [](CommandRules& r) {
                    r.start.include = true;
                    r.end.reverseLTags = "1";
                },
                {"<tr>", "<tr>"}},
        Example{"ReplaceThenWrap",
                "<td class='n'",
                "</td>",
                [](CommandRules& r) {
                    r.replaceFind[0] = "One";
                    r.replaceFind[1] = "Three";
                    r.replaceWith[0] = "1";
                    r.wrapOpen = "<b>";
                    r.wrapClose = "</b>";
                },
                {"<b>1</b>", "<b>Two</b>", "<b></b>"}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(CutterLetterCase, CapitalsMatchAnyCaseOfAToZOnly) {
    const std::string page = "<P>Äpfel</p><p>äpfel</P><p>apfel</p>";
    CommandRules rules = AppendRules("<p>Ä", "</P>");
    rules.start.include = rules.end.include = true;
    EXPECT_EQ(CutPage(page, rules), Lines{"<P>Äpfel</p>"});
    rules.start.text = "<P>A";
    EXPECT_EQ(CutPage(page, rules), Lines{"<p>apfel</p>"});
}

TEST(CutterCounts, StartSkipCountsAgainForEveryPiece) {
    CommandRules rules = AppendRules("<td", "</td>");
    rules.start.skipSimilar = "1";
    EXPECT_EQ(CutPage("<td>1</td><td>2</td><td>3</td><td>4</td>", rules), (Lines{"2", "4"}));
}

TEST(CutterCounts, SpecificCountsOverTheWholeInput) {
    CommandRules rules = AppendRules("<b", "</b>");
    rules.specific = "2";
    EXPECT_EQ(CutPage("<b>first</b>\r\n<b>second</b>\r\n", rules), Lines{"second"});
}

TEST(CutterCounts, SpecificOutOfRangeOrNegativeWritesNothing) {
    CommandRules rules = AppendRules("<b", "</b>");
    for (const char* specific : {"3", "-1", "-2147483648"}) {
        rules.specific = specific;
        EXPECT_EQ(CutPage("<b>1</b><b>2</b>", rules), Lines{}) << specific;
    }
}

TEST(CutterCounts, ZeroWrittenAnyWayMeansEveryPieceOnce) {
    CommandRules rules = AppendRules("<b", "</b>");
    for (const char* specific : {"00", "-0", "+0"}) {
        rules.specific = specific;
        EXPECT_EQ(CutPage("<b>1</b><b>2</b>", rules), (Lines{"1", "2"})) << specific;
    }
}

TEST(CutterCounts, NegativeSkipFindsNothingAndNegativeReverseActsAsZero) {
    const std::string page = "<i>x</i><b>1</b>";
    CommandRules rules = AppendRules("<b>", "</b>");
    rules.start.include = rules.end.include = true;
    rules.start.skipSimilar = "-1";
    EXPECT_EQ(CutPage(page, rules), Lines{});
    rules.start.skipSimilar = "0";
    rules.end.skipSimilar = "-3";
    EXPECT_EQ(CutPage(page, rules), Lines{});
    rules.end.skipSimilar = "0";
    rules.start.reverseLTags = "-2";
    rules.end.reverseLTags = "-2";
    EXPECT_EQ(CutPage(page, rules), Lines{"<b>1</b>"});
}

TEST(CutterMarkers, ExcludedStartAtTheVeryEndOfTheLineYieldsNothing) {
    CommandRules rules = AppendRules("<b", "</b>");
    EXPECT_EQ(CutPage("<b>1</b><b\r\n", rules), Lines{"1"});
    rules.end.text = "x";
    EXPECT_EQ(CutPage("<bx", rules), Lines{}); // the end marker is the dropped byte
}

TEST(CutterMarkers, EmptyCellAfterStartMarkerWithBracket) {
    const std::string page = "<td></td><td>b</td>";
    // With ">" the dropped byte is the end marker's "<", so the piece runs into the next cell.
    EXPECT_EQ(CutPage(page, AppendRules("<td>", "</td>")), Lines{"/td><td>b"});
    EXPECT_EQ(CutPage(page, AppendRules("<td", "</td>")), (Lines{"", "b"}));
}

TEST(CutterMarkers, MissingEndMarkerDropsTheRestOfTheLineOnly) {
    const auto rules = AppendRules("<b", "</b>");
    EXPECT_EQ(CutPage("<b>1</b><b>2\r\n<b>3</b>", rules), (Lines{"1", "3"}));
    EXPECT_EQ(CutPage("</b> <b>late", rules), Lines{});
}

TEST(CutterMarkers, EndSkipPassesThatManyEndMarkersAndBeyondThemDropsTheLine) {
    const std::string page = "<td>a</td><td>b</td><td>c</td>\r\n<td>d</td>";
    CommandRules rules = AppendRules("<td", "</td>");
    rules.end.skipSimilar = "1";
    EXPECT_EQ(CutPage(page, rules), (Lines{"a</td><td>b"}));
    rules.end.skipSimilar = "3"; // the first line has three end markers, the second one
    EXPECT_EQ(CutPage(page, rules), Lines{});
    rules.end.skipSimilar = "2";
    EXPECT_EQ(CutPage(page, rules), (Lines{"a</td><td>b</td><td>c"}));
}

TEST(CutterMarkers, EmptyMarkerIsNeverFound) {
    EXPECT_EQ(CutPage("<b>1</b>", AppendRules("", "</b>")), Lines{});
    EXPECT_EQ(CutPage("<b>1</b>", AppendRules("<b", "")), Lines{});
}

TEST(CutterReverse, StartReverseBeyondTheTagsBeginsAtTheUnconsumedLine) {
    CommandRules rules = AppendRules("One", "</i>");
    rules.start.include = rules.end.include = true;
    rules.start.reverseLTags = "5";
    EXPECT_EQ(CutPage("ab<c>One</i>", rules), Lines{"ab<c>One</i>"});
    // The end is searched from the piece's beginning, so the first piece ends before "Two";
    // the second may not reach back into the part the first one consumed.
    rules.start.text = "T";
    EXPECT_EQ(CutPage("x<i>One</i>y<i>Two</i>", rules), (Lines{"x<i>One</i>", "y<i>Two</i>"}));
}

TEST(CutterReverse, EndReverseBeforeThePieceGivesAnEmptyPieceThatStillCounts) {
    CommandRules rules = AppendRules("<td", "</td>");
    rules.end.reverseLTags = "2";
    rules.wrapOpen = "[";
    rules.wrapClose = "]";
    EXPECT_EQ(CutPage("<p><td>a</td>", rules), Lines{"[]"});
    rules.specific = "1";
    EXPECT_EQ(CutPage("<p><td>a</td>\r\n<td>b</td>", rules), Lines{"[]"});
}

TEST(CutterTables, ReplaceWithoutPartnerDeletesAndRunsLeftToRight) {
    CommandRules rules = AppendRules("<b", "</b>");
    rules.replaceFind[0] = "aa";
    rules.replaceFind[3] = "x";
    rules.replaceWith[3] = "xx";
    EXPECT_EQ(CutPage("<b>aaax</b>", rules), Lines{"axx"});
}

TEST(CutterTables, RemovalsRunBeforeReplacementsAndWrappingLast) {
    CommandRules rules = AppendRules("<p", "</p>");
    rules.removeOpen[0] = "<i>";
    rules.removeClose[0] = "</i>";
    rules.replaceFind[0] = "[";
    rules.replaceWith[0] = "<i>";
    rules.replaceFind[1] = "]";
    rules.replaceWith[1] = "</i>";
    rules.replaceFind[2] = "b";
    rules.replaceWith[2] = "B";
    rules.wrapOpen = "<b>";
    rules.wrapClose = "</b>";
    EXPECT_EQ(CutPage("<p>a<i>gone</i>[b]</p>", rules), Lines{"<b>a<i>B</i></b>"});
}

TEST(CutterTables, RemovePairsByRankIgnoringHalfPairs) {
    CommandRules rules = AppendRules("<p", "</p>");
    rules.removeOpen[0] = "(";
    rules.removeClose[1] = ")";
    rules.removeOpen[2] = "{";
    rules.removeClose[2] = "}";
    EXPECT_EQ(CutPage("<p>a(b)c{d}e</p>", rules), Lines{"a(b)ce"});
}

TEST(CutterText, LoneLineFeedsStayInsideOneLine) {
    EXPECT_EQ(CutPage("<b>1\n2</b>\n<b>3</b>", AppendRules("<b", "</b>")), (Lines{"1\n2", "3"}));
}

TEST(CutterText, BytesAreCutAsBytes) {
    const std::string page("<b>\0\xff\xfe</b>\x80<B>\xc3(</B>", 20);
    EXPECT_EQ(CutPage(page, AppendRules("<b", "</b>")),
              (Lines{std::string("\0\xff\xfe", 3), "\xc3("}));
    EXPECT_EQ(CutPage(std::string("<b>1</b>\x1a<b>2</b>"), AppendRules("<b", "</b>")), Lines{"1"});
}

TEST(CutterFailures, CountThatIsNotAWholeNumberStopsBeforeAnyPiece) {
    struct Case {
        std::function<void(CommandRules&)> spoil;
        std::string message;
    };
    const std::vector<Case> cases = {
        {[](CommandRules& r) { r.start.reverseLTags = "one"; },
         "'one' is not a valid integer value"},
        {[](CommandRules& r) { r.end.reverseLTags = ""; }, "'' is not a valid integer value"},
        {[](CommandRules& r) { r.start.skipSimilar = "1.5"; },
         "'1.5' is not a valid integer value"},
        {[](CommandRules& r) { r.end.skipSimilar = "0x1"; }, "'0x1' is not a valid integer value"},
        {[](CommandRules& r) { r.specific = "9999999999"; },
         "'9999999999' is not a valid integer value"},
        // The first offending count in reading order is the one reported.
        {[](CommandRules& r) {
             r.specific = "s";
             r.end.reverseLTags = "r";
         },
         "'r' is not a valid integer value"},
    };
    for (const Case& c : cases) {
        CommandRules rules = AppendRules("<b", "</b>");
        c.spoil(rules);
        try {
            CutPage("<b>1</b>", rules);
            ADD_FAILURE() << "no error for " << c.message;
        } catch (const EConvertError& e) {
            EXPECT_EQ(e.message(), c.message);
        }
    }
}

} // namespace
