// nimbrel-digest running a whole cycle against a loopback server.
#include "digest/DigestProcess.h"
#include "pipeline/PageName.h"
#include "support/HttpTestServer.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace nimbrel::test {
namespace {

// The whole cycle on the test's folder, never opening a browser.
DigestResult RunCycle(const TempProgramFolder& folder, std::vector<std::string> options = {}) {
    options.insert(options.begin(), {"--folder", folder.path(), "--no-open"});
    return RunDigest(options);
}

// The digest's layout: one column per site holding its placeholder.
const char* const kLayout =
    "<xsl:stylesheet version=\"1.0\" xmlns:xsl=\"http://www.w3.org/1999/XSL/Transform\">"
    "<xsl:output method=\"html\"/><xsl:template match=\"/\"><html><body><table><tr>"
    "<xsl:for-each select=\"//site\"><td><site URL=\"{@URL}\"/></td></xsl:for-each>"
    "</tr></table></body></html></xsl:template></xsl:stylesheet>";

// A site's block: the bold text of its cut piece.
const char* const kSiteSheet =
    "<xsl:stylesheet version=\"1.0\" xmlns:xsl=\"http://www.w3.org/1999/XSL/Transform\">"
    "<xsl:output method=\"xml\" omit-xml-declaration=\"yes\"/><xsl:template match=\"/\">"
    "<div class=\"block\"><xsl:value-of select=\"//b\"/></div></xsl:template>"
    "</xsl:stylesheet>";

class DigestCycleTest : public ::testing::Test {
  protected:
    void SetUp() override {
        folder.write("Rip/rule.xml", kBoldRule);
        folder.write("setup.xslt", kLayout);
        folder.write("stylesheets/s.xsl", kSiteSheet);
        folder.write("options.nmo", "Interval:900\r\nAutoView:False\r\n");
    }

    void Select(const std::vector<std::pair<std::string, std::string>>& sites) {
        std::string xml = "<setup>";
        for (const auto& [name, url] : sites)
            xml += "<site Name=\"" + name + "\" URL=\"" + url +
                   "\" Type=\"html\" StyleSheet=\"s.xsl\" RipFile=\"rule.xml\"/>";
        folder.write("setup.xml", xml + "</setup>");
    }

    std::string Bare(const std::string& path) const { return server.hostPort() + path; }

    TempProgramFolder folder;
    HttpTestServer server;
};

TEST_F(DigestCycleTest, FetchesEverySiteWithAProgressLineEachThenCuts) {
    server.route("/news", HttpRoute::Body(BoldPage("headline")));
    server.route("/gone", HttpRoute::Body("<html>gone</html>", 404));
    folder.write("Sites/" + PageFileName(Bare("/gone")), BoldPage("kept"));
    Select({{"News", Bare("/news")}, {"Gone", Bare("/gone")}});

    const DigestResult run = RunCycle(folder);
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.err.find("[1/2] News: Complete"), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("[2/2] Gone: Failed: HTTP 404"), std::string::npos) << run.err;
    // The cut joins a page into one line, so only its content is compared.
    EXPECT_EQ(folder.read("Sites/" + PageFileName(Bare("/gone"))).rfind(BoldPage("kept"), 0), 0u);
    EXPECT_NE(folder.read("Sites/" + PageFileName(Bare("/news"))).find("headline"),
              std::string::npos);
    // The cut ran on both pages: the one fetched now and the one kept from before.
    EXPECT_NE(folder.read("Work/" + PageFileName(Bare("/news"))).find("<b>headline</b>"),
              std::string::npos);
    EXPECT_NE(folder.read("Work/" + PageFileName(Bare("/gone"))).find("<b>kept</b>"),
              std::string::npos);
    EXPECT_EQ(server.requests().at(0).headers.at("user-agent"), "nimbrel-digest");
    // The cycle ends with the digest page holding both sites' blocks.
    const std::string digest = folder.read("site.html");
    EXPECT_NE(digest.find("<div class=\"block\">headline</div>"), std::string::npos) << digest;
    EXPECT_NE(digest.find("<div class=\"block\">kept</div>"), std::string::npos) << digest;
}

TEST_F(DigestCycleTest, QuietDropsTheProgressLines) {
    server.route("/news", HttpRoute::Body("<html><b>headline</b></html>"));
    Select({{"News", Bare("/news")}});
    const DigestResult run = RunCycle(folder, {"--quiet"});
    EXPECT_EQ(run.err.find("News"), std::string::npos) << run.err;
    EXPECT_EQ(server.requests().size(), 1u);
}

TEST_F(DigestCycleTest, MissingSelectionEndsAtOnceWithItsMessage) {
    const DigestResult run = RunCycle(folder);
    EXPECT_EQ(run.status, 3);
    EXPECT_NE(run.err.find("Setup.xml not found, the program will exit now. Please run the "
                           "setup wizard before downloading"),
              std::string::npos)
        << run.err;
}

TEST_F(DigestCycleTest, UnwritableSitesFolderEndsTheCycleWithAnError) {
    server.route("/news", HttpRoute::Body("<html><b>headline</b></html>"));
    Select({{"News", Bare("/news")}});
    std::filesystem::remove_all(folder.file("Sites"));
    const DigestResult run = RunCycle(folder, {"--quiet"});
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("File not found"), std::string::npos) << run.err;
    EXPECT_TRUE(server.requests().empty());
}

} // namespace
} // namespace nimbrel::test
