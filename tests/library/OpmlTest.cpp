// OPML in and out: feeds of nested folders land in their folder's category, addresses the
// library holds are skipped, bad files change nothing, and what is exported imports again.
#include "library/Opml.h"
#include "library/LibraryFile.h"
#include "platform/Errors.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

using namespace nimbrel;
using namespace nimbrel::test;

namespace {

const char* const kLibrary = "<Library>\n  <Category Name=\"News\">\n    <site Name=\"Known\" "
                             "URL=\"http://known.example/rss\" Type=\"rss\" "
                             "StyleSheet=\"feed.xslt\" RipFile=\"feed.xml\"/>\n"
                             "    <site Name=\"Page\" URL=\"page.example/\" Type=\"html\" "
                             "StyleSheet=\"p.xslt\" RipFile=\"p.xml\"/>\n"
                             "  </Category>\n</Library>\n";

// Folders inside folders, a feed outside any folder, one the library holds, one listed twice,
// a name the category holds, a title with a line break, and an old feed:// address.
const char* const kOpml = R"(<?xml version="1.0"?>
<opml version="2.0"><head><title>Mine</title></head><body>
  <outline text="Loose" xmlUrl="http://loose.example/feed"/>
  <outline text="Tech" title="Technology">
    <outline text="Deep">
      <outline title="Kernel&#10;News" text="ignored" xmlUrl="http://kernel.example/rss"/>
    </outline>
    <outline text="Known again" xmlUrl="HTTP://KNOWN.example/rss"/>
    <outline text="Lobsters" xmlUrl="feed://lobsters.example/rss"/>
  </outline>
  <outline text="News">
    <outline text="Known" xmlUrl="http://other.example/rss"/>
    <outline text="Twice" xmlUrl="http://lobsters.example/rss"/>
  </outline>
</body></opml>)";

class OpmlTest : public ::testing::Test {
  protected:
    void SetUp() override {
        folder.write("Categories.xml", kLibrary);
        folder.write("setup.nml", "News->Known\r\n\r\n");
    }
    std::string Write(const std::string& name, const std::string& text) {
        folder.write(name, text);
        return folder.file(name);
    }
    TempProgramFolder folder;
};

TEST_F(OpmlTest, ImportPlacesFeedsByFolderAndSkipsKnownAddresses) {
    const OpmlImport imported = ImportOpml(Write("in.opml", kOpml), "Fallback");
    const std::vector<std::string> expected = {"Fallback->Loose", "Deep->Kernel News",
                                               "Technology->Lobsters", "News->Known (2)"};
    EXPECT_EQ(imported.added, expected);
    EXPECT_EQ(imported.skipped, 2u) << "the known address and the second lobsters";
    EXPECT_EQ(folder.read("setup.nml"), "News->Known\r\nFallback->Loose\r\nDeep->Kernel News\r\n"
                                        "Technology->Lobsters\r\nNews->Known (2)\r\n\r\n");
    const std::string library = folder.read("Categories.xml");
    EXPECT_NE(library.find("<site Name=\"Lobsters\" URL=\"http://lobsters.example/rss\" "
                           "Type=\"rss\" StyleSheet=\"feed.xslt\" RipFile=\"feed.xml\"/>"),
              std::string::npos)
        << library;
    EXPECT_NE(folder.read("setup.xml").find("URL=\"http://other.example/rss\""), std::string::npos);
    // Everything is known now: a second import adds nothing and writes nothing.
    const OpmlImport again = ImportOpml(folder.file("in.opml"), "Fallback");
    EXPECT_TRUE(again.added.empty());
    EXPECT_EQ(again.skipped, 6u);
    EXPECT_EQ(folder.read("Categories.xml"), library);
}

