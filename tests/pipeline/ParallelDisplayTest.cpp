// The display step on several workers, streamed into site.html, and begun while the cut runs:
// whatever the number of workers and whether the cut went first, site.html is byte for byte the
// page that placing every block at once gives (the step as it was on one thread).
#include "components/MSXML2_TLB.h"
#include "pipeline/DigestAssembly.h"
#include "pipeline/DigestSummary.h"
#include "pipeline/EarlyDisplay.h"
#include "pipeline/Rip.h"
#include "pipeline/SiteFailure.h"
#include "pipeline/SiteFiles.h"
#include "pipeline/TidyAndDisplay.h"
#include "platform/Errors.h"
#include "platform/Files.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <ctime>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

using namespace nimbrel;
using msxml::XmlDocument;
using msxml::XmlNode;
using nimbrel::test::CopyShippedData;
using nimbrel::test::RealFixture;
using nimbrel::test::RecordingShell;
using nimbrel::test::RepoFixture;
using nimbrel::test::ScriptedDialogs;
using nimbrel::test::TempProgramFolder;
namespace fs = std::filesystem;

namespace {

// Every page of these tests is made at one time, so pages made apart compare byte for byte.
constexpr std::time_t kMadeAt = 1'800'000'000;

std::string Attr(const std::string& value) {
    std::string out;
    for (char c : value)
        out += c == '&' ? "&amp;" : c == '<' ? "&lt;" : c == '"' ? "&quot;" : std::string(1, c);
    return out;
}

struct GeneratedSite {
    std::string url, type, styleSheet, ripFile;
    std::string page; // empty: never downloaded
};

// A page of `items` feed items with relative links, long enough for the cutter.
std::string FeedPage(size_t site, size_t items, bool latin1) {
    std::string page = "<rss><channel><title>Site " + std::to_string(site) + "</title>";
    for (size_t i = 0; i < items; ++i)
        page += "<item><title>Story " + std::to_string(site) + "." + std::to_string(i) +
                (latin1 ? " caf\xE9" : " caf\xC3\xA9") + " &amp; more</title><link>/s/" +
                std::to_string(i) + "?a=1&amp;b=2</link></item>";
    return page + std::string(200, ' ') + "</channel></rss>";
}

// A hundred sites of every sort a digest meets: feeds cut as XML, as HTML and wrapped, sites
// whose stylesheet is missing or broken or whose rule file does not load, a site never
// downloaded, two entries of one URL cut by different rules (the later cut is the one shown
// for both), URLs the layout escapes, Latin-1 pages. With `quirk`, one block holds the
// placeholder of a later site.
std::vector<GeneratedSite> HundredSites(bool quirk) {
    std::vector<GeneratedSite> sites;
    for (size_t i = 0; i < 100; ++i) {
        const size_t items = (i * 7) % 23 + 1;
        GeneratedSite s{"gen" + std::to_string(i) + ".example/news", "addxmltags", "entries.xsl",
                        "items.xml", FeedPage(i, items, false)};
        switch (i % 10) {
        case 1:
            s.type = "HTML";
            s.styleSheet = "page.xsl";
            break;
        case 2:
            s.type = "xml";
            s.styleSheet = "items.xsl";
            break;
        case 3:
            s.styleSheet = "absent.xsl";
            break;
        case 4:
            s.styleSheet = "broken.xsl";
            break;
        case 5:
            s.ripFile = "bad.xml";
            break;
        case 6:
            s.page.clear();
            break;
        case 7:
            s.url = sites[i - 7].url;
            s.ripFile = "titles.xml";
            break;
        case 8:
            s.url = "gen" + std::to_string(i) + ".example/list?a=1&b=<8>\"x\"";
            break;
        case 9:
            s.page = FeedPage(i, items, true);
            break;
        }
        sites.push_back(s);
    }
    if (quirk)
        sites[50].styleSheet = "echo.xsl";
    return sites;
}

class ParallelDisplay : public ::testing::Test {
  protected:
    void SetUp() override {
        fs::copy(RepoFixture("display/stylesheets"), folder.file("stylesheets"),
                 fs::copy_options::recursive);
        folder.write("Rip/items.xml", ReadFileBytes(RepoFixture("display/Rip/items.xml")));
        folder.write("Rip/titles.xml",
                     "<Rules><Command Name=\"append\" Specific=\"0\"><StartTag IncludeTags=\"1\" "
                     "ReverseLTags=\"0\" SkipSimilar=\"0\">&lt;title&gt;</StartTag><EndTag "
                     "IncludeTags=\"1\" ReverseLTags=\"0\" SkipSimilar=\"0\">&lt;/title&gt;"
                     "</EndTag></Command></Rules>");
        folder.write("Rip/bad.xml", "<Rules><Command>");
        folder.write("fix.dat", "\"Story\",\"Tale\"\r\n\"caf\",\"caf\"\r\n");
    }

