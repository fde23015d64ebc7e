#include "library/SelectionXml.h"
#include "pipeline/LibraryDocument.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

using namespace nimbrel;
using namespace nimbrel::test;
using msxml::XmlDocument;

namespace {

// Two categories share the site name "Weather"; names with quotes, apostrophes and arrows.
const char* const kLibrary = R"(<Library>
  <Category Name="News">
    <site Name="Daily" URL="news.example/daily" Type="html" StyleSheet="daily.xsl" RipFile="daily.xml"/>
    <site Name="Weather" URL="news.example/weather" Type="html" StyleSheet="w1.xsl" RipFile="w1.xml"/>
  </Category>
  <Category Name="Local">
    <site Name="Weather" URL="local.example/weather" Type="addxmltags" StyleSheet="w2.xsl" RipFile="w2.xml"><Note>kept</Note></site>
    <site Name="Joe's &quot;Best&quot; Deals" URL="deals.example" Type="html" StyleSheet="d.xsl" RipFile="d.xml"/>
    <site Name="A->B" URL="arrow.example" Type="html" StyleSheet="a.xsl" RipFile="a.xml"/>
  </Category>
  <Category Name="It's &quot;here&quot;">
    <site Name="Quoted" URL="quoted.example" Type="html" StyleSheet="q.xsl" RipFile="q.xml"/>
  </Category>
  <Category Name="X->Y">
    <site Name="Z" URL="xyz.example" Type="html" StyleSheet="z.xsl" RipFile="z.xml"/>
  </Category>
  <Group><Category Name="Nested"><site Name="Deep" URL="deep.example"/></Category></Group>
</Library>)";

class LibraryLookup : public ::testing::Test {
  protected:
    void SetUp() override {
        library.loadXML(kLibrary);
        ASSERT_EQ(library.parseError().reason, "");
    }
    std::string urlOf(const std::string& entry) {
        XmlDocument cell = XmlDocument::Create();
        cell.loadXML(ReturnSiteXML(library, entry));
        if (!cell.parseError().reason.empty() || cell.documentElement().nodeName() != "site")
            return "<none>";
        return AttributeText(cell.documentElement(), "URL");
    }
    TempProgramFolder folder;
    XmlDocument library = XmlDocument::Create();
};

} // namespace

TEST_F(LibraryLookup, ReturnsTheWholeSiteElementWithItsChildren) {
    const std::string markup = ReturnSiteXML(library, "Local->Weather");
    EXPECT_NE(markup.find("<site "), std::string::npos) << markup;
    EXPECT_NE(markup.find("RipFile=\"w2.xml\""), std::string::npos) << markup;
    EXPECT_NE(markup.find("<Note>kept</Note>"), std::string::npos) << markup;
}

// The named category's own site first; a site that has moved on is found in its new place (the
// first of that name), as long as the named category still exists.
TEST_F(LibraryLookup, SiteIsTakenFromItsCategoryOrFromWhereItMoved) {
    const std::pair<const char*, const char*> cases[] = {
        {"News->Weather", "news.example/weather"},
        {"Local->Weather", "local.example/weather"},
        {"News->Quoted", "quoted.example"},
        {"Local->Daily", "news.example/daily"},
        {"Nested->Weather", "news.example/weather"},
        {"Sports->Daily", "<none>"},
        {"News->Gone", "<none>"},
    };
    for (const auto& [entry, url] : cases)
        EXPECT_EQ(urlOf(entry), url) << entry;
}

TEST_F(LibraryLookup, QuotesAndApostrophesInNamesAreLookedUp) {
    EXPECT_EQ(urlOf("Local->Joe's \"Best\" Deals"), "deals.example");
    EXPECT_EQ(urlOf("It's \"here\"->Quoted"), "quoted.example");
    // Text that would end an XPath string literal and continue the expression stays a name.
    EXPECT_EQ(ReturnSiteXML(library, "News->\"] | //site[@Name=\"Daily"), "<Error/>");
    EXPECT_EQ(ReturnSiteXML(library, "News->' or '1'='1"), "<Error/>");
}

TEST_F(LibraryLookup, MissingCategoryOrSiteGivesError) {
    EXPECT_EQ(ReturnSiteXML(library, "Sports->Daily"), "<Error/>");
    EXPECT_EQ(ReturnSiteXML(library, "News->Gone"), "<Error/>");
    EXPECT_EQ(ReturnSiteXML(library, ""), "<Error/>");
    EXPECT_EQ(ReturnSiteXML(library, "news->daily"), "<Error/>") << "names are exact";
}

TEST_F(LibraryLookup, SplitsAtTheFirstArrow) {
    EXPECT_EQ(urlOf("Local->A->B"), "arrow.example");
    // "X->Y->Z" names category "X" and site "Y->Z": a category whose own name holds an arrow
    // cannot be reached.
    EXPECT_EQ(ReturnSiteXML(library, "X->Y->Z"), "<Error/>");
}

