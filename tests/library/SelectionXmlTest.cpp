#include "library/SelectionXml.h"
#include "library/SelectionList.h"
#include "library/SiteList.h"
#include "platform/Errors.h"
#include "support/TestSupport.h"

#include <filesystem>
#include <gtest/gtest.h>

using namespace nimbrel;
using namespace nimbrel::test;
using msxml::XmlDocument;

namespace {

const char* const kLibrary = R"(<Library>
  <Category Name="News">
    <site Name="Daily" URL="http://news.example/daily" Type="html" StyleSheet="daily.xsl" RipFile="daily.xml"/>
    <site Name="Weather" URL="news.example/weather" Type="HTML" StyleSheet="w1.xsl" RipFile="w1.xml"/>
  </Category>
  <Category Name="Local">
    <site Name="Weather" URL="local.example/weather" Type="addxmltags" StyleSheet="w2.xsl" RipFile="w2.xml" Extra="e"/>
  </Category>
</Library>)";

class SelectionXml : public ::testing::Test {
  protected:
    void SetUp() override {
        library.loadXML(kLibrary);
        ASSERT_EQ(library.parseError().reason, "");
    }
    std::vector<std::string> urls() {
        std::vector<std::string> result;
        for (const Site& site : LoadSiteList(folder.file("setup.xml")).sites)
            result.push_back(site.URL);
        return result;
    }
    TempProgramFolder folder;
    XmlDocument library = XmlDocument::Create();
    XmlDocument selection = XmlDocument::Create();
};

} // namespace

TEST_F(SelectionXml, TextIsOneRowWithACellPerEntry) {
    EXPECT_EQ(BuildSelectionXml(library, {"Nowhere->x", "News->Gone"}),
              "<Layout><table><tr><td><Error/></td><td><Error/></td></tr></table></Layout>");
}

TEST_F(SelectionXml, EmptyListWritesARowWithoutCells) {
    WriteSelection(library, {}, selection);
    EXPECT_EQ(folder.read("setup.nml"), "\r\n");
    XmlDocument saved = XmlDocument::Create();
    saved.load(folder.file("setup.xml"));
    ASSERT_EQ(saved.parseError().reason, "");
    EXPECT_EQ(saved.selectNodes("//tr").length(), 1);
    EXPECT_EQ(saved.selectNodes("//td").length(), 0);
    EXPECT_EQ(saved.documentElement().nodeName(), "Layout");
    EXPECT_EQ(folder.read("setup.xml").find("<?xml"), std::string::npos)
        << "no declaration is added";
}

TEST_F(SelectionXml, SameEntryTwiceIsPresentTwiceInBothFilesInOrder) {
    WriteSelection(library, {"Local->Weather", "News->Daily", "Local->Weather"}, selection);
    EXPECT_EQ(folder.read("setup.nml"), "Local->Weather\r\nNews->Daily\r\nLocal->Weather\r\n\r\n");
    EXPECT_EQ(urls(),
              (std::vector<std::string>{"local.example/weather", "http://news.example/daily",
                                        "local.example/weather"}));
}

TEST_F(SelectionXml, SiteListReadsEveryAttributeAndCopiesExtras) {
    ListToXml(library, {"Local->Weather"}, selection);
    const std::vector<Site> sites = LoadSiteList(SetupXmlPath()).sites;
    ASSERT_EQ(sites.size(), 1u);
    EXPECT_EQ(sites[0].Name, "Weather");
    EXPECT_EQ(sites[0].URL, "local.example/weather");
    EXPECT_EQ(sites[0].Type, "addxmltags");
    EXPECT_EQ(sites[0].StyleSheet, "w2.xsl");
    EXPECT_EQ(sites[0].RipFile, "w2.xml");
    EXPECT_NE(folder.read("setup.xml").find("Extra=\"e\""), std::string::npos);
}