    void Select(const std::vector<GeneratedSite>& sites, const std::string& layout) {
        fs::copy(RepoFixture("display/" + layout), folder.file("setup.xslt"),
                 fs::copy_options::overwrite_existing);
        std::string xml = "<Layout><table><tr>";
        for (size_t i = 0; i < sites.size(); ++i) {
            const GeneratedSite& s = sites[i];
            xml += "<td><site Name=\"Site " + std::to_string(i) + "\" URL=\"" + Attr(s.url) +
                   "\" Type=\"" + s.type + "\" StyleSheet=\"" + s.styleSheet + "\" RipFile=\"" +
                   s.ripFile + "\"/></td>";
            if (!s.page.empty())
                folder.write("Sites/" + PageFileName(s.url), s.page);
        }
        folder.write("setup.xml", xml + "</tr></table></Layout>");
        // A block that brings in the placeholder of site 60.
        folder.write("stylesheets/echo.xsl",
                     "<xsl:stylesheet version=\"1.0\" "
                     "xmlns:xsl=\"http://www.w3.org/1999/XSL/Transform\"><xsl:output "
                     "method=\"xml\"/><xsl:template match=\"/\"><p>before<site URL=\"" +
                         Attr(sites.size() > 60 ? sites[60].url : "") +
                         "\"/>after</p></xsl:template></xsl:stylesheet>");
    }

    // The page as the step made it on one thread, whole in memory: each site's block made on
    // its own (its stylesheet loaded and compiled for it), all placed at once.
    std::string WholePage() {
        XmlDocument selection = XmlDocument::Create();
        XmlDocument layoutSheet = XmlDocument::Create();
        EXPECT_TRUE(selection.load(folder.file("setup.xml")));
        EXPECT_TRUE(layoutSheet.load(folder.file("setup.xslt")));
        const DigestPlan plan = MakeDigestPlan(selection, layoutSheet);
        std::vector<PlacedBlock> blocks;
        DigestTally tally;
        for (const DisplaySite& site : plan.sites) {
            BlockWorkshop workshop(plan.fixes);
            const SiteOutcome outcome = MakeSiteBlock(site, workshop, kMadeAt);
            tally.add(site.url, outcome.status, outcome.newItems);
            blocks.push_back({site.url, outcome.block});
        }
        const std::string summary = DigestSummary(tally.counts(), kMadeAt);
        const std::string layout = PlaceSummary(plan.layout, summary);
        return RemoveEngineDeclarations(PlaceBlocks(layout, blocks)) + "\r\n";
    }

    DisplayReport Display(unsigned workers, EarlyDisplay* early = nullptr) {
        DisplayContext context;
        context.autoView = false;
        context.workers = workers;
        context.early = early;
        context.madeAt = kMadeAt;
        return TidyAndDisplay("setup.xml", context);
    }

    // Every page the repository and the shared snapshot folder hold, each as a site of the
    // shipped library cut by that site's own rule: team-made copies of the library's sites,
    // the feed fixtures, saved real pages; and the cleaner's fixtures as cut texts.
    void SelectEveryFixture() {
        CopyShippedData(folder);
        XmlDocument library = XmlDocument::Create();
        ASSERT_TRUE(library.load(folder.file("Categories.xml")));
        std::string xml = "<Layout><table><tr>";
        auto add = [&](const std::string& libraryName, const std::string& url,
                       const std::string& page) {
            const XmlNode site = library.selectSingleNode("//site[@Name=\"" + libraryName + "\"]");
            ASSERT_TRUE(site) << libraryName;
            auto attribute = [&](const char* name) {
                return Attr(site.attributes().getNamedItem(name).text());
            };
            xml += "<td><site Name=\"" + Attr(libraryName) + "\" URL=\"" + Attr(url) +
                   "\" Type=\"" + attribute("Type") + "\" StyleSheet=\"" + attribute("StyleSheet") +
                   "\" RipFile=\"" + attribute("RipFile") + "\"/></td>";
            folder.write("Sites/" + PageFileName(url), page);
        };
        std::ifstream expected(RepoFixture("sites/expected.tsv"));
        for (std::string line; std::getline(expected, line);)
            if (!line.empty() && line[0] != '#') {
                const std::string name = line.substr(0, line.find('\t'));
                const std::string rest = line.substr(name.size() + 1);
                const std::string page = rest.substr(0, rest.find('\t'));
                add(name, "lib.example/" + page, ReadFileBytes(RepoFixture("sites/" + page)));
            }
        for (const auto& entry : fs::directory_iterator(RepoFixture("feeds")))
            add("BBC News", "feeds.example/" + entry.path().filename().string(),
                ReadFileBytes(entry.path().string()));
        if (const std::string manifest = RealFixture("MANIFEST.tsv"); !manifest.empty())
            for (const auto& entry : fs::directory_iterator(fs::path(manifest).parent_path()))
                if (entry.path().filename() != "MANIFEST.tsv")
                    add(entry.path().extension() == ".html" ? "Hacker News" : "BBC News",
                        "real.example/" + entry.path().filename().string(),
                        ReadFileBytes(entry.path().string()));
        // No rule file: the cut leaves these texts in Work as they are.
        for (const auto& entry : fs::directory_iterator(RepoFixture("components"))) {
            const std::string url = "cut.example/" + entry.path().filename().string();
            const std::string type =
                entry.path().filename().string().find("html") != std::string::npos ? "html"
                                                                                   : "addxmltags";
            xml += "<td><site Name=\"cut\" URL=\"" + url + "\" Type=\"" + type +
                   "\" StyleSheet=\"page.xsl\"/></td>";
            folder.write("Work/" + PageFileName(url), ReadFileBytes(entry.path().string()));
        }
        folder.write("setup.xml", xml + "</tr></table></Layout>");
    }

