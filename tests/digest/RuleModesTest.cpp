// Rules from one example, rules that say when they break, and their check and repair, through
// the nimbrel-digest executable on a copy of the shipped program folder, against pages of our
// own served from 127.0.0.1 (table rows, article cards, a list among sidebars, a Latin-1 page),
// each followed by real cycles whose digests are read back.
#include "digest/DigestProcess.h"
#include "support/HttpTestServer.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <regex>

namespace nimbrel::test {
namespace {

const std::vector<std::string> kTitles = {
    "Ferry service resumes after storm",  "Library opens a reading garden",
    "Night market returns to the square", "Council votes on the new bridge",
    "Choir wins the regional prize",      "Bakery celebrates fifty years"};

// Story i's link as the page writes it, and the frame's links as the digest shows them.
std::string Href(size_t i) {
    return "/stories/" + std::to_string(i + 1) + ".html";
}

// Rows of a table: rank, a vote link before the title, a row of links below each story.
std::string TableRowsPage() {
    std::string rows;
    for (size_t i = 0; i < kTitles.size(); ++i)
        rows += "<tr><td class=\"rank\">" + std::to_string(i + 1) +
                ".</td><td><a href=\"/vote?id=" + std::to_string(i) +
                "\">up</a></td><td class=\"title\"><a href=\"" + Href(i) + "\">" + kTitles[i] +
                "</a> <span class=\"site\">(town.example)</span></td></tr>\n<tr><td></td><td></td>"
                "<td class=\"sub\">by <a href=\"/user/ann\">ann</a> | <a href=\"/talk/" +
                std::to_string(i) + "\">3 comments</a></td></tr>\n";
    return "<html><head><title>Town News</title></head><body><table>\n" + rows +
           "</table><a href=\"/more\">More</a></body></html>";
}

// Cards: a picture link first, the headline's link, a summary and a "Read more" link.
std::string CardsPage(const char* card, const char* heading) {
    std::string cards;
    for (size_t i = 0; i < kTitles.size(); ++i)
        cards += std::string("<article class=\"") + card + "\" id=\"post-" +
                 std::to_string(4711 + i) + "\"><a href=\"" + Href(i) + "\"><img src=\"/p/" +
                 std::to_string(i) + ".jpg\" alt=\"\"></a><h2 class=\"" + heading +
                 "\"><a href=\"" + Href(i) + "\">" + kTitles[i] +
                 "</a></h2><p>What happened, in short.</p><a class=\"more\" href=\"" + Href(i) +
                 "\">Read more</a></article>\n";
    // It names a feed too: with an example, the page itself is followed.
    return "<!DOCTYPE html><html><head><title>Town Cards</title><link rel=\"alternate\" "
           "type=\"application/rss+xml\" href=\"/feed.rss\"></head><body><main>" +
           cards + "</main></body></html>";
}

// The same stories a redesign later: new class names, a wrapper more around each.
std::string RedesignedCardsPage() {
    std::string cards;
    for (size_t i = 0; i < kTitles.size(); ++i)
        cards += "<div class=\"teaser-wrap\"><section class=\"teaser\"><h3 class=\"teaser__head\">"
                 "<a href=\"" +
                 Href(i) + "\">" + kTitles[i] +
                 "</a></h3><div class=\"teaser__text\">What happened.</div></section></div>\n";
    return "<!DOCTYPE html><html><head><title>Town Cards</title></head><body><div id=\"feed\">" +
           cards + "</div></body></html>";
}

// The stories' list among a navigation sidebar and a "popular" list of the same shape.
std::string SidebarPage() {
    std::string nav, popular, stories;
    for (int i = 0; i < 12; ++i)
        nav += "<li><a href=\"/section/" + std::to_string(i) + "\">Section " + std::to_string(i) +
               "</a></li>";
    for (int i = 0; i < 4; ++i)
        popular += "<li class=\"hot\"><a href=\"/popular/" + std::to_string(i) +
                   "\">Popular story " + std::to_string(i) + "</a></li>";
    for (size_t i = 0; i < kTitles.size(); ++i)
        stories += "<li class=\"story\"><a href=\"" + Href(i) + "\">" + kTitles[i] +
                   "</a> <span class=\"when\">today</span></li>";
    return "<html><head><title>Town Side</title></head><body><div class=\"nav\"><ul>" + nav +
           "</ul></div><div class=\"main\"><ul class=\"stories\">" + stories +
           "</ul></div><div class=\"aside\"><ul class=\"popular\">" + popular +
           "</ul></div></body></html>";
}

// A Latin-1 page (its bytes as served) whose items are links in paragraphs, behind <base>.
std::string LatinPage() {
    const std::string titles[] = {"Caf\xE9 ouvert \xE0 Z\xFCrich", "Fl\xFBte et chorale",
                                  "March\xE9 du soir", "Pont neuf"};
    std::string items;
    for (size_t i = 0; i < 4; ++i)
        items += "<p class=\"entry\"><a href=\"item/" + std::to_string(i + 1) + "\">" + titles[i] +
                 "</a></p>";
    return "<html><head><meta charset=\"iso-8859-1\"><title>Latin</title>"
           "<base href=\"/deep/\"></head><body>" +
           items + "</body></html>";
}

class RuleModesTest : public ::testing::Test {
  protected:
    void SetUp() override {
        CopyShippedData(folder);
        server.route("/rows.html", HttpRoute::Body(TableRowsPage()));
        server.route("/cards.html", HttpRoute::Body(CardsPage("card", "card-title")));
        server.route("/side.html", HttpRoute::Body(SidebarPage()));
        server.route("/latin.html", HttpRoute::Body(LatinPage()));
    }
    DigestResult Digest(std::vector<std::string> options) {
        options.insert(options.begin(), {"--folder", folder.path()});
        return RunDigest(options);
    }
    DigestResult AddByExample(const std::string& path, const std::string& example,
                              const std::string& name) {
        return Digest({"--add-site", server.url(path), "--example", example, "--name", name});
    }
    // One cycle; the frame of the named site in the digest.
    std::string CycleFrame(const std::string& name, DigestResult* cycle = nullptr) {
        const DigestResult result = Digest({"--no-open"});
        EXPECT_EQ(result.status, 0) << result.err;
        if (cycle)
            *cycle = result;
        const std::string page = folder.read("site.html");
        const size_t begin = page.find("data-site=\"" + name + "\"");
        const size_t end = page.find("data-site=\"", begin + 1); // the next frame's
        return begin == std::string::npos ? std::string() : page.substr(begin, end - begin);
    }
    static std::vector<std::string> LinksOf(const std::string& frame) {
        std::vector<std::string> links;
        const std::regex link("class=\"item-link\" href=\"([^\"]*)\"");
        for (auto it = std::sregex_iterator(frame.begin(), frame.end(), link);
             it != std::sregex_iterator(); ++it)
            links.push_back((*it)[1]);
        return links;
    }
    std::vector<std::string> StoryLinks() const {
        std::vector<std::string> links;
        for (size_t i = 0; i < kTitles.size(); ++i)
            links.push_back(server.url(Href(i)));
        return links;
    }
    TempProgramFolder folder;
    HttpTestServer server;
};

TEST_F(RuleModesTest, OneExampleMakesARuleWhoseCycleShowsThePagesItemsAndNothingElse) {
    const struct {
        const char* path;
        std::string example;
        const char* name;
    } pages[] = {
        {"/rows.html", kTitles[2], "Rows"},
        // As a reader copies it: other blanks, other letter case.
        {"/cards.html", "  library OPENS a   reading garden ", "Cards"},
        {"/side.html", kTitles[4], "Side"},
    };
    for (const auto& page : pages) {
        const DigestResult added = AddByExample(page.path, page.example, page.name);
        ASSERT_EQ(added.status, 0) << page.name << ": " << added.err;
        EXPECT_NE(added.out.find(std::string("Added ") + page.name + ": the rule finds 6 items"),
                  std::string::npos)
            << added.out;
        EXPECT_NE(added.out.find("  " + kTitles[0] + "\n  " + kTitles[1]), std::string::npos)
            << added.out;
    }
    EXPECT_EQ(folder.read("setup.nml"),
              "My Sites->Rows\r\nMy Sites->Cards\r\nMy Sites->Side\r\n\r\n");
    EXPECT_NE(folder.read("Categories.xml")
                  .find("<site Name=\"Cards\" URL=\"" + server.url("/cards.html") +
                        "\" Type=\"html\" StyleSheet=\"pieces.xslt\" RipFile=\"cards.xml\"/>"),
              std::string::npos);
    for (const char* name : {"Rows", "Cards", "Side"}) {
        const std::string frame = CycleFrame(name);
        EXPECT_NE(frame.find("data-status=\"ok\""), std::string::npos) << frame;
        EXPECT_EQ(LinksOf(frame), StoryLinks()) << name << ": " << frame;
        for (const std::string& title : kTitles)
            EXPECT_NE(frame.find(">" + title + "<"), std::string::npos) << title << frame;
    }
}

TEST_F(RuleModesTest, ALatinOnePageIsReadInItsCharsetAndItsLinksLeadFromItsBase) {
    const DigestResult added =
        AddByExample("/latin.html", "Caf\xC3\xA9 ouvert \xC3\xA0 Z\xC3\xBCrich", "Latin");
    ASSERT_EQ(added.status, 0) << added.err;
    EXPECT_NE(added.out.find("the rule finds 4 items"), std::string::npos) << added.out;
    const std::string frame = CycleFrame("Latin");
    EXPECT_EQ(LinksOf(frame),
              (std::vector<std::string>{server.url("/deep/item/1"), server.url("/deep/item/2"),
                                        server.url("/deep/item/3"), server.url("/deep/item/4")}))
        << frame;
    EXPECT_NE(frame.find("March\xC3\xA9 du soir"), std::string::npos) << frame;
}

TEST_F(RuleModesTest, AnExampleThatIsNotOnThePageOrStandsAloneWritesNothing) {
    const std::string library = folder.read("Categories.xml");
    const struct {
        std::vector<std::string> options;
        int status;
        const char* says;
    } cases[] = {
        {{"--add-site", server.url("/rows.html"), "--example", "Dragons land in the park"},
         1,
         "\"Dragons land in the park\" is not on the page"},
        {{"--add-site", server.url("/rows.html"), "--example", "More"}, 1, "No repeated items"},
        {{"--add-site", server.url("/missing.html"), "--example", "x"}, 1, "HTTP 404"},
        {{"--example", "x"}, 2, "--example goes with --add-site"},
        {{"--check-rules", "--open"}, 2, "takes no --open"},
        {{"--repair-rule", "no arrow"}, 2, "\"Category->Site\""},
        {{"--repair-rule", "My Sites->Nobody"}, 1, "No library site My Sites->Nobody"},
    };
    for (const auto& c : cases) {
        const DigestResult result = Digest(c.options);
        EXPECT_EQ(result.status, c.status) << c.options[0] << " " << result.err;
        EXPECT_NE(result.err.find(c.says), std::string::npos) << result.err;
    }
    EXPECT_EQ(folder.read("Categories.xml"), library);
    EXPECT_FALSE(folder.exists("setup.nml"));
}

TEST_F(RuleModesTest, ALayoutChangeIsReportedAsBrokenThenRepairedFromTheLastGoodDigest) {
    ASSERT_EQ(AddByExample("/cards.html", kTitles[1], "Cards").status, 0);
    ASSERT_EQ(AddByExample("/rows.html", kTitles[0], "Rows").status, 0);
    EXPECT_EQ(LinksOf(CycleFrame("Cards")), StoryLinks());
    const std::string ruleBefore = folder.read("Rip/cards.xml");

    // The same stories, in new markup: the rule finds nothing, and the digest says so.
    server.route("/cards.html", HttpRoute::Body(RedesignedCardsPage()));
    DigestResult cycle;
    const std::string broken = CycleFrame("Cards", &cycle);
    EXPECT_NE(broken.find("data-status=\"broken\""), std::string::npos) << broken;
    EXPECT_TRUE(std::regex_search(
        broken,
        std::regex("The page came at [0-9:]+, but the site(&#39;|')s rule found nothing in it "
                   "\\(it found 6 items at [0-9:]+\\)\\. The site may have changed its "
                   "layout\\.")))
        << broken;
    EXPECT_EQ(LinksOf(broken), StoryLinks()) << "the last good block stays";
    EXPECT_NE(cycle.err.find("Cards: rule found nothing"), std::string::npos) << cycle.err;
    EXPECT_EQ(cycle.err.find("Rows: rule found nothing"), std::string::npos) << cycle.err;
    EXPECT_NE(folder.read("site.html").find("class=\"site-frame site-broken\""), std::string::npos);
    EXPECT_NE(folder.read("site.html").find("data-broken=\"1\""), std::string::npos);
    EXPECT_NE(folder.read("site.html").find(">1 rule found nothing</a>"), std::string::npos);

    // The next cycle still knows what the rule found before.
    EXPECT_NE(CycleFrame("Cards").find("it found 6 items"), std::string::npos);

    const DigestResult check = Digest({"--check-rules"});
    EXPECT_EQ(check.status, 1) << check.err;
    EXPECT_NE(check.out.find("My Sites->Cards: rule found nothing\n"), std::string::npos)
        << check.out;
    EXPECT_NE(check.out.find("My Sites->Rows: 6 items\n"), std::string::npos) << check.out;

    const DigestResult repair = Digest({"--repair-rule", "My Sites->Cards"});
    ASSERT_EQ(repair.status, 0) << repair.err;
    EXPECT_NE(repair.out.find("it finds 6 items and recovers 6 of the 6 links"), std::string::npos)
        << repair.out;
    EXPECT_EQ(folder.read("Rip/cards.xml.old"), ruleBefore);
    EXPECT_NE(folder.read("Rip/cards.xml"), ruleBefore);

    const DigestResult recheck = Digest({"--check-rules", "--site", "My Sites->Cards"});
    EXPECT_EQ(recheck.status, 0) << recheck.out;
    EXPECT_EQ(recheck.out, "My Sites->Cards: 6 items\n");
    const std::string repaired = CycleFrame("Cards");
    EXPECT_EQ(repaired.find("data-status=\"broken\""), std::string::npos) << repaired;
    EXPECT_EQ(LinksOf(repaired), StoryLinks()) << repaired;
}

TEST_F(RuleModesTest, CheckRulesFetchesNothingAndTellsSitesWithoutAPage) {
    ASSERT_EQ(AddByExample("/side.html", kTitles[0], "Side").status, 0);
    const DigestResult check = Digest({"--check-rules"});
    EXPECT_EQ(check.status, 0) << check.err;
    EXPECT_EQ(check.out, "My Sites->Side: no page yet\n");
    const std::vector<std::string> targets = server.requestedTargets();
    EXPECT_EQ(std::count(targets.begin(), targets.end(), "/side.html"), 1)
        << "only --add-site fetched it";
    const DigestResult repair = Digest({"--repair-rule", "My Sites->Side"});
    EXPECT_EQ(repair.status, 1);
    EXPECT_NE(repair.err.find("showed no items to learn from"), std::string::npos) << repair.err;
}

} // namespace
} // namespace nimbrel::test