TEST_F(SelectionXml, MissingSitesBecomeErrorCellsAndDropOutOfTheSiteList) {
    // A saved selection naming sites that left the library, among good ones.
    folder.write("old.nms", "News->Daily\r\nSports->Gone\r\n\r\nNews->Removed\r\nLocal->Weather");
    ListToXml(library, LoadSelectionList(folder.file("old.nms")), selection);
    const std::string xml = folder.read("setup.xml");
    EXPECT_NE(xml.find("<td><Error/></td><td><Error/></td>"), std::string::npos) << xml;
    EXPECT_EQ(urls(),
              (std::vector<std::string>{"http://news.example/daily", "local.example/weather"}));
}

TEST_F(SelectionXml, BinarySelectionFileGivesOnlyErrorCells) {
    std::string bytes;
    for (int i = 0; i < 2048; ++i)
        bytes.push_back(static_cast<char>((i * 31 + 7) % 256));
    folder.write("bin.nms", bytes);
    const SelectionEntries entries = LoadSelectionList(folder.file("bin.nms"));
    ListToXml(library, entries, selection);
    XmlDocument saved = XmlDocument::Create();
    saved.load(SetupXmlPath());
    ASSERT_EQ(saved.parseError().reason, "");
    EXPECT_EQ(saved.selectNodes("//td").length(), static_cast<long>(entries.size()));
    EXPECT_TRUE(LoadSiteList(SetupXmlPath()).sites.empty());
}

// setup.nml and setup.xml are one step: a failure of either leaves both as they were.
TEST_F(SelectionXml, FailedSetupXmlKeepsSetupNmlAsItWasAndRaises) {
    folder.write("setup.nml", "Old->One\r\n\r\n");
    std::filesystem::create_directory(folder.file("setup.xml"));
    folder.write("setup.xml/keep", "x");
    EXPECT_THROW(WriteSelection(library, {"News->Daily"}, selection), EInOutError);
    EXPECT_EQ(folder.read("setup.nml"), "Old->One\r\n\r\n");
    EXPECT_EQ(folder.read("setup.xml/keep"), "x");
}

TEST_F(SelectionXml, FailedSetupNmlLeavesSetupXmlWhole) {
    ListToXml(library, {"News->Daily"}, selection);
    const std::string before = folder.read("setup.xml");
    std::filesystem::create_directory(folder.file("setup.nml"));
    folder.write("setup.nml/keep", "x");
    EXPECT_THROW(WriteSelection(library, {"Local->Weather"}, selection), EInOutError);
    EXPECT_EQ(folder.read("setup.xml"), before);
}

TEST(SiteList, MissingOrMalformedFileGivesNoSitesAndTheReason) {
    TempProgramFolder folder;
    const SiteListLoad missing = LoadSiteList(folder.file("setup.xml"));
    EXPECT_TRUE(missing.sites.empty());
    EXPECT_NE(missing.parseError, "");
    folder.write("setup.xml", "<Layout><table><tr><td><site Name=\"a\" URL=\"u\"/></td>");
    const SiteListLoad malformed = LoadSiteList(folder.file("setup.xml"));
    EXPECT_TRUE(malformed.sites.empty());
    EXPECT_NE(malformed.parseError, "");
}

TEST(SiteList, EverySiteAnywhereInDocumentOrderWithAbsentAttributesEmpty) {
    TempProgramFolder folder;
    folder.write("setup.xml", "<Layout><site Name=\"first\"/><table><tr><td><Error/></td>"
                              "<td><site Name=\"second\" URL=\"b\"/></td></tr></table></Layout>");
    const SiteListLoad load = LoadSiteList(folder.file("setup.xml"));
    EXPECT_EQ(load.parseError, "");
    ASSERT_EQ(load.sites.size(), 2u);
    EXPECT_EQ(load.sites[0].Name, "first");
    EXPECT_EQ(load.sites[0].URL, "");
    EXPECT_EQ(load.sites[1].URL, "b");
}