    void ClearCuts() {
        for (const auto& entry : fs::directory_iterator(folder.file("Work")))
            fs::remove(entry.path());
    }

    std::vector<std::string> FilesIn(const std::string& relative) {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(folder.file(relative)))
            names.push_back(entry.path().filename().string());
        return names;
    }

    TempProgramFolder folder;
    ScriptedDialogs dialogs;
    RecordingShell shell;
};

struct Shape {
    const char* name;
    const char* layout;
    bool quirk;
};

TEST_F(ParallelDisplay, HundredSitesGiveTheSamePageOnOneOrManyWorkersAndWithTheCut) {
    const Shape shapes[] = {
        {"html layout", "setup.xslt", false},
        {"xml layout, a block holding a later placeholder", "setup-xml-output.xslt", true}};
    for (const Shape& shape : shapes) {
        SCOPED_TRACE(shape.name);
        Select(HundredSites(shape.quirk), shape.layout);
        ASSERT_TRUE(Rip());
        const size_t cutMessages = dialogs.messages.size();
        const std::string expected = WholePage();
        ASSERT_GT(expected.size(), 20'000u);

        std::vector<SiteFailure> failures;
        for (unsigned workers : {1u, 3u, 8u}) {
            SCOPED_TRACE(std::to_string(workers) + " workers");
            const DisplayReport report = Display(workers);
            ASSERT_TRUE(report.written);
            EXPECT_EQ(folder.read("site.html"), expected);
            if (failures.empty())
                failures = report.failures;
            ASSERT_EQ(report.failures.size(), failures.size());
            for (size_t i = 0; i < failures.size(); ++i)
                EXPECT_EQ(report.failures[i].reason, failures[i].reason);
        }
        // Sites 3, 4 and 5 of every ten fail; the other sites are shown.
        EXPECT_EQ(failures.size(), 30u);
        EXPECT_EQ(failures.front().name, "Site 3");

        // The cut files made anew, by a cut that hands each site to the display step in turn.
        ClearCuts();
        EarlyDisplay early(4, kMadeAt);
        ASSERT_TRUE(Rip(&early));
        // The cut rewrote the page files, whose times the frames show.
        const std::string afterTheCut = WholePage();
        ASSERT_TRUE(Display(4, &early).written);
        EXPECT_EQ(folder.read("site.html"), afterTheCut);
        EXPECT_EQ(dialogs.messages.size(), 2 * cutMessages) << "the display step showed nothing";
        dialogs.messages.clear();
    }
}

TEST_F(ParallelDisplay, EveryFixtureGivesTheSamePageOnOneOrManyWorkersAndWithTheCut) {
    SelectEveryFixture();
    EarlyDisplay early(4, kMadeAt);
    ASSERT_TRUE(Rip(&early));
    ASSERT_TRUE(Display(4, &early).written);
    const std::string withTheCut = folder.read("site.html");
    const std::string expected = WholePage();
    EXPECT_EQ(withTheCut, expected);
    for (unsigned workers : {1u, 5u}) {
        ASSERT_TRUE(Display(workers).written);
        EXPECT_EQ(folder.read("site.html"), expected) << workers << " workers";
    }
    EXPECT_EQ(expected.find("<site URL="), std::string::npos);
    EXPECT_EQ(expected.find("class=\"site-frame site-failure\""), std::string::npos)
        << "every fixture shows";
}

TEST_F(ParallelDisplay, TheDisplayStepKeepsThePlanTheCutBeganOn) {
    Select(HundredSites(false), "setup.xslt");
    EarlyDisplay early(2, kMadeAt);
    ASSERT_TRUE(Rip(&early));
    const std::string expected = WholePage();
    const std::unique_ptr<DigestAssembly> taken = early.take();
    ASSERT_TRUE(taken);
    EXPECT_EQ(taken->finish().size(), 100u);
    taken->commit();
    EXPECT_EQ(folder.read("site.html"), expected);
    EXPECT_FALSE(early.take()) << "taken once";

    // A selection changed after the cut began: the cycle shows the selection it began with.
    EarlyDisplay begun(2, kMadeAt);
    ASSERT_TRUE(Rip(&begun));
    const std::string begunOn = WholePage(); // the cut wrote the page files, whose times show
    std::vector<GeneratedSite> fewer = HundredSites(false);
    fewer.resize(40);
    Select(fewer, "setup.xslt");
    ASSERT_TRUE(Display(2, &begun).written);
    EXPECT_EQ(folder.read("site.html"), begunOn);
    for (const std::string& name : FilesIn(""))
        EXPECT_EQ(name.find(".tmp-"), std::string::npos) << name;
}

TEST_F(ParallelDisplay, ACutThatFailsLeavesNoTraceOfTheDisplayStep) {
    Select(HundredSites(false), "setup.xslt");
    folder.write("site.html", "old digest");
    fs::remove_all(folder.file("Work")); // the whole step fails: no cut file can be written
    {
        EarlyDisplay early(4, kMadeAt);
        EXPECT_THROW(Rip(&early), EInOutError);
    }
    EXPECT_EQ(folder.read("site.html"), "old digest");
    EXPECT_FALSE(folder.exists("update.dat"));
    for (const std::string& name : FilesIn(""))
        EXPECT_EQ(name.find(".tmp-"), std::string::npos) << name;
}

TEST_F(ParallelDisplay, AnAbandonedAssemblyStopsAtOnceAndLeavesSiteHtmlAlone) {
    Select(HundredSites(false), "setup.xslt");
    ASSERT_TRUE(Rip());
    folder.write("site.html", "old digest");
    XmlDocument selection = XmlDocument::Create();
    XmlDocument layoutSheet = XmlDocument::Create();
    selection.load(folder.file("setup.xml"));
    layoutSheet.load(folder.file("setup.xslt"));
    {
        // Some sites released, the rest never: the writer waits on the next one when dropped.
        DigestAssembly assembly(MakeDigestPlan(selection, layoutSheet), 3,
                                folder.file("site.html"));
        for (size_t site : {0u, 1u, 2u, 5u, 9u})
            assembly.pool().release(site);
    }
    EXPECT_EQ(folder.read("site.html"), "old digest");
    for (const std::string& name : FilesIn(""))
        EXPECT_EQ(name.find(".tmp-"), std::string::npos) << name;
}

} // namespace

