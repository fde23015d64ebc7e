// A whole download cycle through nimbrel-digest against feeds served from 127.0.0.1, with the
// shipped library's feed rule, feed stylesheet and digest layout: the digest holds each site's
// items with working absolute links and the letters of every encoding.
#include "support/HttpTestServer.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>

using namespace nimbrel::test;

namespace {

struct FeedSite {
    std::string path; // on the test server
    std::string type; // the library's Type
};

std::string Rss(const std::string& title, const std::string& itemTitle, const std::string& link) {
    return "<rss version=\"2.0\"><channel><title>" + title + "</title><link>/</link><item><title>" +
           itemTitle + "</title><link>" + link + "</link></item></channel></rss>";
}

class FullCycleDisplay : public ::testing::Test {
  protected:
    void SetUp() override { CopyShippedData(folder); }

    void Select(const std::vector<FeedSite>& sites) {
        std::string xml = "<Layout><table><tr>";
        for (const FeedSite& site : sites)
            xml += "<td><site Name=\"" + site.path + "\" URL=\"" + server.hostPort() + site.path +
                   "\" Type=\"" + site.type +
                   "\" StyleSheet=\"feed.xslt\" RipFile=\"feed.xml\"/>"
                   "</td>";
        folder.write("setup.xml", xml + "</tr></table></Layout>");
    }

    int Digest() {
        const std::string command = "'" + std::string(NIMBREL_DIGEST_EXE) + "' --folder '" +
                                    folder.path() + "' --quiet --no-open 2>'" +
                                    folder.file("stderr.txt") + "'";
        const int raw = std::system(command.c_str());
        return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    }

    std::string Link(const std::string& path) { return "href=\"" + server.url(path) + "\""; }

    TempProgramFolder folder;
    HttpTestServer server;
};

TEST_F(FullCycleDisplay, FeedsInEveryEncodingGiveTheirItemsAndLetters) {
    server.route(
        "/sjis.rss",
        HttpRoute::Body(Rss("JP", "\x93\xFA\x96{\x8C\xEA\x82\xCC\x8B\x4C\x8E\x96", "news/1.html"))
            .withContentType("text/xml; charset=Shift_JIS"));
    const std::string utf16 = "\xFF\xFE" + [] {
        std::string wide;
        for (char c : Rss("UTF16",
                          "Gr\xFC\xDF"
                          "e aus K\xF6ln",
                          "/koeln"))
            wide += std::string{c, '\0'};
        return wide;
    }();
    server.route("/utf16.rss", HttpRoute::Body(utf16));
    server.route("/latin.rss", HttpRoute::Body("<?xml version=\"1.0\" encoding=\"windows-1252\"?>" +
                                               Rss("Latin",
                                                   "\x93"
                                                   "Caf\xE9\x94 \x80 5",
                                                   "story?id=5&amp;p=2")));
    Select({{"/sjis.rss", "rss"}, {"/utf16.rss", "rss"}, {"/latin.rss", "rss"}});
    ASSERT_EQ(Digest(), 0) << folder.read("stderr.txt");
    const std::string page = folder.read("site.html");
    EXPECT_NE(page.find("\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E\xE3\x81\xAE\xE8\xA8\x98\xE4\xBA\x8B"),
              std::string::npos)
        << page;
    EXPECT_NE(page.find("Gr\xC3\xBC\xC3\x9F"
                        "e aus K\xC3\xB6ln"),
              std::string::npos);
    EXPECT_NE(page.find("\xE2\x80\x9C"
                        "Caf\xC3\xA9\xE2\x80\x9D \xE2\x82\xAC 5"),
              std::string::npos);
    EXPECT_NE(page.find(Link("/news/1.html")), std::string::npos) << page;
    EXPECT_NE(page.find(Link("/koeln")), std::string::npos);
    EXPECT_NE(page.find(Link("/story?id=5&amp;p=2")), std::string::npos);
    EXPECT_EQ(page.find("<site "), std::string::npos);
}

TEST_F(FullCycleDisplay, RealFeedsKeepTheirLettersAndGetAbsoluteLinks) {
    const std::string latin = RealFixture("jn_ultimas_latin1.rss");
    const std::string heise = RealFixture("heise_developer.atom");
    const std::string gulp = RealFixture("github_gulp_releases.atom");
    if (latin.empty() || heise.empty() || gulp.empty())
        GTEST_SKIP() << "real fixtures folder absent";
    server.route("/jn.rss", HttpRoute::Body(ReadBytes(latin)));
    server.route(
        "/heise.atom",
        HttpRoute::Body(ReadBytes(heise)).withContentType("application/atom+xml; charset=utf-8"));
    server.route("/gulp.atom", HttpRoute::Body(ReadBytes(gulp)));
    Select({{"/jn.rss", "rss"}, {"/heise.atom", "atom"}, {"/gulp.atom", "atom"}});
    ASSERT_EQ(Digest(), 0) << folder.read("stderr.txt");
    const std::string page = folder.read("site.html");
    EXPECT_NE(page.find("M\xC3\xA3"
                        "e de utente \xC3\xA9 a nova presidente da Rar\xC3\xADssimas"),
              std::string::npos)
        << page;
    EXPECT_NE(page.find("Microsoft ver\xC3\xB6"
                        "ffentlicht Cordova-Erweiterung"),
              std::string::npos);
    // Relative item links lead where the feed itself says it lives.
    EXPECT_NE(page.find("href=\"https://github.com/gulpjs/gulp/releases/tag/v3.9.0\""),
              std::string::npos);
    EXPECT_NE(page.find("href=\"http://feeds.jn.pt/~r/JN-ULTIMAS/"), std::string::npos);
    EXPECT_EQ(page.find("<site "), std::string::npos);
}

} // namespace
