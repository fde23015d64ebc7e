// The cutting driver on a temporary program folder: which sites are cut, into which files, and
// what the user is told.
#include "pipeline/Rip.h"

#include "platform/Errors.h"
#include "platform/Halt.h"
#include "support/TestSupport.h"

#include <filesystem>
#include <gtest/gtest.h>

using namespace nimbrel;
using namespace nimbrel::test;

namespace {

// One command cutting the bold texts.
std::string BoldCommand(const std::string& specific) {
    return "<Command Name='append' Specific='" + specific +
           "'><StartTag ReverseLTags='0' SkipSimilar='0'>&lt;b</StartTag>"
           "<EndTag ReverseLTags='0' SkipSimilar='0'>&lt;/b&gt;</EndTag></Command>";
}

const std::string kRules = "<Rules>" + BoldCommand("0") + "</Rules>";

// A page of at least 128 bytes whose bold texts are the given words.
std::string Page(const std::vector<std::string>& words) {
    std::string page = "<html>\r\n" + std::string(120, ' ') + "\r\n";
    for (const auto& word : words)
        page += "<b>" + word + "</b>\r\n";
    return page;
}

std::string Site(const std::string& url, const std::string& ripFile = "r.xml") {
    return "<site Name='n' URL='" + url + "' RipFile='" + ripFile + "' Type='xml'/>";
}

class RipDriver : public ::testing::Test {
  protected:
    void SetUp() override { folder.write("Rip/r.xml", kRules); }
    void selection(const std::string& sites) {
        folder.write("setup.xml", "<setup>" + sites + "</setup>");
    }
    std::string cut(const std::string& name) { return folder.read("Work/" + name); }

