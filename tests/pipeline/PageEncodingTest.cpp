// Pages in other encodings are brought to UTF-8 when fetched, so their letters survive into
// the digest.
#include "pipeline/PageEncoding.h"

#include "platform/Errors.h"
#include "support/TestSupport.h"

#include <libxml/parser.h>

#include <gtest/gtest.h>

using namespace std::string_literals;
using nimbrel::ConvertPageToUtf8;
using nimbrel::PageBytesToUtf8;

namespace {

bool ParsesAsXml(const std::string& text) {
    xmlDocPtr doc = xmlReadMemory(text.data(), static_cast<int>(text.size()), nullptr, nullptr,
                                  XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING);
    const bool ok = doc != nullptr;
    xmlFreeDoc(doc);
    return ok;
}

TEST(PageEncodingDetection, LatinOneNamedInTheXmlDeclaration) {
    const auto page = PageBytesToUtf8("<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\r\n"
                                      "<t>Not\xED"
                                      "cias \xDAltimas</t>\r\n",
                                      "");
    EXPECT_EQ(page.text, "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n"
                         "<t>Not\xC3\xAD"
                         "cias \xC3\x9Altimas</t>\r\n");
    EXPECT_TRUE(page.changed);
    EXPECT_TRUE(ParsesAsXml(page.text));
}

TEST(PageEncodingDetection, Windows1252NamedInAMetaHttpEquiv) {
    const auto page = PageBytesToUtf8(
        "<html><head><meta http-equiv=\"Content-Type\" content=\"text/html; charset=windows-1252\">"
        "</head><body>\x93quoted\x94 costs \x80 5</body></html>",
        "");
    EXPECT_EQ(page.encoding, "WINDOWS-1252");
    EXPECT_NE(page.text.find("\xE2\x80\x9Cquoted\xE2\x80\x9D costs \xE2\x82\xAC 5"),
              std::string::npos);
    EXPECT_NE(page.text.find("charset=UTF-8\">"), std::string::npos) << page.text;
}

TEST(PageEncodingDetection, ShiftJisNamedInAMetaCharset) {
    const auto page =
        PageBytesToUtf8("<meta charset='Shift_JIS'><p>\x93\xFA\x96{\x8C\xEA</p>", "text/html");
    EXPECT_EQ(page.text, "<meta charset='UTF-8'><p>\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E</p>");
}

TEST(PageEncodingDetection, HeaderCharsetWinsOverTheMarkup) {
    const auto page = PageBytesToUtf8("<meta charset=\"shift_jis\"><p>caf\xE9</p>",
                                      "text/html; charset=\"ISO-8859-1\"");
    EXPECT_EQ(page.text, "<meta charset=\"UTF-8\"><p>caf\xC3\xA9</p>");
}

TEST(PageEncodingDetection, ByteOrderMarkWinsOverEverythingAndIsDropped) {
    const std::string utf16 = "\xFF\xFE<\0p\0>\0G\0r\0\xFC\0\xDF\0"
                              "e\0<\0/\0p\0>\0"s;
    const auto page = PageBytesToUtf8(utf16, "text/html; charset=iso-8859-1");
    EXPECT_EQ(page.text, "<p>Gr\xC3\xBC\xC3\x9F"
                         "e</p>");
    const auto utf8Bom = PageBytesToUtf8("\xEF\xBB\xBF<p>\xC3\xA9</p>", "");
    EXPECT_EQ(utf8Bom.text, "<p>\xC3\xA9</p>");
}

TEST(PageEncodingDetection, Utf16FromTheHeaderWithoutAMark) {
    const std::string bigEndian = "\0<\0p\0>\0\xE9\0<\0/\0p\0>"s;
    EXPECT_EQ(PageBytesToUtf8(bigEndian, "text/html; charset=UTF-16").text, "<p>\xC3\xA9</p>");
    const std::string xmlLittleEndian =
        "<\0?\0x\0m\0l\0 \0v\0=\0\"\0\x31\0\"\0?\0>\0<\0a\0>\0\xE9\0<\0/\0a\0>\0"s;
    EXPECT_EQ(PageBytesToUtf8(xmlLittleEndian, "").text, "<?xml v=\"1\"?><a>\xC3\xA9</a>");
}

TEST(PageEncodingDetection, Utf8PagesStayByteForByte) {
    const std::string page =
        "<meta charset=utf-8><p>\xE3\x83\xA1\xE3\x82\xA4\xE3\x83\xB3 caf\xC3\xA9</p>";
    const auto result = PageBytesToUtf8(page, "text/html");
    EXPECT_EQ(result.text, page);
    EXPECT_FALSE(result.changed);
    EXPECT_EQ(result.encoding, "UTF-8");
}

TEST(PageEncodingDetection, MarkupThatClaimsUtf16ButReadsAsAsciiIsUtf8) {
    const std::string page = "<meta charset=\"utf-16\"><p>caf\xC3\xA9</p>";
    EXPECT_EQ(PageBytesToUtf8(page, "").text, page);
}

TEST(PageEncodingBadBytes, UndeclaredInvalidUtf8IsReadAsWindows1252) {
    const auto page = PageBytesToUtf8("<p>caf\xE9 \x80</p>", "");
    EXPECT_EQ(page.encoding, "WINDOWS-1252");
    EXPECT_EQ(page.text, "<p>caf\xC3\xA9 \xE2\x82\xAC</p>");
}

TEST(PageEncodingBadBytes, StrayBytesInDeclaredUtf8BecomeReplacementCharacters) {
    const auto page = PageBytesToUtf8("<p>a\xFF"
                                      "b\xC3</p>",
                                      "text/html; charset=utf-8");
    EXPECT_EQ(page.text, "<p>a\xEF\xBF\xBD"
                         "b\xEF\xBF\xBD</p>");
}

TEST(PageEncodingBadBytes, TruncatedMultibyteCharacterAtTheEnd) {
    const auto page = PageBytesToUtf8("<meta charset=sjis>\x93\xFA\x96", "");
    EXPECT_EQ(page.text, "<meta charset=UTF-8>\xE6\x97\xA5\xEF\xBF\xBD");
}

TEST(PageEncodingBadBytes, UnknownCharsetLabelFallsBackToTheBytes) {
    EXPECT_EQ(PageBytesToUtf8("<meta charset=x-no-such-thing><p>\xC3\xA9</p>", "").text,
              "<meta charset=x-no-such-thing><p>\xC3\xA9</p>");
    EXPECT_EQ(PageBytesToUtf8("<p>\xE9</p>", "text/html; charset=bogus").text, "<p>\xC3\xA9</p>");
}

TEST(PageEncodingBadBytes, EmptyAndUnterminatedDeclarations) {
    EXPECT_EQ(PageBytesToUtf8("", "").text, "");
    EXPECT_EQ(PageBytesToUtf8("<?xml encoding=", "").text, "<?xml encoding=");
    EXPECT_EQ(PageBytesToUtf8("<meta charset=", "text/html; charset=").text, "<meta charset=");
}

TEST(PageEncodingFile, ConvertsThePageFileInPlace) {
    nimbrel::test::TempProgramFolder folder;
    folder.write("Sites/a.dat", "<meta charset=iso-8859-1>\xC9t\xE9");
    EXPECT_EQ(ConvertPageToUtf8(folder.file("Sites/a.dat"), ""), "WINDOWS-1252");
    EXPECT_EQ(folder.read("Sites/a.dat"), "<meta charset=UTF-8>\xC3\x89t\xC3\xA9");
    // A second pass finds UTF-8 and leaves the file alone.
    EXPECT_EQ(ConvertPageToUtf8(folder.file("Sites/a.dat"), ""), "UTF-8");
    EXPECT_EQ(folder.read("Sites/a.dat"), "<meta charset=UTF-8>\xC3\x89t\xC3\xA9");
}

TEST(PageEncodingFile, MissingFileRaises) {
    nimbrel::test::TempProgramFolder folder;
    EXPECT_THROW(ConvertPageToUtf8(folder.file("Sites/none.dat"), ""), nimbrel::Exception);
}

TEST(PageEncodingFile, RealLatinOneFeedBecomesWellFormedUtf8) {
    const std::string path = nimbrel::test::RealFixture("jn_ultimas_latin1.rss");
    if (path.empty())
        GTEST_SKIP() << "real fixtures folder absent";
    const auto page = PageBytesToUtf8(nimbrel::test::ReadBytes(path), "");
    EXPECT_EQ(page.encoding, "WINDOWS-1252");
    EXPECT_NE(page.text.find("Jornal de Not\xC3\xAD"
                             "cias - \xC3\x9Altimas Not\xC3\xAD"
                             "cias"),
              std::string::npos);
    EXPECT_EQ(page.text.rfind("<?xml version=\"1.0\" encoding=\"UTF-8\"?>", 0), 0u);
    EXPECT_TRUE(ParsesAsXml(page.text));
}

} // namespace