TEST_F(OpmlTest, BadFilesSayWhyAndChangeNothing) {
    struct Case {
        const char* text;
        const char* says;
    } cases[] = {
        {"<opml><body><outline text=\"a\" xmlUrl=\"http://a/\"></body></opml>", ", line 1:"},
        {"<rss><channel/></rss>", "is not an OPML file"},
        {"<opml><body><outline text=\"Folder\"><outline text=\"no feed\"/></outline></body>"
         "</opml>",
         "holds no feeds"},
        {"", "does not parse"},
        {"<!DOCTYPE opml [<!ENTITY a \"http://a/\">]><opml><body><outline xmlUrl=\"&a;\"/>"
         "</body></opml>",
         "declares entities"},
    };
    for (const Case& c : cases) {
        try {
            ImportOpml(Write("bad.opml", c.text), "X");
            ADD_FAILURE() << "imported " << c.text;
        } catch (const Exception& error) {
            EXPECT_NE(error.message().find(c.says), std::string::npos) << error.message();
        }
        EXPECT_EQ(folder.read("Categories.xml"), kLibrary);
        EXPECT_EQ(folder.read("setup.nml"), "News->Known\r\n\r\n");
    }
    EXPECT_THROW(ImportOpml(folder.file("missing.opml"), "X"), Exception);
}

TEST_F(OpmlTest, ExportWritesTheSelectionThatImportsAgainWholePagesIncluded) {
    folder.write("Rip/p.xml", "<Rules/>");
    folder.write("stylesheets/p.xslt", "<x/>");
    folder.write("setup.nml", "News->Known\r\nNews->Page\r\nNews->Known\r\nGone->Site\r\n\r\n");
    const OpmlExport exported = ExportSelectionOpml(folder.file("out.opml"));
    EXPECT_EQ(exported.written, 2u);
    EXPECT_EQ(exported.missing, 1u);
    const std::string opml = folder.read("out.opml");
    EXPECT_NE(opml.find("<opml xmlns:nimbrel=\"https://nimbrel.example.org/ns/opml\" "
                        "version=\"2.0\">"),
              std::string::npos)
        << opml;
    EXPECT_NE(opml.find("<outline text=\"News\" title=\"News\">"), std::string::npos);
    EXPECT_NE(opml.find("<outline type=\"rss\" text=\"Known\" title=\"Known\" "
                        "xmlUrl=\"http://known.example/rss\" nimbrel:type=\"rss\" "
                        "nimbrel:ripFile=\"feed.xml\" nimbrel:styleSheet=\"feed.xslt\"/>"),
              std::string::npos);
    EXPECT_NE(opml.find("<outline type=\"link\" text=\"Page\" title=\"Page\" "
                        "url=\"http://page.example/\" nimbrel:type=\"html\" "
                        "nimbrel:ripFile=\"p.xml\" nimbrel:styleSheet=\"p.xslt\"/>"),
              std::string::npos);

    // Into a library without them: every site comes back, the page with its rule.
    folder.write("Categories.xml", "<Library/>");
    folder.write("setup.nml", "\r\n");
    const OpmlImport imported = ImportOpml(folder.file("out.opml"), "X");
    EXPECT_EQ(imported.added, (std::vector<std::string>{"News->Known", "News->Page"}));
    EXPECT_TRUE(imported.leftOut.empty());
    EXPECT_NE(folder.read("Categories.xml")
                  .find("<site Name=\"Page\" URL=\"http://page.example/\" Type=\"html\" "
                        "StyleSheet=\"p.xslt\" RipFile=\"p.xml\"/>"),
              std::string::npos)
        << folder.read("Categories.xml");
    // Into the same folder again: everything is there, nothing changes.
    const std::string library = folder.read("Categories.xml");
    const OpmlImport again = ImportOpml(folder.file("out.opml"), "X");
    EXPECT_TRUE(again.added.empty() && again.selected.empty());
    EXPECT_EQ(again.skipped, 2u);
    EXPECT_EQ(folder.read("Categories.xml"), library);
}