    TempProgramFolder folder;
    ScriptedDialogs dialogs;
    HaltRecorder halt;
};

TEST_F(RipDriver, CutsEverySiteIntoItsWorkFile) {
    selection(Site("host/news/today") + Site("host:8080/news"));
    folder.write("Sites/host___news___today.dat", Page({"one", "two"}));
    folder.write("Sites/host...8080___news.dat", Page({"three"}));
    EXPECT_TRUE(Rip());
    EXPECT_EQ(cut("host___news___today.dat"), "one\r\ntwo\r\n");
    EXPECT_EQ(cut("host...8080___news.dat"), "three\r\n");
    EXPECT_TRUE(dialogs.messages.empty());
}

TEST_F(RipDriver, SelectionWithoutSitesDoesNothing) {
    selection("");
    EXPECT_TRUE(Rip());
    EXPECT_TRUE(dialogs.messages.empty());
    EXPECT_TRUE(std::filesystem::is_empty(folder.file("Work")));
}

TEST_F(RipDriver, BrokenSelectionFileIsShownAndNothingIsCut) {
    folder.write("Sites/a.dat", Page({"x"}));
    for (const std::string& setup : {std::string("<setup><site"), std::string()}) {
        dialogs.messages.clear();
        if (setup.empty())
            std::filesystem::remove(folder.file("setup.xml"));
        else
            folder.write("setup.xml", setup);
        EXPECT_FALSE(Rip());
        ASSERT_EQ(dialogs.messages.size(), 1u);
        const std::string prefix = "Procudure Rip....[Error in setup.xml File]....";
        EXPECT_EQ(dialogs.messages[0].substr(0, prefix.size()), prefix);
        EXPECT_GT(dialogs.messages[0].size(), prefix.size()); // the parser's reason follows
    }
    EXPECT_TRUE(std::filesystem::is_empty(folder.file("Work")));
}

TEST_F(RipDriver, PageNeedsAWholeBlockOf128Bytes) {
    selection(Site("short") + Site("long"));
    std::string page = "<b>x</b>";
    page.resize(127, ' ');
    folder.write("Sites/short.dat", page);
    page.push_back(' ');
    folder.write("Sites/long.dat", page);
    folder.write("Work/short.dat", "old\r\n");
    Rip();
    EXPECT_EQ(cut("short.dat"), "old\r\n");
    EXPECT_EQ(folder.read("Sites/short.dat").size(), 127u); // not joined either
    EXPECT_EQ(cut("long.dat"), "x\r\n");
}

TEST_F(RipDriver, MissingPageKeepsTheOldCutSilently) {
    selection(Site("gone") + Site("here"));
    folder.write("Work/gone.dat", "old\r\n");
    folder.write("Sites/here.dat", Page({"new"}));
    Rip();
    EXPECT_EQ(cut("gone.dat"), "old\r\n");
    EXPECT_EQ(cut("here.dat"), "new\r\n");
    EXPECT_TRUE(dialogs.messages.empty());
}

TEST_F(RipDriver, SameUrlTwiceCutsTheSamePageAndTheSecondCutReplacesTheFirst) {
    folder.write("Rip/r2.xml", "<R>" + BoldCommand("2") + "</R>");
    selection(Site("same") + Site("same", "r2.xml"));
    folder.write("Sites/same.dat", Page({"1", "2"}));
    Rip();
    EXPECT_EQ(cut("same.dat"), "2\r\n");
}

// The cut reads a joined copy in memory: the page file stays as fetched, so it always goes with
// its record (a fetch committing a new page meanwhile is never overwritten by an older one).
TEST_F(RipDriver, ThePageFileIsNeverRewrittenAndNothingIsLeftInTemp) {
    folder.write("Rip/empty.xml", "<Rules/>");
    selection(Site("p", "empty.xml") + Site("q"));
    const std::string page = Page({"a"}) + "\r\n<b>b</b>\r\n";
    folder.write("Sites/p.dat", page);
    folder.write("Sites/q.dat", page);
    folder.write("Work/p.dat", "old\r\n");
    Rip();
    EXPECT_EQ(folder.read("Sites/p.dat"), page);
    EXPECT_EQ(folder.read("Sites/q.dat"), page);
    EXPECT_EQ(cut("p.dat"), "");
    EXPECT_EQ(cut("q.dat"), "a\r\nb\r\n") << "lines joined as ever";
    EXPECT_TRUE(std::filesystem::is_empty(folder.file("Temp")));
}

TEST_F(RipDriver, RuleFileBeginningWithADeclarationGivesAnEmptyCut) {
    folder.write("Rip/decl.xml", "<?xml version='1.0'?>" + kRules);
    selection(Site("p", "decl.xml"));
    folder.write("Sites/p.dat", Page({"a"}));
    folder.write("Work/p.dat", "old\r\n");
    Rip();
    EXPECT_EQ(cut("p.dat"), "");
    EXPECT_TRUE(dialogs.messages.empty());
}

TEST_F(RipDriver, PageLosesEverythingFromAnEndOfInputByte) {
    selection(Site("p"));
    folder.write("Sites/p.dat", Page({"kept"}) + "\x1a" + Page({"lost"}));
    Rip();
    EXPECT_EQ(cut("p.dat"), "kept\r\n");
}

// A rule file that is missing, or not named, is shown as it always was, and fails its own site:
// the run goes on with the next one.
TEST_F(RipDriver, MissingOrBlankRuleFileFailsItsSiteAndTheOthersAreCut) {
    const struct {
        const char* ripFile;
        std::string message;
        const char* note;
    } cases[] = {
        {"none.xml", folder.file("Rip/none.xml") + " not found, the program will exit now!",
         "The rule file Rip/none.xml was not found"},
        {" \t ", " not found, the program will exit now!",
         "The selection names no rule file for this site"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.note);
        dialogs.messages.clear();
        selection(Site("a") + Site("b", c.ripFile) + Site("c"));
        for (const char* name : {"a.dat", "b.dat", "c.dat"})
            folder.write(std::string("Sites/") + name, Page({"x"}));
        folder.write("Work/b.dat", "old\r\n");
        EXPECT_TRUE(Rip());
        EXPECT_EQ(halt.count, 0);
        EXPECT_EQ(dialogs.messages, std::vector<std::string>{c.message});
        EXPECT_EQ(cut("a.dat"), "x\r\n");
        EXPECT_EQ(cut("c.dat"), "x\r\n");
        EXPECT_EQ(cut("b.dat"), "old\r\n");
        EXPECT_EQ(cut("b.err"), c.note);
    }
}

TEST_F(RipDriver, RejectedRuleFileIsShownAndItsSiteSkipped) {
    selection(Site("a", "bad.xml") + Site("b"));
    folder.write("Sites/a.dat", Page({"x"}));
    folder.write("Sites/b.dat", Page({"y"}));
    folder.write("Work/a.dat", "old\r\n");
    for (const char* rules : {"<Rules><Command>", "", "\xff\xfe<"}) {
        dialogs.messages.clear();
        folder.write("Rip/bad.xml", rules);
        EXPECT_TRUE(Rip());
        ASSERT_EQ(dialogs.messages.size(), 1u) << rules;
        EXPECT_FALSE(dialogs.messages[0].empty());
        EXPECT_EQ(dialogs.messages[0].find("exit now"), std::string::npos) << dialogs.messages[0];
        EXPECT_EQ(halt.count, 0);
        EXPECT_EQ(cut("a.dat"), "old\r\n");
        EXPECT_EQ(cut("b.dat"), "y\r\n");
        EXPECT_NE(cut("a.err").find(dialogs.messages[0]), std::string::npos);
    }
}

// A site's own fault fails that site (its note names the reason) and the others are cut.
TEST_F(RipDriver, OneSitesFaultLeavesANoteAndTheOthersAreCut) {
    folder.write("outside.xml", kRules);
    const std::string growing = "<R><Command Name='append' Specific='0'><StartTag "
                                "ReverseLTags='0' SkipSimilar='0'>&lt;b</StartTag><EndTag "
                                "ReverseLTags='0' SkipSimilar='0'>&lt;/b&gt;</EndTag>" +
                                [] {
                                    std::string pairs;
                                    for (int i = 0; i < 50; ++i)
                                        pairs +=
                                            "<Replace>x</Replace><ReplaceWith>xx</ReplaceWith>";
                                    return pairs;
                                }() +
                                "</Command></R>";
    const struct {
        const char* ripFile;
        std::string rules;
        const char* reason;
    } cases[] = {
        {"number.xml", "<R>" + BoldCommand("abc") + "</R>", "'abc' is not a valid integer value"},
        {"../outside.xml", "", "lies outside the folder Rip"},
        {"growing.xml", growing, "grows past 16777216 bytes"},
    };
    for (const auto& c : cases) {
        if (!c.rules.empty())
            folder.write(std::string("Rip/") + c.ripFile, c.rules);
        selection(Site("a", c.ripFile) + Site("b"));
        folder.write("Sites/a.dat", Page({"x"}));
        folder.write("Sites/b.dat", Page({"y"}));
        folder.write("Work/b.dat", "old\r\n");
        EXPECT_TRUE(Rip()) << c.ripFile;
        EXPECT_NE(cut("a.err").find(c.reason), std::string::npos) << cut("a.err");
        EXPECT_EQ(cut("b.dat"), "y\r\n");
        EXPECT_FALSE(folder.exists("Work/b.err"));
    }
    EXPECT_EQ(halt.count, 0);
    EXPECT_TRUE(dialogs.messages.empty());
    // Once the rule file loads again, its old failure is forgotten.
    folder.write("Rip/number.xml", kRules);
    selection(Site("a", "number.xml"));
    EXPECT_TRUE(Rip());
    EXPECT_FALSE(folder.exists("Work/a.err"));
    EXPECT_EQ(cut("a.dat"), "x\r\n");
}

TEST_F(RipDriver, SiteWithoutRuleFileOrUrlIsPassedOver) {
    selection("<site Name='n' URL='a'/><site Name='n' RipFile='r.xml'/>" + Site("b"));
    folder.write("Sites/a.dat", Page({"x"}));
    folder.write("Sites/b.dat", Page({"y"}));
    EXPECT_TRUE(Rip());
    EXPECT_TRUE(dialogs.messages.empty());
    EXPECT_FALSE(folder.exists("Work/a.dat"));
    EXPECT_EQ(cut("b.dat"), "y\r\n");
}

TEST_F(RipDriver, MissingWorkFolderIsAFileErrorThatLeavesThePage) {
    std::filesystem::remove(folder.file("Work"));
    selection(Site("a"));
    folder.write("Sites/a.dat", Page({"x"}));
    EXPECT_THROW(Rip(), EInOutError);
    EXPECT_EQ(folder.read("Sites/a.dat"), Page({"x"}));
}

} // namespace
