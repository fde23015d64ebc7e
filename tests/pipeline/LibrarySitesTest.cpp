// Every library site, end to end: a page in that site's real markup is joined and cut by the
// site's rule file, then the display step cleans it, transforms it with the site's stylesheet
// and lays it out; the digest must show the site's heading and items with absolute links.
// The pages are the team's copies in tests/fixtures/sites (expected.tsv says what each must
// show); saved real pages are run too when the shared snapshot folder is there.
#include "components/MSXML2_TLB.h"
#include "pipeline/SiteFiles.h"
#include "platform/Files.h"
#include "support/OneSiteDigest.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

using namespace nimbrel;
using namespace nimbrel::msxml;
using nimbrel::test::OneSiteDigest;
using nimbrel::test::RealFixture;
using nimbrel::test::RecordingShell;
using nimbrel::test::RepoFixture;
using nimbrel::test::ScriptedDialogs;
using nimbrel::test::TempProgramFolder;

namespace {

const std::string kData = std::string(NIMBREL_SOURCE_DIR) + "/data/";

struct Expectation {
    std::string site, page, heading, headingLink;
    std::vector<std::pair<std::string, std::string>> items; // title, link
    std::string picture;                                    // of the first item, or empty
};

std::vector<std::string> Split(const std::string& text, const std::string& separator) {
    std::vector<std::string> parts;
    size_t start = 0;
    for (size_t at; (at = text.find(separator, start)) != std::string::npos;
         start = at + separator.size())
        parts.push_back(text.substr(start, at - start));
    parts.push_back(text.substr(start));
    return parts;
}

std::vector<Expectation> LoadExpectations() {
    std::ifstream in(RepoFixture("sites/expected.tsv"));
    std::vector<Expectation> all;
    for (std::string line; std::getline(in, line);) {
        if (line.empty() || line[0] == '#')
            continue;
        std::vector<std::string> f = Split(line, "\t");
        if (f.size() < 6) {
            ADD_FAILURE() << "short line in expected.tsv: " << line;
            continue;
        }
        Expectation e{f[0], f[1], f[2], f[3], {}, f[5]};
        for (const std::string& item : Split(f[4], " || ")) {
            std::vector<std::string> titleAndLink = Split(item, " | ");
            e.items.emplace_back(titleAndLink.at(0), titleAndLink.at(1));
        }
        all.push_back(e);
    }
    return all;
}

XmlDocument Library() {
    XmlDocument library = XmlDocument::Create();
    library.load(kData + "Categories.xml");
    return library;
}

std::string Attribute(const XmlNode& element, const std::string& name) {
    XmlNode attribute = element.attributes().getNamedItem(name);
    return attribute ? attribute.text() : std::string();
}

// How text and attribute values stand in the digest page.
std::string Escaped(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (c == '&')
            out += "&amp;";
        else if (c == '<')
            out += "&lt;";
        else if (c == '>')
            out += "&gt;";
        else
            out += c;
    }
    return out;
}

std::string DigestOf(const TempProgramFolder& folder, const XmlNode& site,
                     const std::string& pageBytes) {
    return OneSiteDigest(folder, site.xml(), pageBytes);
}

int Count(const std::string& text, const std::string& what) {
    int n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
        ++n;
    return n;
}

// Every link and picture of the block leads somewhere from a local file.
void ExpectAbsoluteAddresses(const std::string& digest) {
    for (const std::string attribute : {"href=\"", "src=\""}) {
        for (size_t at = digest.find(attribute); at != std::string::npos;
             at = digest.find(attribute, at + 1)) {
            const std::string value = digest.substr(at + attribute.size(), 8);
            EXPECT_TRUE(value.rfind("https://", 0) == 0 || value.rfind("http://", 0) == 0)
                << attribute << value << "... in " << digest.substr(at > 80 ? at - 80 : 0, 200);
        }
    }
}

void ExpectBlock(const std::string& digest, const Expectation& e) {
    EXPECT_EQ(digest.find("<site URL="), std::string::npos) << "the placeholder was not replaced";
    EXPECT_EQ(Count(digest, "<div class=\"site\">"), 1) << digest;
    EXPECT_NE(
        digest.find("<a href=\"" + Escaped(e.headingLink) + "\">" + Escaped(e.heading) + "</a>"),
        std::string::npos)
        << "heading " << e.heading << " in " << digest.substr(digest.find("<div class=\"site\">"));
    for (const auto& [title, link] : e.items) {
        EXPECT_NE(digest.find("href=\"" + Escaped(link) + "\""), std::string::npos) << link;
        EXPECT_NE(digest.find(">" + Escaped(title) + "<"), std::string::npos) << title;
    }
    if (!e.picture.empty()) {
        EXPECT_NE(digest.find("src=\"" + Escaped(e.picture) + "\""), std::string::npos)
            << e.picture;
    }
    EXPECT_LE(Count(digest, "<li class=\"item\">"), 15);
    ExpectAbsoluteAddresses(digest);
}