// Each outline that cannot be used is left out with its name and reason; the rest come in.
TEST_F(OpmlTest, OutlinesThatCannotBeUsedAreListedAndTheOthersImported) {
    folder.write("Rip/mine.xml", "<Rules/>");
    const std::string ns = "xmlns:n=\"https://nimbrel.example.org/ns/opml\"";
    const std::string opml =
        "<opml " + ns +
        "><body>"
        "<outline text=\"a->b\"><outline text=\"Arrow\" xmlUrl=\"http://arrow.example/\"/>"
        "</outline>"
        "<outline text=\"del\x7f\"><outline text=\"Del\" xmlUrl=\"http://del.example/\"/>"
        "</outline>"
        "<outline text=\"Script\" xmlUrl=\"javascript:alert(1)\"/>"
        "<outline text=\"Data\" xmlUrl=\"data:text/xml,&lt;rss/&gt;\"/>"
        "<outline text=\"Plain page\" type=\"link\" url=\"http://plain.example/\"/>"
        "<outline text=\"Lost rule\" type=\"link\" url=\"http://lost.example/\" "
        "n:ripFile=\"gone.xml\" n:styleSheet=\"feed.xslt\"/>"
        "<outline text=\"No sheet\" type=\"link\" url=\"http://sheet.example/\" "
        "n:ripFile=\"mine.xml\" n:styleSheet=\"gone.xslt\"/>"
        "<outline text=\"Empty\"/>"
        "<outline text=\"Good\" xmlUrl=\"http://good.example/\"/>"
        "</body></opml>";
    folder.write("Rip/feed.xml", "<Rules/>");
    folder.write("stylesheets/feed.xslt", "<x/>");
    const OpmlImport imported = ImportOpml(Write("in.opml", opml), "Loose");
    EXPECT_EQ(imported.added, std::vector<std::string>{"Loose->Good"});
    const std::vector<std::pair<std::string, std::string>> expected = {
        {"Arrow", "its folder \"a->b\" cannot be a category"},
        {"Del", "its folder \"del\x7f\" cannot be a category"},
        {"Script", "Only http and https addresses"},
        {"Data", "Only http and https addresses"},
        {"Plain page", "a web page, not a feed"},
        {"Lost rule", "rule file \"gone.xml\" is not in the folder Rip"},
        {"No sheet", "stylesheet \"gone.xslt\" is not in the folder stylesheets"},
        {"Empty", "names no feed or page address"},
    };
    ASSERT_EQ(imported.leftOut.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(imported.leftOut[i].name, expected[i].first);
        EXPECT_NE(imported.leftOut[i].reason.find(expected[i].second), std::string::npos)
            << imported.leftOut[i].reason;
    }
    EXPECT_EQ(folder.read("Categories.xml").find("javascript"), std::string::npos);
}

// An import a kill cut short, or sites the library held before: running it again puts every
// address of the file into the selection, using the library's own entries.
TEST_F(OpmlTest, ImportingAgainSelectsWhatTheLibraryHeldButTheSelectionLacked) {
    folder.write("setup.nml", "\r\n");
    const std::string name(300, 'n');
    const OpmlImport imported =
        ImportOpml(Write("in.opml", "<opml><body><outline text=\"Known\" "
                                    "xmlUrl=\"http://known.example/rss\"/><outline text=\"" +
                                        name +
                                        "\" xmlUrl=\"http://long.example/\"/>"
                                        "</body></opml>"),
                   "Loose");
    EXPECT_EQ(imported.selected, std::vector<std::string>{"News->Known"});
    EXPECT_EQ(imported.added, std::vector<std::string>{"Loose->" + std::string(200, 'n')})
        << "a name taken from a file is cut at 200 characters";
    EXPECT_EQ(folder.read("setup.nml"),
              "News->Known\r\nLoose->" + std::string(200, 'n') + "\r\n\r\n");
}

TEST_F(OpmlTest, ExportNeedsASelection) {
    std::remove(folder.file("setup.nml").c_str());
    EXPECT_THROW(ExportSelectionOpml(folder.file("out.opml")), Exception);
    EXPECT_FALSE(folder.exists("out.opml"));
}

} // namespace
