// The shipped library (data/): every entry names files that exist and load, every rule file
// starts the way the cutter needs, every stylesheet makes a block even from an empty
// document, and the layout stylesheet makes the digest page the display step fills.
#include "components/MSXML2_TLB.h"
#include "platform/Convert.h"
#include "platform/Files.h"

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <vector>

using namespace nimbrel;
using namespace nimbrel::msxml;

namespace {

const std::string kData = std::string(NIMBREL_SOURCE_DIR) + "/data/";

struct LibrarySite {
    std::string category, name, url, type, styleSheet, ripFile;
};

std::string Attribute(const XmlNode& element, const std::string& name) {
    XmlNode attribute = element.attributes().getNamedItem(name);
    return attribute ? attribute.text() : std::string();
}

std::vector<LibrarySite> LoadLibrary() {
    XmlDocument library = XmlDocument::Create();
    library.load(kData + "Categories.xml");
    EXPECT_EQ(library.parseError().reason, "");
    std::vector<LibrarySite> sites;
    XmlNodeList categories = library.selectNodes("//Category");
    for (long c = 0; c < categories.length(); ++c) {
        XmlNode category = categories.item(c);
        XmlNodeList entries = category.selectNodes("site");
        for (long s = 0; s < entries.length(); ++s) {
            XmlNode site = entries.item(s);
            sites.push_back({Attribute(category, "Name"), Attribute(site, "Name"),
                             Attribute(site, "URL"), Attribute(site, "Type"),
                             Attribute(site, "StyleSheet"), Attribute(site, "RipFile")});
        }
    }
    return sites;
}

XmlDocument Loaded(const std::string& path) {
    XmlDocument doc = XmlDocument::Create();
    doc.load(path);
    EXPECT_EQ(doc.parseError().reason, "") << path;
    return doc;
}

TEST(LibraryData, OffersEnoughSitesInEnoughCategories) {
    std::vector<LibrarySite> sites = LoadLibrary();
    std::set<std::string> categories;
    std::map<std::string, int> types;
    for (const LibrarySite& site : sites) {
        categories.insert(site.category);
        ++types[LowerAscii(site.type)];
    }
    EXPECT_GE(sites.size(), 40u);
    EXPECT_GE(categories.size(), 6u);
    EXPECT_GT(types["html"], 0) << "a few plain pages besides the feeds";
    for (const auto& [type, count] : types)
        EXPECT_TRUE(type == "rss" || type == "atom" || type == "html" || type == "addxmltags")
            << "unknown Type " << type;
}

TEST(LibraryData, EveryEntryIsCompleteAndItsFilesExist) {
    for (const LibrarySite& site : LoadLibrary()) {
        SCOPED_TRACE(site.category + "->" + site.name);
        EXPECT_FALSE(site.name.empty());
        EXPECT_EQ(site.name.find("->"), std::string::npos) << "the entry could not be split";
        EXPECT_TRUE(site.url.rfind("https://", 0) == 0 || site.url.rfind("http://", 0) == 0)
            << site.url;
        EXPECT_TRUE(FileExists(kData + "Rip/" + site.ripFile)) << site.ripFile;
        EXPECT_TRUE(FileExists(kData + "stylesheets/" + site.styleSheet)) << site.styleSheet;
    }
}

// The selection lookup finds a site by name anywhere in the library, so a second site of the
// same name could never be chosen: it would silently bring the first one instead.
TEST(LibraryData, SiteNamesAreUniqueAcrossCategories) {
    std::set<std::string> names;
    for (const LibrarySite& site : LoadLibrary())
        EXPECT_TRUE(names.insert(site.name).second) << "duplicate site name " << site.name;
}

// The digest page writes each URL as an attribute, escaping &, <, > and quotes; the block
// is put in place by matching the URL as written in the library, so such characters in a
// URL would leave the site's column empty.
TEST(LibraryData, UrlsSurviveThePlaceholderUnchanged) {
    for (const LibrarySite& site : LoadLibrary())
        EXPECT_EQ(site.url.find_first_of("&<>\"' "), std::string::npos) << site.url;
}

// The cutter takes the document's first child as the first command or the root holding
// them: a declaration or a comment in front makes the rule cut nothing. The integer
// settings must convert, or the cut stops with a conversion error.
TEST(LibraryData, RuleFilesStartWithTheirRootAndHoldWellFormedCommands) {
    std::set<std::string> ripFiles;
    for (const LibrarySite& site : LoadLibrary())
        ripFiles.insert(site.ripFile);
    for (const std::string& file : ripFiles) {
        SCOPED_TRACE(file);
        XmlDocument rule = Loaded(kData + "Rip/" + file);
        ASSERT_TRUE(rule.firstChild());
        EXPECT_EQ(rule.firstChild().raw(), rule.documentElement().raw())
            << "the file must begin with its root element";
        XmlNodeList commands = rule.selectNodes("//Command");
        ASSERT_GT(commands.length(), 0);
        for (long i = 0; i < commands.length(); ++i) {
            XmlNode command = commands.item(i);
            EXPECT_EQ(Attribute(command, "Name"), "append");
            EXPECT_NO_THROW(StrToInt(Trim(Attribute(command, "Specific"))));
            for (const char* tag : {"StartTag", "EndTag"}) {
                XmlNode marker = command.selectSingleNode(tag);
                ASSERT_TRUE(marker) << tag;
                EXPECT_FALSE(Trim(marker.text()).empty()) << tag << " is never found when empty";
                EXPECT_NO_THROW(StrToInt(Trim(Attribute(marker, "ReverseLTags"))));
                EXPECT_NO_THROW(StrToInt(Trim(Attribute(marker, "SkipSimilar"))));
            }
        }
    }
}

// A site whose cleaned text does not parse is transformed from an empty document: the
// stylesheet must still give a block, not an error that would stop the whole digest.
TEST(LibraryData, StylesheetsMakeABlockEvenFromAnEmptyDocument) {
    std::set<std::string> styleSheets;
    for (const LibrarySite& site : LoadLibrary())
        styleSheets.insert(site.styleSheet);
    for (const std::string& file : styleSheets) {
        SCOPED_TRACE(file);
        XmlDocument stylesheet = Loaded(kData + "stylesheets/" + file);
        XmlDocument empty = XmlDocument::Create();
        std::string block;
        ASSERT_NO_THROW(block = empty.transformNode(stylesheet));
        EXPECT_NE(block.find("<div class=\"site\">"), std::string::npos) << block;
        EXPECT_NE(block.find("Nothing to show"), std::string::npos) << block;
    }
}

std::string Layout(const std::string& selection) {
    XmlDocument doc = XmlDocument::Create();
    doc.loadXML(selection);
    EXPECT_EQ(doc.parseError().reason, "");
    return doc.transformNode(Loaded(kData + "setup.xslt"));
}

TEST(LibraryData, LayoutPutsOnePlaceholderColumnPerSiteInSelectionOrder) {
    const std::string page =
        Layout("<Layout><table><tr>"
               "<td><site Name=\"B\" URL=\"https://b.example/feed\" Type=\"rss\"/></td>"
               "<td><Error/></td>"
               "<td><site Name=\"A\" URL=\"https://a.example/\" Type=\"html\"/></td>"
               "</tr></table></Layout>");
    const size_t b = page.find("<site URL=\"https://b.example/feed\"></site>");
    const size_t a = page.find("<site URL=\"https://a.example/\"></site>");
    ASSERT_NE(b, std::string::npos) << page;
    ASSERT_NE(a, std::string::npos) << page;
    EXPECT_LT(b, a);
    EXPECT_LT(page.find("<table"), b) << "the placeholders stand inside the first table";
    EXPECT_NE(page.find("<td class=\"column\" width=\"308\""), std::string::npos);
    EXPECT_EQ(page.find("No sites chosen yet"), std::string::npos);
}

TEST(LibraryData, LayoutIsUtf8AndLetsNoScriptRun) {
    const std::string page = Layout("<Layout><table><tr></tr></table></Layout>");
    EXPECT_NE(page.find("<meta charset=\"utf-8\">"), std::string::npos) << page.substr(0, 400);
    const size_t csp = page.find("Content-Security-Policy");
    ASSERT_NE(csp, std::string::npos);
    const std::string policy = page.substr(csp, page.find('>', csp) - csp);
    EXPECT_NE(policy.find("script-src 'none'"), std::string::npos) << policy;
    EXPECT_NE(policy.find("img-src https: http: data:"), std::string::npos) << policy;
    EXPECT_NE(page.find("prefers-color-scheme: dark"), std::string::npos);
    EXPECT_NE(page.find("No sites chosen yet"), std::string::npos) << "an empty selection says so";
    EXPECT_EQ(page.find("<script"), std::string::npos);
}

TEST(LibraryData, LayoutStylesheetHoldsTheTableWhoseWidthTheProgramSets) {
    XmlDocument layout = Loaded(kData + "setup.xslt");
    XmlNode table = layout.selectSingleNode("//table");
    ASSERT_TRUE(table);
    EXPECT_TRUE(table.attributes().getNamedItem("width")) << "the program rewrites this width";
}

} // namespace