TEST_F(ParallelDisplay, WhatAPageShowedIsRememberedOnlyOnceThePageIsInPlace) {
    std::vector<GeneratedSite> sites = HundredSites(false);
    Select(sites, "setup.xslt");
    ASSERT_TRUE(Rip());
    ASSERT_TRUE(Display(2).written);
    const std::string record = folder.read("Sites/" + PageFileStem(sites[9].url) + ".dig");
    ASSERT_NE(record.find("Tale 9.0"), std::string::npos); // the block it showed

    sites[9].page = FeedPage(9, 3, true);
    Select(sites, "setup.xslt");
    ASSERT_TRUE(Rip());
    XmlDocument selection = XmlDocument::Create();
    XmlDocument layoutSheet = XmlDocument::Create();
    selection.load(folder.file("setup.xml"));
    layoutSheet.load(folder.file("setup.xslt"));
    {
        DigestAssembly assembly(MakeDigestPlan(selection, layoutSheet), 2, folder.file("site.html"),
                                kMadeAt);
        assembly.pool().releaseAll();
        EXPECT_EQ(assembly.finish().size(), sites.size());
    } // never committed
    EXPECT_EQ(folder.read("Sites/" + PageFileStem(sites[9].url) + ".dig"), record);
    for (const std::string& name : FilesIn("Sites"))
        EXPECT_EQ(name.find(".next"), std::string::npos) << name;

    ASSERT_TRUE(Display(2).written);
    EXPECT_NE(folder.read("Sites/" + PageFileStem(sites[9].url) + ".dig"), record);
}
