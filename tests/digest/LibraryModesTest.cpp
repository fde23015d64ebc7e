// --add-site, --import-opml and --export-opml through the nimbrel-digest executable on a copy
// of the shipped program folder, against feeds and pages served from 127.0.0.1, each followed
// by a cycle whose digest shows the new sites' items.
#include "digest/DigestProcess.h"
#include "support/HttpTestServer.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

namespace nimbrel::test {
namespace {

std::string Rss(const std::string& title, const std::string& item) {
    return "<?xml version=\"1.0\"?><rss version=\"2.0\"><channel><title>" + title +
           "</title><link>http://x.example/</link><item><title>" + item +
           "</title><link>http://x.example/1</link></item></channel></rss>";
}

std::string Atom(const std::string& title, const std::string& entry) {
    return "<feed xmlns=\"http://www.w3.org/2005/Atom\"><title>" + title +
           "</title><entry><title>" + entry +
           "</title><link href=\"http://x.example/2\"/></entry></feed>";
}

std::string PageLinking(const std::vector<std::string>& hrefs) {
    std::string head;
    for (const std::string& href : hrefs)
        head += "<link rel=\"alternate\" type=\"application/rss+xml\" href=\"" + href + "\">";
    return "<!DOCTYPE html><html><head><title>Home</title>" + head +
           "</head><body><h1>Home</h1></body></html>";
}

class LibraryModesTest : public ::testing::Test {
  protected:
    void SetUp() override {
        CopyShippedData(folder);
        shippedLibrary = folder.read("Categories.xml");
        server.route("/feeds/main.rss", HttpRoute::Body(Rss("Main Feed", "Alpha story")));
        server.route(
            "/second.atom",
            HttpRoute::Body(Atom("Second", "Beta entry")).withContentType("application/atom+xml"));
        server.route("/news/index.html", HttpRoute::Body(PageLinking({"../feeds/main.rss"})));
        server.route("/two.html",
                     HttpRoute::Body(PageLinking({"/second.atom", "/feeds/main.rss"})));
        server.route("/none.html", HttpRoute::Body(PageLinking({})));
    }
    DigestResult Digest(std::vector<std::string> options) {
        options.insert(options.begin(), {"--folder", folder.path()});
        return RunDigest(options);
    }
    std::string Cycle() {
        const DigestResult cycle = Digest({"--quiet", "--no-open"});
        EXPECT_EQ(cycle.status, 0) << cycle.err;
        return folder.read("site.html");
    }
    TempProgramFolder folder;
    HttpTestServer server;
    std::string shippedLibrary;
};

TEST_F(LibraryModesTest, AddSiteFindsFeedsDirectlyOrByThePagesLinkThenACycleShowsThem) {
    const DigestResult byPage = Digest({"--add-site", server.url("/news/index.html")});
    ASSERT_EQ(byPage.status, 0) << byPage.err;
    EXPECT_NE(byPage.out.find("The page names the feed " + server.url("/feeds/main.rss")),
              std::string::npos)
        << byPage.out;
    EXPECT_NE(byPage.out.find("<site Name=\"Main Feed\" URL=\"" + server.url("/feeds/main.rss") +
                              "\" Type=\"rss\" StyleSheet=\"feed.xslt\" RipFile=\"feed.xml\"/>"),
              std::string::npos)
        << byPage.out;

    const DigestResult twoFeeds =
        Digest({"--add-site", server.url("/two.html"), "--name", "Picked", "--category", "Tech"});
    ASSERT_EQ(twoFeeds.status, 0) << twoFeeds.err;
    EXPECT_NE(twoFeeds.out.find("The page names 2 feeds; adding the first: " +
                                server.url("/second.atom")),
              std::string::npos)
        << twoFeeds.out;
    EXPECT_NE(twoFeeds.out.find("Type=\"atom\""), std::string::npos);

    EXPECT_EQ(folder.read("setup.nml"), "My Sites->Main Feed\r\nTech->Picked\r\n\r\n");
    const std::string page = Cycle();
    EXPECT_NE(page.find("Alpha story"), std::string::npos) << page;
    EXPECT_NE(page.find("Beta entry"), std::string::npos);
}

TEST_F(LibraryModesTest, AddSiteRefusesWhatItCannotAddAndWritesNothing) {
    struct Case {
        std::vector<std::string> options;
        int status;
        std::string says;
    } cases[] = {
        {{"--add-site", server.url("/none.html")}, 1, "No feed found at"},
        {{"--add-site", server.url("/missing")}, 1, "HTTP 404"},
        {{"--add-site", server.url("/feeds/main.rss"), "--category", "A->B"}, 1, "\"->\""},
        // A name in another encoding than UTF-8 would leave a library that no longer loads.
        {{"--add-site", server.url("/feeds/main.rss"), "--name", "Caf\xE9"}, 1, "not UTF-8"},
        {{"--name", "X"}, 2, "--name goes with --add-site"},
        {{"--add-site", "a", "--import-opml", "b"}, 2, "exclude each other"},
        {{"--export-opml", "f", "--category", "C"}, 2, "--category goes with"},
    };
    for (const Case& c : cases) {
        const DigestResult result = Digest(c.options);
        EXPECT_EQ(result.status, c.status) << c.options[0] << " " << result.err;
        EXPECT_NE(result.err.find(c.says), std::string::npos) << result.err;
    }
    EXPECT_EQ(folder.read("Categories.xml"), shippedLibrary);
    EXPECT_FALSE(folder.exists("setup.nml"));
}

// Two selected sites of one name: --site tries the one of the category it names, and the
// progress lines and the digest tell them apart by their categories.
TEST_F(LibraryModesTest, SitesOfOneNameAreToldApartByTheirCategories) {
    server.route("/tech.rss", HttpRoute::Body(Rss("Tech", "Tech story")));
    std::string library = shippedLibrary;
    const std::string shippedUrl = "URL=\"https://lobste.rs/rss\"";
    ASSERT_NE(library.find(shippedUrl), std::string::npos);
    library.replace(library.find(shippedUrl), shippedUrl.size(),
                    "URL=\"" + server.url("/tech.rss") + "\"");
    folder.write("Categories.xml", library);
    folder.write("setup.nml", "Technology->Lobsters\r\n\r\n");
    const DigestResult added =
        Digest({"--add-site", server.url("/feeds/main.rss"), "--name", "Lobsters"});
    ASSERT_EQ(added.status, 0) << added.err;

    const std::pair<const char*, std::string> trials[] = {
        {"My Sites->Lobsters", server.url("/feeds/main.rss")},
        {"Technology->Lobsters", server.url("/tech.rss")},
    };
    for (const auto& [entry, url] : trials) {
        const DigestResult trial = Digest({"--site", entry});
        EXPECT_EQ(trial.status, 0) << trial.out;
        EXPECT_NE(trial.out.find("URL         " + url + "\n"), std::string::npos) << trial.out;
    }

    const DigestResult cycle = Digest({"--no-open"});
    ASSERT_EQ(cycle.status, 0) << cycle.err;
    const std::string page = folder.read("site.html");
    for (const char* label : {"Lobsters (Technology)", "Lobsters (My Sites)"}) {
        EXPECT_NE(cycle.err.find(std::string("] ") + label + ": Complete"), std::string::npos)
            << cycle.err;
        EXPECT_NE(FrameTop(page, label), "") << label;
    }
}

TEST_F(LibraryModesTest, OpmlImportsNestedFoldersOnceAndExportsTheSelection) {
    folder.write("mine.opml", "<opml version=\"1.0\"><body>"
                              "<outline text=\"Reading\"><outline text=\"Deeper\">"
                              "<outline text=\"Main\" xmlUrl=\"" +
                                  server.url("/feeds/main.rss") +
                                  "\"/>"
                                  "</outline></outline>"
                                  "<outline title=\"Second feed\" xmlUrl=\"" +
                                  server.url("/second.atom") +
                                  "\"/>"
                                  "<outline text=\"Again\" xmlUrl=\"" +
                                  server.url("/feeds/main.rss") +
                                  "\"/>"
                                  "</body></opml>");
    const DigestResult imported =
        Digest({"--import-opml", folder.file("mine.opml"), "--category", "Loose"});
    ASSERT_EQ(imported.status, 0) << imported.err;
    EXPECT_NE(imported.out.find("Added 2 sites, skipped 1 already in the library."),
              std::string::npos)
        << imported.out;
    EXPECT_EQ(folder.read("setup.nml"), "Deeper->Main\r\nLoose->Second feed\r\n\r\n");
    const std::string page = Cycle();
    EXPECT_NE(page.find("Alpha story"), std::string::npos) << page;
    EXPECT_NE(page.find("Beta entry"), std::string::npos);

    const DigestResult exported = Digest({"--export-opml", folder.file("out.opml")});
    ASSERT_EQ(exported.status, 0) << exported.err;
    const std::string opml = folder.read("out.opml");
    EXPECT_NE(opml.find("<outline text=\"Deeper\" title=\"Deeper\">"), std::string::npos) << opml;
    EXPECT_NE(opml.find("xmlUrl=\"" + server.url("/second.atom") + "\""), std::string::npos);

    const std::string library = folder.read("Categories.xml");
    folder.write("bad.opml", "<opml><body><outline xmlUrl=\"http://a/\"></body>");
    const DigestResult bad = Digest({"--import-opml", folder.file("bad.opml")});
    EXPECT_EQ(bad.status, 1);
    EXPECT_NE(bad.err.find("does not parse"), std::string::npos) << bad.err;
    EXPECT_EQ(folder.read("Categories.xml"), library);
}

} // namespace
} // namespace nimbrel::test