// The block the site's stylesheet made (kept in the site's record as it was made) stands in the
// digest byte for byte: the last pass over every block found nothing to take out of it.
void ExpectBlockPassedUnchanged(const std::string& digest, const XmlNode& site) {
    const auto shown = ReadLastShown(Attribute(site, "URL"));
    ASSERT_TRUE(shown);
    ASSERT_GT(shown->block.size(), 100u);
    EXPECT_NE(digest.find(shown->block), std::string::npos) << shown->block;
}

TEST(LibrarySites, EverySiteHasAPageCopyWithExpectations) {
    std::set<std::string> covered;
    for (const Expectation& e : LoadExpectations())
        covered.insert(e.site);
    XmlNodeList sites = Library().selectNodes("//site");
    ASSERT_GT(sites.length(), 0);
    for (long i = 0; i < sites.length(); ++i)
        EXPECT_TRUE(covered.count(Attribute(sites.item(i), "Name")))
            << Attribute(sites.item(i), "Name") << " has no page in tests/fixtures/sites";
}

TEST(LibrarySites, EachSitesPageBecomesItsBlock) {
    XmlDocument library = Library();
    for (const Expectation& e : LoadExpectations()) {
        SCOPED_TRACE(e.site + " (" + e.page + ")");
        XmlNode site = library.selectSingleNode("//site[@Name=\"" + e.site + "\"]");
        ASSERT_TRUE(site);
        TempProgramFolder folder;
        ScriptedDialogs dialogs;
        const std::string digest =
            DigestOf(folder, site, ReadFileBytes(RepoFixture("sites/" + e.page)));
        ExpectBlock(digest, e);
        ExpectBlockPassedUnchanged(digest, site);
        EXPECT_TRUE(dialogs.messages.empty()) << dialogs.messages.front();
    }
}

TEST(LibrarySites, ALongFeedShowsFifteenItems) {
    XmlDocument library = Library();
    TempProgramFolder folder;
    ScriptedDialogs dialogs;
    const std::string digest =
        DigestOf(folder, library.selectSingleNode("//site[@Name=\"BBC News\"]"),
                 ReadFileBytes(RepoFixture("sites/bbc_news.xml")));
    EXPECT_EQ(Count(digest, "<li class=\"item\">"), 15);
    EXPECT_EQ(digest.find("Extra story number 13"), std::string::npos);
}

// Feeds put share buttons and one-pixel counters into their item HTML; neither is a picture.
TEST(LibrarySites, TrackingPixelsAndShareIconsAreNotTakenForPictures) {
    XmlDocument library = Library();
    const std::pair<const char*, const char*> cases[] = {{"Slashdot", "slashdot.xml"},
                                                         {"NPR News", "npr_news.xml"}};
    for (const auto& [name, page] : cases) {
        SCOPED_TRACE(name);
        TempProgramFolder folder;
        ScriptedDialogs dialogs;
        const std::string digest = DigestOf(
            folder, library.selectSingleNode(std::string("//site[@Name=\"") + name + "\"]"),
            ReadFileBytes(RepoFixture(std::string("sites/") + page)));
        EXPECT_EQ(digest.find("twitter_icon"), std::string::npos);
        EXPECT_EQ(digest.find("npr-rss-pixel"), std::string::npos);
        EXPECT_GT(Count(digest, "<li class=\"item\">"), 1);
    }
}

TEST(LibrarySites, ASiteWhosePageHoldsNothingItsRuleCutsSaysSo) {
    XmlDocument library = Library();
    for (const char* name : {"BBC News", "Hacker News", "Wikipedia"}) {
        SCOPED_TRACE(name);
        TempProgramFolder folder;
        ScriptedDialogs dialogs;
        const std::string digest = DigestOf(
            folder, library.selectSingleNode(std::string("//site[@Name=\"") + name + "\"]"),
            "<html><body><p>We are down for maintenance. Please come back later.</p>"
            "<p>" +
                std::string(200, '.') + "</p></body></html>");
        EXPECT_NE(digest.find("Nothing to show from this site right now."), std::string::npos)
            << digest.substr(digest.find("<main"));
    }
}

// Saved real pages of library sites (or of sites that share a library site's rule).
struct Snapshot {
    const char* file;
    const char* ruleOf; // the library site whose rule and stylesheet apply
    Expectation expected;
};

