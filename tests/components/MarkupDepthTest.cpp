// The nesting scan that guards the cleaner: never below what the cleaner builds.
#include "components/MarkupDepth.h"

#include "components/TidyCOM_TLB.h"
#include "platform/Errors.h"
#include "platform/Limits.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace nimbrel;
using namespace nimbrel::tidycom;
using nimbrel::test::Repeated;

namespace {

std::string Nested(size_t levels, const std::string& tag = "b", bool closed = true) {
    std::string text;
    for (size_t i = 0; i < levels; ++i)
        text += "<" + tag + ">";
    text += "x";
    if (closed)
        for (size_t i = 0; i < levels; ++i)
            text += "</" + tag + ">";
    return text;
}

TEST(MarkupNestingDepth, CountsWhatTheCleanerWouldNest) {
    const struct {
        std::string text;
        bool html;
        size_t depth;
    } cases[] = {
        {"", false, 0},
        {"plain a < b and c<3", true, 0},
        {Nested(3), false, 3},
        {Nested(3, "div", false), true, 3},
        {"<r><a/><a /><a x='1'/><br></r>", false, 2}, // br is no void element in XML
        {"<p><br><img src=x><hr></p>", true, 1},      // void elements nest nothing
        {Repeated("<li>", 50), true, 1},              // a li closes its sibling
        {Repeated("<li>", 50), false, 50},            // but not in XML
        {"<a><b></a><c><d>", false, 2},               // an end tag closes up to its match
        {"<a></b></b><b>", false, 2},                 // end tags with nothing open
        {"<A></a><B></b><C>", true, 1},               // HTML names have no case
        {"<A></a><B></b><C>", false, 3},              // XML names have
        {"<r><!-- <x><y> --></r>", false, 3},         // commented tags count too
        {Repeated("<a t=\"</a>\">", 4), false, 4}, // an end tag in a value closes nothing outside
        {Repeated("<a t=\"x>y</a>z\">", 4), false, 4}, // nor one after a '>' in a value
        {Repeated("<a href=x/>", 4), true, 4},         // "/>" after an unquoted value opens
        {Repeated("<div><script></div></script>", 3), true, 4}, // script text closes nothing
        {Repeated("<x><![CDATA[</x>]]>", 3), false, 3},
        {Repeated("<a><% </a> %>", 3), true, 3},           // nor one in a server section
        {Repeated("<a><?p </a> ?>", 3), false, 3},         // or an XML instruction
        {Repeated("<a><!DOCTYPE [ </a> ]>", 3), false, 3}, // or an internal subset
        {"<_a><1b><\xC3\xA9>", false, 3},                  // XML names may begin so
        {"<_a><1b><\xC3\xA9>", true, 0},                   // HTML ones may not
        {"<2:nk><!----><!--</nk>-->", false, 1}, // a name that reads like a region's entry
    };
    for (const auto& c : cases)
        EXPECT_EQ(MarkupNestingDepth(c.text, c.html, 100), c.depth) << c.text;
}

// Against the cleaner itself, on rows a real page repeats: rows of unclosed cells and
// paragraphs do not add up (a 1 MB front page of them is no "nesting" to refuse), rows the
// cleaner nests do, and the cleaner never builds more than a few implied parents (html, body, a
// table round a lone cell) per level the scan counts.
TEST(MarkupNestingDepth, NeverBelowTheCleanersNestingOfRowsAPageRepeats) {
    constexpr size_t kRows = 1000, kAny = SIZE_MAX;
    const struct {
        const char* row;
        size_t most; // what the scan may count at most
    } cases[] = {
        {"<tr><td><p>x", 8},
        {"<TR class=a><TD>1.<TD><a href=s>t</a> <span>(e)</span><br><p>pts | <b><i>d</b></i>", 8},
        {"<tr><th><p>x", 8},
        {"<li><p>x", 8},
        {"<dd><p>x<dd>y", 8},
        {"<p><li><p>x", 8},
        {"<tr><td><table><tr><td>x", kAny},
        {"<li><ul><li>x", kAny},
        {"<td><li>x", kAny},
        {"<li><td>x", kAny},
        {"<tr><td><li>x", kAny},
        {"<tr><td><b>x", kAny}, // an inline tag left open counts, though the cleaner ends it
    };
    test::TempProgramFolder folder;
    auto cleaner = TidyObject::Create();
    cleaner->options().setSwitch(kPerSiteSwitch, false);
    for (const auto& c : cases) {
        const std::string page = "<table>" + Repeated(c.row, kRows) + "</table>";
        folder.write("Work/rows.dat", page);
        const std::string cleaned = cleaner->cleanFile(folder.file("Work/rows.dat"));
        const size_t scanned = MarkupNestingDepth(page, true, kAny);
        const size_t built = MarkupNestingDepth(cleaned, false, kAny);
        EXPECT_LE(built, 3 * scanned + 2) << c.row;
        if (c.most == kAny)
            EXPECT_GE(scanned, kRows) << c.row;
        else
            EXPECT_LE(scanned, c.most) << c.row;
    }
}

TEST(MarkupNestingDepth, StopsSoonAfterTheLimit) {
    EXPECT_EQ(MarkupNestingDepth(Nested(100000, "a", false), false, 10), 11u);
}

// The cleaner takes a text nested to the limit on its own large stack and refuses one deeper.
TEST(TidyCleanLimits, NestingAtTheLimitCleansAndBeyondItIsRefused) {
    test::TempProgramFolder folder;
    auto cleaner = TidyObject::Create();
    for (const bool xml : {true, false}) {
        cleaner->options().setSwitch(kPerSiteSwitch, xml);
        const std::string tag = xml ? "a" : "div";
        folder.write("Work/at.dat", Nested(limits::kNestingDepth - (xml ? 0 : 2), tag, xml));
        EXPECT_NE(cleaner->cleanFile(folder.file("Work/at.dat")).find("x"), std::string::npos);
        folder.write("Work/over.dat", Nested(limits::kNestingDepth + 1, tag, xml));
        try {
            cleaner->cleanFile(folder.file("Work/over.dat"));
            ADD_FAILURE() << "not refused";
        } catch (const Exception& error) {
            EXPECT_NE(error.message().find("10000 levels"), std::string::npos) << error.message();
        }
    }
}

TEST(TidyCleanLimits, ACutFileThatCannotBeReadRaises) {
    test::TempProgramFolder folder;
    auto cleaner = TidyObject::Create();
    std::filesystem::create_symlink("/proc/self/mem", folder.file("Work/unreadable.dat"));
    EXPECT_THROW(cleaner->cleanFile(folder.file("Work/unreadable.dat")), EInOutError);
}

} // namespace