TEST_F(LibraryLookup, CategoriesAnywhereInTheDocumentAreFound) {
    EXPECT_EQ(urlOf("Nested->Deep"), "deep.example");
}

TEST_F(LibraryLookup, EntryWithoutArrowOnlyMatchesACategoryWithAnEmptyName) {
    EXPECT_EQ(ReturnSiteXML(library, "Daily"), "<Error/>");
    XmlDocument withEmpty = XmlDocument::Create();
    withEmpty.loadXML("<L><Category><site Name=\"Daily\" URL=\"unnamed\"/></Category>"
                      "<Category Name=\"\"><site Name=\"Daily\" URL=\"empty\"/></Category></L>");
    const std::string markup = ReturnSiteXML(withEmpty, "Daily");
    EXPECT_NE(markup.find("URL=\"empty\""), std::string::npos) << markup;
}

TEST_F(LibraryLookup, CategoryNamedTwiceIsSearchedInDocumentOrder) {
    XmlDocument twice = XmlDocument::Create();
    twice.loadXML("<L><Category Name=\"N\"><site Name=\"A\" URL=\"first-a\"/></Category>"
                  "<Category Name=\"N\"><site Name=\"A\" URL=\"second-a\"/>"
                  "<site Name=\"B\" URL=\"second-b\"/></Category></L>");
    EXPECT_NE(ReturnSiteXML(twice, "N->A").find("first-a"), std::string::npos);
    EXPECT_NE(ReturnSiteXML(twice, "N->B").find("second-b"), std::string::npos)
        << "every site the tree shows under that name can be looked up";
}

TEST_F(LibraryLookup, EmptyLibraryFindsNothing) {
    XmlDocument empty = XmlDocument::Create();
    EXPECT_EQ(ReturnSiteXML(empty, "News->Daily"), "<Error/>");
}

TEST_F(LibraryLookup, TreeListsCategoriesInOrderWithTheirDirectSites) {
    const std::vector<LibraryCategory> tree = ReadLibraryTree(library);
    ASSERT_EQ(tree.size(), 5u);
    EXPECT_EQ(tree[0].name, "News");
    using Sites = std::vector<LibraryTreeSite>;
    EXPECT_EQ(tree[0].sites,
              (Sites{{"Daily", "news.example/daily"}, {"Weather", "news.example/weather"}}));
    EXPECT_EQ(tree[1].sites, (Sites{{"Weather", "local.example/weather"},
                                    {"Joe's \"Best\" Deals", "deals.example"},
                                    {"A->B", "arrow.example"}}));
    EXPECT_EQ(tree[2].name, "It's \"here\"");
    EXPECT_EQ(tree[4].name, "Nested");
    EXPECT_EQ(tree[4].sites, (Sites{{"Deep", "deep.example"}}));
}

TEST(LibraryFile, MissingLibraryGivesTheReinstallMessage) {
    TempProgramFolder folder;
    XmlDocument library = XmlDocument::Create();
    const LibraryLoad load = LoadWebPageLibrary(library);
    EXPECT_EQ(load.state, LibraryState::Missing);
    EXPECT_EQ(load.message, "Categories.xml could not be found, please reinstall Nimbrel");
    EXPECT_TRUE(ReadLibraryTree(library).empty());
}

// A typo in the user's library: the message names the file and the line, and says the file is
// theirs to correct (installing never overwrites an edited library, so "reinstall" would not help).
TEST(LibraryFile, MalformedLibrarySaysWhichFileAndLineAndThatItCanBeEdited) {
    TempProgramFolder folder;
    folder.write("Categories.xml", "<Library>\n<Category Name=\"News\">\n<site Name=\"A\">\n"
                                   "</Category>\n</Library>\n");
    XmlDocument library = XmlDocument::Create();
    const LibraryLoad load = LoadWebPageLibrary(library);
    EXPECT_EQ(load.state, LibraryState::Unreadable);
    EXPECT_EQ(load.message.rfind("Categories.xml could not be read: ", 0), 0u) << load.message;
    EXPECT_NE(load.message.find("(line 4)"), std::string::npos) << load.message;
    EXPECT_NE(load.message.find(folder.path() + "/Categories.xml can be edited"), std::string::npos)
        << load.message;
    EXPECT_EQ(load.message.find("reinstall"), std::string::npos) << load.message;
    EXPECT_TRUE(ReadLibraryTree(library).empty());
    EXPECT_EQ(ReturnSiteXML(library, "News->A"), "<Error/>");
}

TEST(LibraryFile, GoodLibraryLoads) {
    TempProgramFolder folder;
    folder.write("Categories.xml", kLibrary);
    XmlDocument library = XmlDocument::Create();
    EXPECT_EQ(LoadWebPageLibrary(library).state, LibraryState::Loaded);
    EXPECT_EQ(ReadLibraryTree(library).size(), 5u);
}