const Snapshot kSnapshots[] = {
    {"guardian_us.rss",
     "The Guardian (US)",
     {"",
      "",
      "The Guardian",
      "https://www.theguardian.com/us",
      {{"Trump State of the Union address promised unity but emphasized discord",
        "https://www.theguardian.com/us-news/2018/jan/31/"
        "donald-trump-state-of-the-union-address-unity-discord"}},
      ""}},
    {"nasa_breaking_news.rss",
     "NASA News Releases",
     {"",
      "",
      "NASA Breaking News",
      "http://www.nasa.gov/",
      {{"NASA to Host Live Chat on Successful Mission to Asteroid Belt",
        "http://www.nasa.gov/press-release/"
        "nasa-to-host-live-chat-on-successful-mission-to-asteroid-belt"}},
      "http://www.nasa.gov/sites/default/files/styles/1x1_cardfeed/public/thumbnails/image/"
      "pia18922_1.jpg?itok=6lkGO-xB"}},
    {"heise_developer.atom",
     "heise online",
     {"",
      "",
      "heise developer neueste Meldungen",
      "http://www.heise.de/developer/",
      {{"Java-Anwendungsserver: Red Hat gibt WildFly 10 frei",
        "http://www.heise.de/developer/meldung/"
        "Java-Anwendungsserver-Red-Hat-gibt-WildFly-10-frei-3088438.html"
        "?wt_mc=rss.developer.beitrag.atom"}},
      ""}},
    {"youtube_channel.atom",
     "Kurzgesagt (YouTube)",
     {"",
      "",
      "Instituto de F\xc3\xadsica Te\xc3\xb3rica IFT",
      "https://www.youtube.com/channel/UCk195x4zYdMx4LhqEwhcPng",
      {{"El Brillante Futuro de la F\xc3\xadsica | Una Conversaci\xc3\xb3n con \xc3\x81lvaro de "
        "R\xc3\xbajula",
        "https://www.youtube.com/watch?v=Elewn679CZI"}},
      "https://i2.ytimg.com/vi/Elewn679CZI/hqdefault.jpg"}},
    // Its entry links are relative to the site: they must come out absolute.
    {"github_gulp_releases.atom",
     "Node.js releases",
     {"",
      "",
      "Release notes from gulp",
      "https://github.com/gulpjs/gulp/releases",
      {{"v3.9.0", "https://github.com/gulpjs/gulp/releases/tag/v3.9.0"},
       {"v3.8.11", "https://github.com/gulpjs/gulp/releases/tag/v3.8.11"}},
      ""}},
    {"hn_front.html",
     "Hacker News",
     {"",
      "",
      "Hacker News",
      "https://news.ycombinator.com/",
      {{"Sycophancy in GPT-4o", "https://openai.com/index/sycophancy-in-gpt-4o/"},
       {"143 comments", "https://news.ycombinator.com/item?id=43840842"}},
      ""}},
    {"wikipedia_ja_main.html",
     "Wikipedia (\xe6\x97\xa5\xe6\x9c\xac\xe8\xaa\x9e)",
     {"",
      "",
      "Wikipedia",
      "https://ja.wikipedia.org/wiki/%E3%83%A1%E3%82%A4%E3%83%B3%E3%83%9A%E3%83%BC%E3%82%B8",
      {{"\xe7\xaf\xa0\xe5\xb3\xb6", "https://ja.wikipedia.org/wiki/%E7%AF%A0%E5%B3%B6"}},
      ""}},
    // A Latin-1 feed with CR LF line ends: the joined line is cut as usual, and the cleaner
    // reads the text that is not UTF-8 as the Windows Western code page.
    {"jn_ultimas_latin1.rss",
     "The Guardian (US)",
     {"",
      "",
      "Jornal de Not\xc3\xad"
      "cias - \xc3\x9a"
      "ltimas Not\xc3\xad"
      "cias",
      "http://www.jn.pt",
      {{"M\xc3\xa3"
        "e de utente \xc3\xa9 a nova presidente da Rar\xc3\xadssimas",
        "http://feeds.jn.pt/~r/JN-ULTIMAS/~3/UBnb8Ra3Q1U/"
        "sonia-laig-e-a-nova-presidente-da-rarissimas-9021600.html"}},
      ""}},
    {"giantbomb_podcast_large.rss",
     "NPR News",
     {"",
      "",
      "Giant Bombcast",
      "https://www.giantbomb.com",
      {{"Giant Bombcast 603: Call of Tuesday",
        "https://www.giantbomb.com/shows/603-call-of-tuesday/2970-19653/free-podcast"}},
      ""}},
};

TEST(LibrarySites, SavedRealPagesBecomeTheirBlocks) {
    if (RealFixture("MANIFEST.tsv").empty())
        GTEST_SKIP() << "the shared snapshot folder is absent";
    XmlDocument library = Library();
    for (const Snapshot& snapshot : kSnapshots) {
        SCOPED_TRACE(snapshot.file);
        const std::string path = RealFixture(snapshot.file);
        if (path.empty()) {
            ADD_FAILURE() << "snapshot missing from the shared folder";
            continue;
        }
        XmlNode site =
            library.selectSingleNode(std::string("//site[@Name=\"") + snapshot.ruleOf + "\"]");
        ASSERT_TRUE(site);
        TempProgramFolder folder;
        ScriptedDialogs dialogs;
        const std::string digest = DigestOf(folder, site, ReadFileBytes(path));
        ExpectBlock(digest, snapshot.expected);
        ExpectBlockPassedUnchanged(digest, site);
        EXPECT_GE(Count(digest, "<li class=\"item\">"), 2);
    }
}

} // namespace
