#include "components/MSXML2_TLB.h"

#include "platform/Errors.h"
#include "support/TestSupport.h"
#include "support/XmlEngineFault.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

using namespace nimbrel;
using namespace nimbrel::msxml;
using nimbrel::test::TempProgramFolder;

namespace {

const char* kLibrary = "<Categories>"
                       "<Category Name=\"News\">"
                       "<site Name=\"One\" URL=\"one.example/a\"><Command Name=\"append\"/></site>"
                       "<site Name=\"Two\" URL=\"two.example\"/>"
                       "</Category>"
                       "<Category Name=\"Sport\"><site Name=\"Three\" URL=\"three.example\"/>"
                       "</Category>"
                       "</Categories>";

XmlDocument Parsed(const std::string& text) {
    XmlDocument doc = XmlDocument::Create();
    doc.setAsync(false);
    doc.loadXML(text);
    EXPECT_EQ(doc.parseError().reason, "") << text.substr(0, 200);
    return doc;
}

std::vector<std::string> Names(const XmlNodeList& list) {
    std::vector<std::string> names;
    for (long i = 0; i < list.length(); ++i)
        names.push_back(list.item(i).attributes().getNamedItem("Name").text());
    return names;
}

// ---- creating and loading -------------------------------------------------------------------

TEST(XmlDocumentCreate, FailsWithAnErrorWhenTheEngineCannotMakeADocument) {
    {
        const nimbrel::test::XmlEngineFault missing;
        EXPECT_THROW(XmlDocument::Create(), Exception);
    }
    XmlDocument doc = XmlDocument::Create();
    doc.setAsync(false);
    EXPECT_FALSE(doc.async());
    EXPECT_TRUE(doc.documentElement().isNull());
}

TEST(XmlDocumentLoad, GoodFileLeavesTheReasonEmpty) {
    TempProgramFolder folder;
    folder.write("Categories.xml", kLibrary);
    XmlDocument doc = XmlDocument::Create();
    EXPECT_TRUE(doc.load(folder.file("Categories.xml")));
    EXPECT_EQ(doc.parseError().reason, "");
    EXPECT_EQ(doc.documentElement().nodeName(), "Categories");
}

TEST(XmlDocumentLoad, MissingUnreadableAndMalformedFilesGiveAReason) {
    TempProgramFolder folder;
    XmlDocument doc = XmlDocument::Create();
    EXPECT_FALSE(doc.load(folder.file("absent.xml")));
    EXPECT_NE(doc.parseError().reason, "");

    EXPECT_FALSE(doc.load(folder.file("Work"))); // a folder, not a file
    EXPECT_NE(doc.parseError().reason, "");

    folder.write("locked.xml", "<a/>");
    ::chmod(folder.file("locked.xml").c_str(), 0);
    if (::geteuid() != 0) { // root reads any file
        EXPECT_FALSE(doc.load(folder.file("locked.xml")));
        EXPECT_NE(doc.parseError().reason, "");
    }

    folder.write("bad.xml", "<a><b></a>");
    EXPECT_FALSE(doc.load(folder.file("bad.xml")));
    EXPECT_NE(doc.parseError().reason, "");
    EXPECT_TRUE(doc.documentElement().isNull()) << "a failed load leaves the document empty";

    folder.write("good.xml", "<a/>");
    EXPECT_TRUE(doc.load(folder.file("good.xml")));
    EXPECT_EQ(doc.parseError().reason, "") << "a good load clears the previous reason";
}

TEST(XmlDocumentLoad, BadInputGivesAReasonNeverACrash) {
    std::string binary;
    for (int i = 0; i < 4096; ++i)
        binary += static_cast<char>((i * 7919) & 0xFF);
    std::string truncated = std::string(kLibrary).substr(0, 60);
    for (const std::string& bad :
         {std::string(), std::string("   "), truncated, binary, std::string("<a>\xff\xfe</a>"),
          std::string("<a/><b/>"), std::string("text only"), std::string("<a b='1' b='2'/>")}) {
        XmlDocument doc = XmlDocument::Create();
        EXPECT_FALSE(doc.loadXML(bad));
        EXPECT_NE(doc.parseError().reason, "") << bad.substr(0, 40);
    }
}

TEST(XmlDocumentLoad, DeepNestingAndHugeTextEndWithAReason) {
    std::string deep;
    for (int i = 0; i < 100000; ++i)
        deep += "<a>";
    for (int i = 0; i < 100000; ++i)
        deep += "</a>";
    XmlDocument doc = XmlDocument::Create();
    EXPECT_FALSE(doc.loadXML(deep));
    EXPECT_NE(doc.parseError().reason, "");

    std::string huge = "<a>" + std::string(100u << 20, 'x') + "</a>"; // 100 MB in one text
    EXPECT_FALSE(doc.loadXML(huge));
    EXPECT_NE(doc.parseError().reason, "");

    TempProgramFolder folder;
    ASSERT_EQ(
        ::truncate((folder.write("big.xml", "<a>"), folder.file("big.xml")).c_str(), 100 << 20), 0);
    EXPECT_FALSE(doc.load(folder.file("big.xml")));
    EXPECT_NE(doc.parseError().reason, "");
}

TEST(XmlDocumentLoad, KeepsCharactersOfOtherEncodingsAsUtf8) {
    XmlDocument doc = Parsed("<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><a>Z\xfcrich</a>");
    EXPECT_EQ(doc.documentElement().text(), "Z\xc3\xbcrich");
    EXPECT_TRUE(doc.hasXmlDeclaration());
    EXPECT_FALSE(Parsed("<a>Z\xc3\xbcrich</a>").hasXmlDeclaration());
}

TEST(XmlDocumentLoad, NodesOutliveAReloadOfTheirDocument) {
    XmlDocument doc = Parsed(kLibrary);
    XmlNode site = doc.selectSingleNode("//site");
    doc.loadXML("<other/>");
    EXPECT_EQ(site.attributes().getNamedItem("Name").text(), "One");
    EXPECT_EQ(site.ownerDocument().documentElement().nodeName(), "other");
}

// ---- safety --------------------------------------------------------------------------------

TEST(XmlDocumentSafety, ExternalEntitiesAndDtdsAreNotLoaded) {
    TempProgramFolder folder;
    folder.write("secret.txt", "TOPSECRET");
    folder.write("outer.dtd", "<!ATTLIST r injected CDATA \"fromdtd\">"
                              "<!ENTITY ext SYSTEM \"secret.txt\">");
    const std::string text = "<!DOCTYPE r SYSTEM \"file://" + folder.file("outer.dtd") +
                             "\" [<!ENTITY s SYSTEM \"file://" + folder.file("secret.txt") +
                             "\">]><r>&s;</r>";
    XmlDocument doc = XmlDocument::Create();
    doc.loadXML(text);
    XmlNode root = doc.documentElement();
    ASSERT_FALSE(root.isNull()) << doc.parseError().reason;
    EXPECT_EQ(root.text().find("TOPSECRET"), std::string::npos);
    EXPECT_EQ(doc.xml().find("TOPSECRET"), std::string::npos);
    EXPECT_TRUE(root.attributes().getNamedItem("injected").isNull());

    XmlDocument copy = Parsed("<xsl:stylesheet version=\"1.0\" "
                              "xmlns:xsl=\"http://www.w3.org/1999/XSL/Transform\">"
                              "<xsl:template match=\"/\"><o><xsl:value-of select=\"r\"/></o>"
                              "</xsl:template></xsl:stylesheet>");
    EXPECT_EQ(doc.transformNode(copy).find("TOPSECRET"), std::string::npos);
}

TEST(XmlDocumentSafety, EntityBombsEndQuicklyWithAReason) {
    std::string laughs = "<!DOCTYPE l [<!ENTITY l0 \"lol\">";
    for (int level = 1; level <= 9; ++level) {
        laughs += "<!ENTITY l" + std::to_string(level) + " \"";
        for (int k = 0; k < 10; ++k)
            laughs += "&l" + std::to_string(level - 1) + ";";
        laughs += "\">";
    }
    laughs += "]><l>&l9;</l>";

    std::string quadratic = "<!DOCTYPE r [<!ENTITY e \"" + std::string(100000, 'a') + "\">]><r>";
    for (int i = 0; i < 20000; ++i)
        quadratic += "&e;";
    quadratic += "</r>";

    for (const std::string& bomb : {laughs, quadratic}) {
        XmlDocument doc = XmlDocument::Create();
        EXPECT_FALSE(doc.loadXML(bomb));
        EXPECT_NE(doc.parseError().reason, "");
        EXPECT_TRUE(doc.documentElement().isNull());
    }

    // A modest internal entity is still fine.
    XmlDocument doc = Parsed("<!DOCTYPE r [<!ENTITY co \"Nimbrel Ltd\">]><r>&co; &co;</r>");
    EXPECT_EQ(doc.documentElement().text(), "Nimbrel Ltd Nimbrel Ltd");
}

// ---- queries -------------------------------------------------------------------------------

TEST(XmlSelect, DescendantSearchesWithAndWithoutTrailingBlank) {
    XmlDocument doc = Parsed(kLibrary);
    EXPECT_EQ(doc.selectNodes("//Category ").length(), 2);
    EXPECT_EQ(Names(doc.selectNodes("//site")), (std::vector<std::string>{"One", "Two", "Three"}));
    EXPECT_EQ(doc.selectNodes("//table").length(), 0);
    EXPECT_TRUE(doc.selectSingleNode("//table").isNull());
    EXPECT_TRUE(doc.selectNodes("//site").item(3).isNull());
    EXPECT_TRUE(doc.selectNodes("//site").item(-1).isNull());
}

TEST(XmlSelect, DoubleSlashFromAnElementSearchesTheWholeDocument) {
    XmlDocument doc = Parsed(kLibrary);
    XmlNode sport = doc.selectSingleNode("//Category[@Name=\"Sport\"]");
    ASSERT_FALSE(sport.isNull());
    EXPECT_EQ(sport.selectNodes("//site").length(), 3);
    EXPECT_EQ(Names(sport.selectNodes("site")), (std::vector<std::string>{"Three"}));
    XmlNode one = doc.selectSingleNode("//site[@Name=\"One\"]");
    EXPECT_EQ(one.selectSingleNode("./Command").attributes().getNamedItem("Name").text(), "append");
    EXPECT_TRUE(one.selectSingleNode("./StartTag").isNull());
    EXPECT_TRUE(doc.selectSingleNode("//site[@Name=\"Nobody\"]").isNull());
}

TEST(XmlSelect, ResultsComeInDocumentOrder) {
    XmlDocument doc = Parsed("<r><a n='1'><b n='2'/></a><b n='3'/><a n='4'/></r>");
    XmlNodeList list = doc.selectNodes("//b | //a");
    std::string order;
    for (long i = 0; i < list.length(); ++i)
        order += list.item(i).attributes().getNamedItem("n").text();
    EXPECT_EQ(order, "1234");
}

TEST(XmlSelect, ExpressionThatDoesNotCompileRaises) {
    XmlDocument doc = Parsed(kLibrary);
    EXPECT_THROW(doc.selectNodes("//site[@Name=\"unclosed"), Exception);
    EXPECT_THROW(doc.selectSingleNode("///"), Exception);
    EXPECT_THROW(doc.selectNodes("nosuchfunction(1)"), Exception);
    EXPECT_EQ(doc.selectNodes("count(//site)").length(), 0) << "a number selects no nodes";
}

// ---- nodes and attributes ------------------------------------------------------------------

TEST(XmlNodeAccess, NamesTextMarkupAndChildren) {
    XmlDocument doc = Parsed("<r a=\"1\"><b>x<![CDATA[<y>]]></b><!--c--><d/></r>");
    XmlNode root = doc.documentElement();
    EXPECT_EQ(root.nodeName(), "r");
    EXPECT_EQ(root.text(), "x<y>");
    EXPECT_EQ(root.xml(), "<r a=\"1\"><b>x<![CDATA[<y>]]></b><!--c--><d/></r>");
    XmlNodeList children = root.childNodes();
    ASSERT_EQ(children.length(), 3);
    EXPECT_EQ(children.item(0).nodeName(), "b");
    EXPECT_EQ(children.item(1).nodeName(), "#comment");
    EXPECT_TRUE(children.item(0).hasChildNodes());
    EXPECT_FALSE(children.item(2).hasChildNodes());
    EXPECT_EQ(children.item(0).firstChild().nodeName(), "#text");
    EXPECT_EQ(doc.node().nodeName(), "#document");
    EXPECT_EQ(doc.firstChild().nodeName(), "r");
    EXPECT_EQ(root.attributes().length(), 1);
    EXPECT_EQ(root.attributes().item(0).nodeName(), "a");
}

TEST(XmlNodeAccess, AbsentAttributesAndNonElementsReadAsNone) {
    XmlDocument doc = Parsed("<r a=\"\"><b/>t</r>");
    XmlNode root = doc.documentElement();
    EXPECT_TRUE(root.attributes().getNamedItem("missing").isNull());
    XmlNode empty = root.attributes().getNamedItem("a");
    ASSERT_FALSE(empty.isNull());
    EXPECT_EQ(empty.text(), "");
    XmlNode text = root.childNodes().item(1);
    EXPECT_TRUE(text.attributes().getNamedItem("a").isNull());
    EXPECT_EQ(XmlNode().text(), "");
    EXPECT_EQ(XmlNode().selectNodes("//r").length(), 0);
}

TEST(XmlNodeAccess, SetNamedItemAddsOrReplacesOneAttribute) {
    XmlDocument doc = Parsed("<xsl><table width=\"100\" border=\"0\"/></xsl>");
    XmlNode table = doc.selectSingleNode("//table");
    XmlNode oldWidth = table.attributes().getNamedItem("width");

    XmlNode width = table.ownerDocument().createAttribute("width");
    width.setValue("616");
    table.attributes().setNamedItem(width);
    EXPECT_EQ(table.xml(), "<table border=\"0\" width=\"616\"/>");
    EXPECT_EQ(oldWidth.text(), "100") << "a displaced attribute stays readable";

    XmlNode note = doc.createAttribute("note", "a&b<\"c\"");
    table.attributes().setNamedItem(note);
    EXPECT_EQ(table.attributes().getNamedItem("note").text(), "a&b<\"c\"");
    EXPECT_NE(table.xml().find("note=\"a&amp;b&lt;&quot;c&quot;\""), std::string::npos);
    note.setValue("later");
    EXPECT_EQ(table.attributes().getNamedItem("note").text(), "later");
    EXPECT_EQ(table.attributes().length(), 3);
}

TEST(XmlNodeAccess, MisusedAttributesRaise) {
    XmlDocument doc = Parsed("<r><e/></r>");
    XmlDocument other = Parsed("<o/>");
    XmlNode e = doc.selectSingleNode("//e");
    EXPECT_THROW(doc.createAttribute("bad name"), Exception);
    EXPECT_THROW(e.attributes().setNamedItem(other.createAttribute("x", "1")), Exception);
    EXPECT_THROW(e.attributes().setNamedItem(e), Exception);
    EXPECT_THROW(e.setValue("x"), Exception);
    XmlNode unused = doc.createAttribute("never-attached", "1"); // freed with the document
    EXPECT_EQ(unused.text(), "1");
}

// ---- saving --------------------------------------------------------------------------------

TEST(XmlDocumentSave, WritesUtf8WithoutADeclarationAndReloads) {
    TempProgramFolder folder;
    XmlDocument doc =
        Parsed("<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><setup><site Name=\"Z\xfcrich\" "
               "URL=\"a?x=1&amp;y=2\"/></setup>");
    doc.save(folder.file("setup.xml"));
    const std::string saved = folder.read("setup.xml");
    EXPECT_EQ(saved.rfind("<setup>", 0), 0u) << saved;
    EXPECT_NE(saved.find("Z\xc3\xbcrich"), std::string::npos);
    EXPECT_NE(saved.find("a?x=1&amp;y=2"), std::string::npos);

    XmlDocument again = XmlDocument::Create();
    EXPECT_TRUE(again.load(folder.file("setup.xml")));
    EXPECT_EQ(again.selectSingleNode("//site").attributes().getNamedItem("Name").text(),
              "Z\xc3\xbcrich");
}

TEST(XmlDocumentSave, FailedSaveLeavesTheOldFileWhole) {
    TempProgramFolder folder;
    EXPECT_THROW(Parsed("<new/>").save(folder.file("NoSuchFolder/setup.xml")), Exception);
    folder.write("Profile/setup.xml", "<old/>");
    ::chmod(folder.file("Profile").c_str(), 0500);
    if (::geteuid() == 0)
        GTEST_SKIP() << "root writes into read-only folders";
    EXPECT_THROW(Parsed("<new/>").save(folder.file("Profile/setup.xml")), Exception);
    EXPECT_EQ(folder.read("Profile/setup.xml"), "<old/>");
}

} // namespace
