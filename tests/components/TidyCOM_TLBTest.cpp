#include "components/TidyCOM_TLB.h"

#include "components/MSXML2_TLB.h"
#include "platform/Errors.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <clocale>
#include <filesystem>

using namespace nimbrel;
using namespace nimbrel::tidycom;
using nimbrel::msxml::XmlDocument;
using nimbrel::test::RepoFixture;
using nimbrel::test::TempProgramFolder;

namespace {

const char* kNbsp = "\xc2\xa0";

// What the display step does with one site's cut file: fixed options in their order, each
// through a freshly obtained option set; the per-site switch; the clean; the <xml> wrapper
// for "addxmltags"; then the parse.
struct Cleaned {
    std::string text;
    XmlDocument doc = XmlDocument::Create();
};

void SetFixedOptions(TidyObject& cleaner) {
    cleaner.options().setSwitch(kFirstFixedSwitch, true);
    cleaner.options().setSwitch(kSecondFixedSwitch, true);
    cleaner.options().setValue(kOptionSetToTwo, 2);
    cleaner.options().setValue(kOptionSetToEight, 8);
}

Cleaned CleanAs(TidyObject& cleaner, const std::string& path, const std::string& type) {
    cleaner.options().setSwitch(kPerSiteSwitch, type != "html");
    Cleaned result;
    result.text = cleaner.cleanFile(path);
    if (type == "addxmltags")
        result.text = "<xml>" + result.text + "</xml>";
    result.doc.loadXML(result.text);
    return result;
}

Cleaned CleanAs(const std::string& path, const std::string& type) {
    auto cleaner = TidyObject::Create();
    SetFixedOptions(*cleaner);
    return CleanAs(*cleaner, path, type);
}

std::string Attribute(const XmlDocument& doc, const std::string& path, const std::string& name) {
    auto node = doc.selectSingleNode(path);
    return node ? node.attributes().getNamedItem(name).text() : "<no node>";
}

TEST(TidyObjectCreate, FailsWithAnErrorWhenTheCleanerIsMissing) {
    SetCleanerAvailableForTesting(false);
    EXPECT_THROW(TidyObject::Create(), Exception);
    SetCleanerAvailableForTesting(true);
    EXPECT_NE(TidyObject::Create(), nullptr);
}

TEST(TidyOptionsSet, RefusesAValueOfTheWrongKind) {
    auto cleaner = TidyObject::Create();
    EXPECT_NO_THROW(SetFixedOptions(*cleaner));
    EXPECT_THROW(cleaner->options().setSwitch(kOptionSetToEight, true), Exception);
}

// ---- the team's own cut files ----------------------------------------------------------------

TEST(TidyClean, HtmlPieceBecomesPlainXmlKeepingItsCharacters) {
    Cleaned c = CleanAs(RepoFixture("components/cut_html_fragment.dat"), "html");
    ASSERT_EQ(c.doc.parseError().reason, "") << c.text;
    EXPECT_EQ(c.doc.documentElement().nodeName(), "html");
    EXPECT_EQ(Attribute(c.doc, "//a", "href"), "item?id=1&x=2");
    EXPECT_EQ(c.doc.selectSingleNode("//a").text(),
              std::string("Caf\xc3\xa9 in Z\xc3\xbcrich \xe2\x80\x94 news") + kNbsp + "today");
    EXPECT_NE(c.doc.documentElement().text().find("AT&T \xc2\xa9 2024"), std::string::npos);
    EXPECT_NE(
        c.text.find("Z\xc3\xbcrich \xe2\x80\x94 caf\xc3\xa9 \xc3\xbc\xe6\x97\xa5\xe6\x9c\xac"),
        std::string::npos)
        << "UTF-8 text passes through as it is";
    EXPECT_EQ(c.doc.selectNodes("//td").length(), 3);
    EXPECT_EQ(c.text.find("&nbsp;"), std::string::npos);
}

TEST(TidyClean, XhtmlPageLosesItsDefaultNamespaceSoPlainNamesMatch) {
    Cleaned c = CleanAs(RepoFixture("components/xhtml_page.dat"), "html");
    ASSERT_EQ(c.doc.parseError().reason, "") << c.text;
    EXPECT_EQ(c.text.find("xmlns=\"http://www.w3.org/1999/xhtml\""), std::string::npos) << c.text;
    EXPECT_EQ(c.doc.selectNodes("//p").length(), 2);
    EXPECT_EQ(c.doc.selectNodes("//*[local-name()='circle']").length(), 1);
    EXPECT_EQ(c.doc.selectNodes("//circle").length(), 0) << "other namespaces stay";
}

TEST(TidyClean, SeveralFeedItemsParseOnceWrapped) {
    Cleaned c = CleanAs(RepoFixture("components/cut_feed_items.dat"), "addxmltags");
    ASSERT_EQ(c.doc.parseError().reason, "") << c.text;
    EXPECT_EQ(c.doc.selectNodes("/xml/item").length(), 3);
    EXPECT_EQ(c.doc.selectSingleNode("//item/title").text(),
              std::string("First & foremost") + kNbsp + "story");
    EXPECT_EQ(c.doc.selectNodes("//item/link").item(0).text(), "http://a.example/1?x=1&y=2");
    EXPECT_NE(c.doc.selectSingleNode("//description").text().find("<p>Some <b>html</b>"),
              std::string::npos)
        << "CDATA content is kept";
    EXPECT_EQ(c.doc.selectNodes("//item/title").item(1).text(), "Zweite Meldung: Gr\xc3\xb6\xc3\x9f"
                                                                "e");
    EXPECT_EQ(c.doc.selectNodes("//html").length(), 0) << "XML input is not made into a page";
}

TEST(TidyClean, PerSiteSwitchIsSetAfreshForEverySite) {
    auto cleaner = TidyObject::Create();
    SetFixedOptions(*cleaner);
    const std::string items = RepoFixture("components/cut_feed_items.dat");
    Cleaned asXml = CleanAs(*cleaner, items, "rss");
    Cleaned asHtml = CleanAs(*cleaner, items, "html");
    Cleaned again = CleanAs(*cleaner, items, "addxmltags");
    EXPECT_NE(asXml.doc.parseError().reason, "") << "three roots without the wrapper";
    EXPECT_EQ(asHtml.doc.documentElement().nodeName(), "html");
    EXPECT_EQ(again.doc.selectNodes("/xml/item").length(), 3);
}

TEST(TidyClean, LegacyLatinBytesKeepTheirCharacters) {
    Cleaned c = CleanAs(RepoFixture("components/cut_latin1_fragment.dat"), "html");
    ASSERT_EQ(c.doc.parseError().reason, "") << c.text;
    EXPECT_EQ(c.doc.selectSingleNode("//a").text(),
              "Not\xc3\xad"
              "cias de S\xc3\xa3o Paulo \xe2\x80\x93 \xc3\xbaltimas");
}

// Whether a text is UTF-8 is judged eight ASCII bytes at a time: a Latin byte or a UTF-8
// letter at any place around those steps is still found.
TEST(TidyClean, TheEncodingIsJudgedWhereverTheFirstNonAsciiByteStands) {
    std::unique_ptr<TidyObject> cleaner = TidyObject::Create();
    TempProgramFolder folder;
    const auto clean = [&](const std::string& text) {
        folder.write("Work/p.dat", text);
        return cleaner->cleanFile(folder.file("Work/p.dat"));
    };
    for (size_t at = 0; at < 20; ++at) {
        const std::string before(at, 'a');
        const std::string latin = clean("<p>" + before + "\xe9" + "zz</p>");
        EXPECT_NE(latin.find(before + "\xc3\xa9zz"), std::string::npos) << "Latin, at " << at;
        const std::string utf8 = clean("<p>" + before + "\xc3\xa9" + "zz</p>");
        EXPECT_NE(utf8.find(before + "\xc3\xa9zz"), std::string::npos) << "UTF-8, at " << at;
        const std::string cut = clean("<p>" + before + "\xc3</p>");
        EXPECT_NE(cut.find(before + "\xc3\x83"), std::string::npos) << "cut short, at " << at;
    }
}

TEST(TidyClean, BrokenXmlPiecesAreRepairedIntoWellFormedText) {
    Cleaned c = CleanAs(RepoFixture("components/cut_broken_items.dat"), "addxmltags");
    EXPECT_EQ(c.doc.parseError().reason, "") << c.text;
    EXPECT_NE(c.doc.documentElement().text().find("Unclosed"), std::string::npos);
}

TEST(TidyClean, ADeclarationNamingAnotherEncodingIsDropped) {
    TempProgramFolder folder;
    folder.write("Work/feed.dat",
                 "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\r\n<rss><t>S\xe3o</t></rss>");
    Cleaned c = CleanAs(folder.file("Work/feed.dat"), "rss");
    ASSERT_EQ(c.doc.parseError().reason, "") << c.text;
    EXPECT_EQ(c.doc.selectSingleNode("//t").text(), "S\xc3\xa3o");
    EXPECT_EQ(c.text.find("<?xml"), std::string::npos);
}

// ---- files that are not pages ----------------------------------------------------------------

TEST(TidyClean, MissingEmptyAndBinaryFilesGiveATextNeverACrash) {
    TempProgramFolder folder;
    auto cleaner = TidyObject::Create();
    SetFixedOptions(*cleaner);
    EXPECT_EQ(cleaner->cleanFile(folder.file("Work/absent.dat")), "");
    EXPECT_EQ(cleaner->cleanFile(folder.file("Work")), "") << "a folder is no file";

    folder.write("Work/empty.dat", "");
    EXPECT_EQ(CleanAs(*cleaner, folder.file("Work/empty.dat"), "html").doc.parseError().reason, "");
    EXPECT_EQ(
        CleanAs(*cleaner, folder.file("Work/empty.dat"), "addxmltags").doc.parseError().reason, "");

    std::string binary;
    for (int i = 0; i < 65536; ++i)
        binary += static_cast<char>((i * 2654435761u) >> 13);
    folder.write("Work/binary.dat", binary);
    for (const char* type : {"html", "rss", "addxmltags"})
        CleanAs(*cleaner, folder.file("Work/binary.dat"), type); // must simply return

    folder.write("Work/controls.dat", std::string("<p>a\x01\x1b\x00z</p>", 11));
    Cleaned c = CleanAs(*cleaner, folder.file("Work/controls.dat"), "html");
    EXPECT_EQ(c.doc.parseError().reason, "") << c.text;
    EXPECT_EQ(c.doc.selectSingleNode("//p").text(), "az");
}

TEST(TidyClean, ACutFileThatCannotBeReadRaises) {
    TempProgramFolder folder;
    auto cleaner = TidyObject::Create();
    std::filesystem::create_symlink("/proc/self/mem", folder.file("Work/unreadable.dat"));
    EXPECT_THROW(cleaner->cleanFile(folder.file("Work/unreadable.dat")), EInOutError);
}

// The cleaner's language is chosen for it: it never sets the whole process's locale from the
// environment (the tests run with LC_ALL=C.UTF-8), which would change how every thread formats
// numbers.
TEST(TidyClean, CleaningLeavesTheProcesssLocaleAlone) {
    TempProgramFolder folder;
    const std::string before = std::setlocale(LC_ALL, nullptr);
    folder.write("Work/page.dat", "<p>1.5</p>");
    auto cleaner = TidyObject::Create();
    SetFixedOptions(*cleaner);
    EXPECT_NE(CleanAs(*cleaner, folder.file("Work/page.dat"), "html").text.find("1.5"),
              std::string::npos);
    EXPECT_EQ(std::setlocale(LC_ALL, nullptr), before);
}

// ---- real pages ------------------------------------------------------------------------------

TEST(TidyCleanRealPages, EveryPageCleansIntoXmlThatParses) {
    const std::filesystem::path folder = NIMBREL_REAL_FIXTURES;
    if (!std::filesystem::is_directory(folder))
        GTEST_SKIP() << "no real page fixtures at " << folder;
    int pages = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        const std::string ext = entry.path().extension().string();
        if (ext != ".html" && ext != ".rss" && ext != ".atom")
            continue;
        ++pages;
        const std::string type = ext == ".html" ? "html" : "rss";
        Cleaned c = CleanAs(entry.path().string(), type);
        SCOPED_TRACE(entry.path().filename().string());
        EXPECT_EQ(c.doc.parseError().reason, "");
        EXPECT_EQ(c.text.find("xmlns=\"http://www.w3.org/1999/xhtml\""), std::string::npos);
        if (type == "html")
            EXPECT_EQ(c.doc.selectNodes("//body").length(), 1);
        else
            EXPECT_FALSE(c.doc.documentElement().isNull());
    }
    EXPECT_GT(pages, 0);
}

TEST(TidyCleanRealPages, NonAsciiTextSurvives) {
    struct Case {
        const char* file;
        const char* type;
        const char* expected;
    };
    for (const Case& k :
         {Case{"wikipedia_ja_main.html", "html",
               "\xe3\x83\xa1\xe3\x82\xa4\xe3\x83\xb3\xe3\x83\x9a\xe3\x83\xbc\xe3\x82\xb8"},
          Case{"jn_ultimas_latin1.rss", "rss",
               "Jornal de Not\xc3\xad"
               "cias"},
          Case{"heise_developer.atom", "rss", "\xc3\xbc"}}) {
        const std::string path = nimbrel::test::RealFixture(k.file);
        if (path.empty())
            GTEST_SKIP() << "no real page fixtures";
        Cleaned c = CleanAs(path, k.type);
        ASSERT_EQ(c.doc.parseError().reason, "") << k.file;
        EXPECT_NE(c.doc.documentElement().text().find(k.expected), std::string::npos) << k.file;
    }
}

} // namespace
