#include "components/MSXML2_TLB.h"

#include "components/XmlEngineInternal.h"
#include "platform/Errors.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

using namespace nimbrel;
using namespace nimbrel::msxml;
using nimbrel::test::TempProgramFolder;

namespace {

const std::string kDeclaration = "<?xml version=\"1.0\" encoding=\"UTF-16\"?>";

std::string Stylesheet(const std::string& output, const std::string& body,
                       const std::string& extraNamespaces = "") {
    return "<xsl:stylesheet version=\"1.0\" xmlns:xsl=\"http://www.w3.org/1999/XSL/Transform\"" +
           extraNamespaces + ">" + output + "<xsl:template match=\"/\">" + body +
           "</xsl:template></xsl:stylesheet>";
}

XmlDocument Parsed(const std::string& text) {
    XmlDocument doc = XmlDocument::Create();
    doc.loadXML(text);
    EXPECT_EQ(doc.parseError().reason, "") << text.substr(0, 200);
    return doc;
}

const char* kSelection = "<setup><site Name=\"A\" URL=\"a.example/x?p=1&amp;q=2\"/>"
                         "<site Name=\"B\" URL=\"b.example\"/></setup>";

const char* kLayoutBody = "<table><tr><xsl:for-each select=\"//site\"><td>"
                          "<site URL=\"{@URL}\"/></td></xsl:for-each></tr></table>";

TEST(XmlTransform, XmlOutputHasTheWideTextDeclarationAndTheBlankPlaceholder) {
    std::string out = Parsed(kSelection).transformNode(Parsed(Stylesheet("", kLayoutBody)));
    EXPECT_EQ(out.rfind(kDeclaration, 0), 0u) << out;
    EXPECT_NE(out.find("<site URL=\"a.example/x?p=1&amp;q=2\" />"), std::string::npos) << out;
    EXPECT_NE(out.find("<site URL=\"b.example\" />"), std::string::npos) << out;
    EXPECT_EQ(out.find("\"/>"), std::string::npos) << out;

    out = Parsed(kSelection)
              .transformNode(Parsed(Stylesheet("<xsl:output method=\"xml\" indent=\"yes\" "
                                               "encoding=\"ISO-8859-1\"/>",
                                               kLayoutBody + std::string("<p>\xc3\xa9</p>"))));
    EXPECT_EQ(out.rfind(kDeclaration, 0), 0u) << out;
    EXPECT_NE(out.find("<site URL=\"b.example\" />"), std::string::npos) << out;
    EXPECT_NE(out.find("\xc3\xa9"), std::string::npos) << "the text stays UTF-8: " << out;
}

TEST(XmlTransform, HtmlOutputWritesTheClosedPlaceholder) {
    const std::string out =
        Parsed(kSelection)
            .transformNode(Parsed(Stylesheet("<xsl:output method=\"html\"/>", kLayoutBody)));
    EXPECT_NE(out.find("<site URL=\"b.example\"></site>"), std::string::npos) << out;
    EXPECT_EQ(out.find("<?xml"), std::string::npos) << out;
}

TEST(XmlTransform, OmittedDeclarationAndTextOutputAreLeftAlone) {
    XmlDocument source = Parsed(kSelection);
    std::string out = source.transformNode(
        Parsed(Stylesheet("<xsl:output omit-xml-declaration=\"yes\"/>", "<b><i/></b>")));
    EXPECT_EQ(out.rfind("<b><i /></b>", 0), 0u) << out;
    out = source.transformNode(
        Parsed(Stylesheet("<xsl:output method=\"text\"/>", "<xsl:text>a/>b</xsl:text>")));
    EXPECT_EQ(out, "a/>b");
}

TEST(XmlTransform, BlankIsAddedOnlyToEmptyElementTags) {
    EXPECT_EQ(BlankBeforeEmptyTagEnd("<a x=\"1/\"/><b />"), "<a x=\"1/\" /><b />");
    EXPECT_EQ(BlankBeforeEmptyTagEnd("<!-- <c/> --><![CDATA[<d/>]]><?pi <e/>?><f a='>'/>"),
              "<!-- <c/> --><![CDATA[<d/>]]><?pi <e/>?><f a='>' />");
    EXPECT_EQ(BlankBeforeEmptyTagEnd("text only"), "text only");
    EXPECT_EQ(BlankBeforeEmptyTagEnd("<unclosed a=\"/>"), "<unclosed a=\"/>");
    EXPECT_EQ(BlankBeforeEmptyTagEnd("<!-- open"), "<!-- open");
}

TEST(XmlTransform, EmptySourceDocumentStillRunsTheStylesheet) {
    XmlDocument empty = XmlDocument::Create();
    empty.loadXML("not xml"); // a failed parse leaves the document empty
    const std::string out = empty.transformNode(Parsed(Stylesheet("", "<none/>")));
    EXPECT_EQ(out, kDeclaration + "\n<none />\n");
}

TEST(XmlTransform, MissingOrBrokenStylesheetRaisesWithTheEngineText) {
    XmlDocument source = Parsed(kSelection);
    XmlDocument missing = XmlDocument::Create();
    missing.load("/nonexistent/stylesheet.xsl");
    EXPECT_THROW(source.transformNode(missing), Exception);
    EXPECT_THROW(source.transformNode(Parsed("<notastylesheet/>")), Exception);
    try {
        source.transformNode(Parsed(Stylesheet("", "<xsl:value-of select=\"((\"/>")));
        ADD_FAILURE() << "a broken expression was accepted";
    } catch (const Exception& e) {
        EXPECT_NE(e.message(), "");
    }
    EXPECT_THROW(source.transformNode(
                     Parsed(Stylesheet("", "<xsl:message terminate=\"yes\">stop</xsl:message>"))),
                 Exception);
}

TEST(XmlTransform, StylesheetDocumentIsNotChangedByTransforming) {
    XmlDocument style = Parsed(Stylesheet("", "  <table width=\"0\"/>  "));
    const std::string before = style.xml();
    Parsed(kSelection).transformNode(style);
    EXPECT_EQ(style.xml(), before);
    XmlNode table = style.selectSingleNode("//table");
    table.attributes().setNamedItem(style.createAttribute("width", "616"));
    EXPECT_NE(Parsed(kSelection).transformNode(style).find("width=\"616\""), std::string::npos);
}

TEST(XmlTransform, StylesheetsMayNotWriteFilesOrReachTheNetwork) {
    TempProgramFolder folder;
    XmlDocument source = Parsed(kSelection);
    const std::string written = folder.file("Temp/written.txt");
    XmlDocument writer = Parsed(
        Stylesheet("", "<exsl:document href=\"" + written + "\"><x/></exsl:document><done/>",
                   " xmlns:exsl=\"http://exslt.org/common\" extension-element-prefixes=\"exsl\""));
    try {
        source.transformNode(writer);
    } catch (const Exception&) {
        // refusing with an error is as good as refusing silently
    }
    EXPECT_FALSE(folder.exists("Temp/written.txt"));

    XmlDocument reader = Parsed(
        Stylesheet("", "<o><xsl:copy-of select=\"document('http://127.0.0.1:9/x.xml')\"/></o>"));
    try {
        const std::string out = reader.transformNode(reader);
        EXPECT_EQ(out.find("<x"), std::string::npos);
    } catch (const Exception&) {
    }
}

TEST(XmlTransform, ImportedStylesheetsResolveBesideTheirFileAndStaySafe) {
    TempProgramFolder folder;
    folder.write("secret.txt", "TOPSECRET");
    folder.write("stylesheets/base.xsl",
                 "<!DOCTYPE xsl:stylesheet [<!ENTITY s SYSTEM \"../secret.txt\">]>" +
                     Stylesheet("", "<base>&s;</base>"));
    folder.write("stylesheets/site.xsl", "<xsl:stylesheet version=\"1.0\" "
                                         "xmlns:xsl=\"http://www.w3.org/1999/XSL/Transform\">"
                                         "<xsl:import href=\"base.xsl\"/></xsl:stylesheet>");
    XmlDocument style = XmlDocument::Create();
    ASSERT_TRUE(style.load(folder.file("stylesheets/site.xsl")));
    const std::string out = Parsed(kSelection).transformNode(style);
    EXPECT_NE(out.find("<base"), std::string::npos) << out;
    EXPECT_EQ(out.find("TOPSECRET"), std::string::npos) << out;
}

TEST(XmlTransform, ConcurrentTransformsKeepTheirOwnResultsAndErrors) {
    // Error texts are collected per thread: a failing transform on one thread must neither
    // lose its reason nor leak it into another thread's result.
    std::atomic<int> wrong{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([t, &wrong] {
            const std::string mark = "thread" + std::to_string(t);
            XmlDocument source = Parsed("<r m=\"" + mark + "\"/>");
            XmlDocument good = Parsed(Stylesheet("", "<o><xsl:value-of select=\"r/@m\"/></o>"));
            XmlDocument bad = Parsed(
                Stylesheet("", "<xsl:message terminate=\"yes\"><xsl:value-of select=\"r/@m\"/>"
                               "</xsl:message>"));
            for (int i = 0; i < 50; ++i) {
                if (source.transformNode(good).find("<o>" + mark + "</o>") == std::string::npos)
                    ++wrong;
                try {
                    source.transformNode(bad);
                    ++wrong;
                } catch (const Exception& e) {
                    if (e.message().find(mark) == std::string::npos)
                        ++wrong;
                }
            }
        });
    for (auto& thread : threads)
        thread.join();
    EXPECT_EQ(wrong, 0);
}

} // namespace
