// Cutting and display through nimbrel-digest (--rip-only, then --display-only) on a program
// folder whose pages stand as the fetch leaves them, brought to UTF-8 from their own encodings:
// the digest holds every site's items, with absolute links and their own letters.
#include "DigestProcess.h"

#include "pipeline/PageEncoding.h"
#include "pipeline/SiteFiles.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace nimbrel::test;
namespace fs = std::filesystem;

namespace {

std::string Rss(const std::string& itemTitle, const std::string& link) {
    return "<rss version=\"2.0\"><channel><title>Feed</title><item><title>" + itemTitle +
           "</title><link>" + link + "</link></item></channel></rss>\r\n";
}

std::string Utf16LittleEndian(const std::string& ascii) {
    std::string wide = "\xFF\xFE";
    for (char c : ascii)
        wide += std::string{c, '\0'};
    return wide;
}

class PreparedCycle : public ::testing::Test {
  protected:
    void SetUp() override {
        const fs::path fixtures = RepoFixture("display");
        fs::copy(fixtures / "setup.xslt", folder.file("setup.xslt"));
        fs::copy(fixtures / "stylesheets", folder.file("stylesheets"), fs::copy_options::recursive);
        fs::copy(fixtures / "Rip", folder.file("Rip"), fs::copy_options::recursive);
    }

    // A page as the fetch stores it: the downloaded bytes, then brought to UTF-8.
    void Fetched(const std::string& url, const std::string& bytes, const std::string& contentType) {
        const std::string page = folder.file("Sites/" + nimbrel::PageFileName(url));
        WriteBytes(page, bytes);
        nimbrel::ConvertPageToUtf8(page, contentType);
        sites_ += "<td><site Name=\"" + url + "\" URL=\"" + url +
                  "\" Type=\"addxmltags\" StyleSheet=\"entries.xsl\" RipFile=\"items.xml\"/></td>";
    }

    std::string Digest() {
        folder.write("setup.xml", "<Layout><table><tr>" + sites_ + "</tr></table></Layout>");
        const DigestResult cut = RunDigest({"--folder", folder.path(), "--rip-only", "--quiet"});
        EXPECT_EQ(cut.status, 0) << cut.err;
        const DigestResult shown =
            RunDigest({"--folder", folder.path(), "--display-only", "--no-open"});
        EXPECT_EQ(shown.status, 0) << shown.err;
        return folder.read("site.html");
    }

    TempProgramFolder folder;
    std::string sites_;
};

TEST_F(PreparedCycle, PagesInEveryEncodingShowTheirLettersWithAbsoluteLinks) {
    Fetched("jp.example/news/rss", Rss("\x93\xFA\x96{\x8C\xEA\x82\xCC\x8BL\x8E\x96", "1.html"),
            "text/xml; charset=Shift_JIS");
    Fetched("de.example/feed",
            Utf16LittleEndian(Rss("Gr\xFC\xDF"
                                  "e aus K\xF6ln",
                                  "/koeln")),
            "application/rss+xml");
    Fetched("fr.example/a/b",
            "<?xml version=\"1.0\" encoding=\"windows-1252\"?>" + Rss("\x93"
                                                                      "Caf\xE9\x94 \x80 5",
                                                                      "../s?id=5&amp;p=2"),
            "");
    Fetched("pt.example/feed",
            Rss("Not\xC3\xAD"
                "cias",
                "//cdn.example/n"),
            "text/xml; charset=utf-8");
    const std::string page = Digest();
    EXPECT_NE(page.find("<a href=\"http://jp.example/news/1.html\">\xE6\x97\xA5\xE6\x9C\xAC\xE8"
                        "\xAA\x9E\xE3\x81\xAE\xE8\xA8\x98\xE4\xBA\x8B</a>"),
              std::string::npos)
        << page;
    EXPECT_NE(page.find("<a href=\"http://de.example/koeln\">Gr\xC3\xBC\xC3\x9F"
                        "e aus "
                        "K\xC3\xB6ln</a>"),
              std::string::npos);
    EXPECT_NE(page.find("<a href=\"http://fr.example/s?id=5&amp;p=2\">\xE2\x80\x9C"
                        "Caf\xC3\xA9"
                        "\xE2\x80\x9D \xE2\x82\xAC 5</a>"),
              std::string::npos);
    EXPECT_NE(page.find("<a href=\"http://cdn.example/n\">Not\xC3\xAD"
                        "cias</a>"),
              std::string::npos);
    EXPECT_EQ(page.find("<site"), std::string::npos);
}

TEST_F(PreparedCycle, RealFeedsKeepTheirLettersAndLinks) {
    const std::string latin = RealFixture("jn_ultimas_latin1.rss");
    const std::string gulp = RealFixture("github_gulp_releases.atom");
    const std::string heise = RealFixture("heise_developer.atom");
    if (latin.empty() || gulp.empty() || heise.empty())
        GTEST_SKIP() << "real fixtures folder absent";
    Fetched("feeds.jn.pt/JN-ULTIMAS", ReadBytes(latin), "text/xml");
    Fetched("github.com/gulpjs/gulp/releases.atom", ReadBytes(gulp), "application/atom+xml");
    Fetched("www.heise.de/developer/rss/news-atom.xml", ReadBytes(heise),
            "application/atom+xml; charset=utf-8");
    const std::string page = Digest();
    EXPECT_NE(page.find("M\xC3\xA3"
                        "e de utente \xC3\xA9 a nova presidente da Rar\xC3\xADssimas"),
              std::string::npos)
        << page;
    EXPECT_NE(page.find("href=\"http://feeds.jn.pt/~r/JN-ULTIMAS/~3/UBnb8Ra3Q1U/"),
              std::string::npos);
    EXPECT_NE(page.find("href=\"http://github.com/gulpjs/gulp/releases/tag/v3.9.0\""),
              std::string::npos);
    EXPECT_NE(page.find("Microsoft ver\xC3\xB6"
                        "ffentlicht Cordova-Erweiterung"),
              std::string::npos);
}

} // namespace
