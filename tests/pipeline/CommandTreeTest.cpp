// Rule files read through the XML engine: command rules, the command tree and its files.
#include "pipeline/HtmlRip.h"
#include "pipeline/Reraise.h"
#include "platform/Errors.h"
#include "support/TestSupport.h"

#include <filesystem>
#include <gtest/gtest.h>

using namespace nimbrel;
using namespace nimbrel::msxml;
using nimbrel::test::TempProgramFolder;

namespace {

using Lines = std::vector<std::string>;

XmlDocument Rules(const std::string& text) {
    XmlDocument doc = XmlDocument::Create();
    doc.loadXML(text);
    EXPECT_EQ(doc.parseError().reason, "") << text;
    return doc;
}

XmlNode FirstCommand(const XmlDocument& doc) {
    return doc.selectSingleNode("//Command");
}

const char* const kPlain = "ReverseLTags='0' SkipSimilar='0'";

// A command element as rule files write it; `inner` goes inside it after the markers.
std::string Command(const std::string& start, const std::string& end, const std::string& inner = "",
                    const std::string& startAttributes = "ReverseLTags='0' SkipSimilar='0'",
                    const std::string& commandAttributes = "Name=\"append\" Specific=\"0\"") {
    return "<Command " + commandAttributes + "><StartTag " + startAttributes + ">" + start +
           "</StartTag><EndTag ReverseLTags=\"0\" SkipSimilar=\"0\">" + end + "</EndTag>" + inner +
           "</Command>";
}

// Runs the rule text's command tree on the page as the driver does and returns the cut file.
class TreeRun {
  public:
    Lines cut(const std::string& rules, const std::string& page) {
        folder.write("Sites/page.dat", page);
        XmlDocument doc = Rules(rules);
        RipOutput().open(folder.file("Work/page.dat"));
        try {
            RunCommandTree(doc.firstChild(), folder.file("Sites/page.dat"));
        } catch (...) {
            RipOutput().closeAfterError();
            throw;
        }
        RipOutput().close();
        return ReadTextLines(folder.file("Work/page.dat"));
    }
    Lines temp(const std::string& name) { return ReadTextLines(folder.file("Temp/" + name)); }
    TempProgramFolder folder;
};

TEST(GetAttributeValue, TrimsBlanksAndControlCharacters) {
    XmlDocument doc = Rules("<r><e a=\" &#9; 12&#10;\" b=\"\" c=\"x y\"/></r>");
    const XmlNode e = doc.selectSingleNode("//e");
    EXPECT_EQ(GetAttributeValue(e, "a"), "12");
    EXPECT_EQ(GetAttributeValue(e, "b"), "");
    EXPECT_EQ(GetAttributeValue(e, "c"), "x y");
    EXPECT_EQ(GetAttributeValue(e, "missing"), "");
}

TEST(GetAttributeValue, ErrorsComeOutNamedAfterTheRoutine) {
    try {
        GetAttributeValue(XmlNode(), "Name");
        FAIL() << "no error";
    } catch (const Exception& e) {
        EXPECT_EQ(e.message().substr(0, 2), "\r\n");
        EXPECT_NE(e.message().find("Name"), std::string::npos);
        EXPECT_EQ(e.message().substr(e.message().size() - 19), "\r\nGetAttributeValue");
    }
    try {
        CallNamingErrors("GetAttributeValue", []() -> int { throw 42; });
        FAIL() << "no error";
    } catch (const Exception& e) {
        EXPECT_EQ(e.message(), "\r\nGeneral Exception\r\nGetAttributeValue");
    }
    try {
        CallNamingErrors("GetAttributeValue", []() -> int { throw EInOutError(5); });
        FAIL() << "no error";
    } catch (const Exception& e) {
        EXPECT_EQ(e.message(), "\r\nFile access denied\r\nGetAttributeValue");
    }
    EXPECT_THROW(CallNamingErrors("x", []() -> int { throw HaltRequested{3}; }), HaltRequested);
}

TEST(ReadCommandRules, TextsAreTrimmedAndTablesPairByRankAlone) {
    XmlDocument doc =
        Rules("<r><Command Name=' append ' Specific=' 2 '>"
              "<Replace> One </Replace><RemoveOpen>&lt;i&gt;</RemoveOpen>"
              "<StartTag IncludeTags=' 1 ' ReverseLTags='1' SkipSimilar='3'>"
              "\n\t&lt;td class='n'&gt; </StartTag>"
              "<StartTag>second start is ignored</StartTag>"
              "<ReplaceWith>1</ReplaceWith><Replace>Three</Replace>"
              "<ReplaceWith>   </ReplaceWith><RemoveClose>&lt;/i&gt;</RemoveClose>"
              "<AddTagOpen> &lt;b&gt; </AddTagOpen><AddTagClose>&lt;/b&gt;</AddTagClose>"
              "</Command></r>");
    const CommandRules rules = ReadCommandRules(FirstCommand(doc));
    EXPECT_EQ(rules.name, "append");
    EXPECT_EQ(rules.specific, "2");
    EXPECT_EQ(rules.start.text, "<td class='n'>");
    EXPECT_TRUE(rules.start.include);
    EXPECT_EQ(rules.start.reverseLTags, "1");
    EXPECT_EQ(rules.start.skipSimilar, "3");
    EXPECT_EQ(rules.end.text, "");
    EXPECT_EQ(rules.end.reverseLTags, ""); // no EndTag: its counts are missing
    EXPECT_EQ(rules.replaceFind[0], "One");
    EXPECT_EQ(rules.replaceWith[0], "1");
    EXPECT_EQ(rules.replaceFind[1], "Three");
    EXPECT_EQ(rules.replaceWith[1], "");
    EXPECT_EQ(rules.removeOpen[0], "<i>");
    EXPECT_EQ(rules.removeClose[0], "</i>");
    EXPECT_EQ(rules.wrapOpen, "<b>");
    EXPECT_EQ(rules.wrapClose, "</b>");
}

TEST(ReadCommandRules, OnlyIncludeTagsOneIncludes) {
    for (const char* value : {"true", "01", "yes", "", "2"}) {
        XmlDocument doc = Rules(std::string("<r><Command><StartTag IncludeTags='") + value +
                                "'>x</StartTag></Command></r>");
        EXPECT_FALSE(ReadCommandRules(FirstCommand(doc)).start.include) << value;
    }
}

TEST(ReadCommandRules, SurplusTableEntriesAreIgnored) {
    std::string xml = "<r><Command>";
    for (int i = 0; i < 60; ++i)
        xml += "<Replace>r" + std::to_string(i) + "</Replace>";
    XmlDocument doc = Rules(xml + "</Command></r>");
    const CommandRules rules = ReadCommandRules(FirstCommand(doc));
    EXPECT_EQ(rules.replaceFind[49], "r49");
}

const std::string kTable = "<table><tr><td>a1</td><td>b1</td></tr><tr><td>a2</td><td>b2</td></tr>"
                           "</table>";

TEST(CommandTree, InnerCommandFeedsItsChildrenOneLinePerPiece) {
    TreeRun run;
    const std::string rules =
        "<Rules>" +
        Command("&lt;tr", "&lt;/tr&gt;",
                Command("&lt;td", "&lt;/td&gt;", "", "ReverseLTags='0' SkipSimilar='1'")) +
        "</Rules>";
    EXPECT_EQ(run.cut(rules, kTable), (Lines{"b1", "b2"}));
    EXPECT_EQ(run.temp("page.dat.temp"),
              (Lines{"<td>a1</td><td>b1</td>", "<td>a2</td><td>b2</td>"}));
}

TEST(CommandTree, ChildSpecificCountsOverAllOfItsParentsPieces) {
    TreeRun run;
    const std::string leaf =
        Command("&lt;td", "&lt;/td&gt;", "", kPlain, "Name='append' Specific='2'");
    EXPECT_EQ(run.cut("<Rules>" + Command("&lt;tr", "&lt;/tr&gt;", leaf) + "</Rules>", kTable),
              Lines{"b1"});
}

TEST(CommandTree, CommandsRunDepthFirstInDocumentOrder) {
    TreeRun run;
    const std::string rules =
        "<Rules>" + Command("&lt;td", "&lt;/td&gt;", "", kPlain, "Name='append' Specific='1'") +
        Command("&lt;tr", "&lt;/tr&gt;",
                Command("&lt;td", "&lt;/td&gt;",
                        Command("b", "1", "", "IncludeTags='1' ReverseLTags='0' SkipSimilar='0'"),
                        kPlain, "Name='append' Specific='0'")) +
        Command("&lt;table", "&lt;tr", "", kPlain, "Name='append' Specific='0'") + "</Rules>";
    // The second level is inner too: it writes page.dat.temp.temp for the third.
    EXPECT_EQ(run.cut(rules, kTable), (Lines{"a1", "b", ""}));
    EXPECT_EQ(run.temp("page.dat.temp.temp"), (Lines{"a1", "b1", "a2", "b2"}));
}

TEST(CommandTree, OnlyTheNameAppendCuts) {
    TreeRun run;
    for (const char* name : {"Append", "APPEND", "prepend", ""}) {
        const std::string attributes = std::string("Name='") + name + "' Specific='x'";
        EXPECT_EQ(run.cut("<R>" + Command("&lt;td", "&lt;/td&gt;", "", kPlain, attributes) + "</R>",
                          kTable),
                  Lines{})
            << name;
    }
    // An inner command that does not cut leaves its children an empty file.
    const std::string inner = Command("&lt;tr", "&lt;/tr&gt;", Command("&lt;td", "&lt;/td&gt;"),
                                      kPlain, "Name='copy' Specific='0'");
    EXPECT_EQ(run.cut("<R>" + inner + "</R>", kTable), Lines{});
    EXPECT_EQ(run.temp("page.dat.temp"), Lines{});
}

TEST(CommandTree, RuleFileBeginningWithACommentCutsNothing) {
    TreeRun run;
    EXPECT_EQ(run.cut("<!-- rules --><R>" + Command("&lt;td", "&lt;/td&gt;") + "</R>", kTable),
              Lines{});
    EXPECT_EQ(run.cut(Command("&lt;td", "&lt;/td&gt;"), kTable), (Lines{"a1", "b1", "a2", "b2"}));
}

TEST(CommandTree, CommandBelowALeafThroughAnotherElementIsPassedOver) {
    TreeRun run;
    const std::string rules =
        "<R>" + Command("&lt;td", "&lt;/td&gt;", "<Group>" + Command("a", "1") + "</Group>") +
        "</R>";
    EXPECT_EQ(run.cut(rules, kTable), (Lines{"a1", "b1", "a2", "b2"}));
}

TEST(CommandTree, MissingMarkerElementIsAConversionErrorOnlyWhenCutting) {
    TreeRun run;
    try {
        run.cut("<R><Command Name='append' Specific='0'><StartTag ReverseLTags='0' "
                "SkipSimilar='0'>&lt;td</StartTag></Command></R>",
                kTable);
        FAIL() << "no error";
    } catch (const EConvertError& e) {
        EXPECT_EQ(e.message(), "'' is not a valid integer value");
    }
    EXPECT_EQ(run.cut("<R><Command Name='skip'/></R>", kTable), Lines{});
}

TEST(CommandTree, ErrorEndsTheTreeKeepingPiecesAndClosingFiles) {
    TreeRun run;
    const auto openFiles = [] {
        return std::distance(std::filesystem::directory_iterator("/proc/self/fd"), {});
    };
    const auto before = openFiles();
    const std::string rules =
        "<R>" + Command("&lt;td", "&lt;/td&gt;") +
        Command("&lt;tr", "&lt;/tr&gt;",
                Command("&lt;td", "&lt;/td&gt;", "", kPlain, "Name='append'")) +
        Command("&lt;td", "&lt;/td&gt;") + "</R>";
    EXPECT_THROW(run.cut(rules, kTable), EConvertError);
    EXPECT_EQ(openFiles(), before);
    EXPECT_EQ(ReadTextLines(run.folder.file("Work/page.dat")), (Lines{"a1", "b1", "a2", "b2"}));
}

TEST(CommandTree, MissingInputOrTempFolderIsAFileError) {
    TreeRun run;
    std::filesystem::remove(run.folder.file("Temp"));
    const std::string rules = "<R>" + Command("&lt;tr", "&lt;/tr&gt;", Command("a", "b")) + "</R>";
    try {
        run.cut(rules, kTable);
        FAIL() << "no error";
    } catch (const EInOutError& e) {
        EXPECT_EQ(e.message(), "File not found: " + run.folder.file("Temp/page.dat.temp"));
    }
    XmlDocument doc = Rules("<R>" + Command("a", "b") + "</R>");
    EXPECT_THROW(RunCommandTree(doc.firstChild(), run.folder.file("Sites/none.dat")), EInOutError);
}

TEST(CommandTree, DeepTreeKeepsItsTemporaryNamesWithinAFileName) {
    TreeRun run;
    const std::string include = "IncludeTags='1' ReverseLTags='0' SkipSimilar='0'";
    std::string rules = Command("&lt;td", "&lt;/td&gt;");
    for (int depth = 1; depth < 200; ++depth)
        rules = Command("&lt;tr", "&lt;/tr&gt;", "<AddTagClose>&lt;/tr&gt;</AddTagClose>" + rules,
                        include);
    EXPECT_EQ(run.cut("<R>" + rules + "</R>", kTable), (Lines{"a1", "b1", "a2", "b2"}));
    for (const auto& entry : std::filesystem::directory_iterator(run.folder.file("Temp")))
        EXPECT_LE(entry.path().filename().string().size(), 255u);
}

TEST(CommandTree, TenThousandCommandsEachCutThePage) {
    TreeRun run;
    std::string rules = "<R>";
    for (int i = 0; i < 10000; ++i)
        rules += Command("&lt;td", "&lt;/td&gt;", "", kPlain, "Name='append' Specific='4'");
    const Lines cut = run.cut(rules + "</R>", kTable);
    ASSERT_EQ(cut.size(), 10000u);
    EXPECT_EQ(cut.front(), "b2");
    EXPECT_EQ(cut.back(), "b2");
}

} // namespace
