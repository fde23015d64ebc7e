// Adding sites to Categories.xml: only appended, nothing else changes, refused names and
// libraries that do not load leave every file as it was; the selection files follow.
#include "library/LibraryFile.h"
#include "library/NewSite.h"
#include "library/SelectionList.h"
#include "platform/Errors.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace nimbrel;
using namespace nimbrel::test;

namespace {

std::string Shipped(const std::string& relative) {
    return ReadBytes(std::string(NIMBREL_SOURCE_DIR) + "/data/" + relative);
}

// The lines of `after` that `before` does not have, in order (the library only grows).
std::vector<std::string> AddedLines(const std::string& before, const std::string& after) {
    std::vector<std::string> added;
    size_t b = 0, a = 0;
    auto line = [](const std::string& text, size_t& at) {
        const size_t end = std::min(text.find('\n', at), text.size());
        std::string l = text.substr(at, end - at);
        at = end + 1;
        return l;
    };
    while (a < after.size()) {
        const size_t mark = b;
        const std::string next = line(after, a);
        if (b < before.size() && line(before, b) == next)
            continue;
        b = mark;
        added.push_back(next);
    }
    EXPECT_GE(b, before.size()) << "a line of the old library is gone or changed";
    return added;
}

class AddingToLibrary : public ::testing::Test {
  protected:
    TempProgramFolder folder;
};

TEST_F(AddingToLibrary, ShippedEntriesStayByteForByteAndNewSitesAreAppended) {
    const std::string shipped = Shipped("Categories.xml");
    folder.write("Categories.xml", shipped);
    EXPECT_EQ(
        AddFeedToLibrary("Science", "Tiny & \"Quoted\"", "http://a.example/f?x=1&y=2", "atom"),
        "Science->Tiny & \"Quoted\"");
    EXPECT_EQ(AddFeedToLibrary(" My Sites ", " Mine ", "http://b.example/rss", "rss"),
              "My Sites->Mine");
    EXPECT_EQ(AddFeedToLibrary("My Sites", "Second", "http://c.example/rss", "rss"),
              "My Sites->Second");
    const std::vector<std::string> expected = {
        "    <site Name=\"Tiny &amp; &quot;Quoted&quot;\" URL=\"http://a.example/f?x=1&amp;y=2\" "
        "Type=\"atom\" StyleSheet=\"feed.xslt\" RipFile=\"feed.xml\"/>",
        "  <Category Name=\"My Sites\">",
        "    <site Name=\"Mine\" URL=\"http://b.example/rss\" Type=\"rss\" "
        "StyleSheet=\"feed.xslt\" RipFile=\"feed.xml\"/>",
        "    <site Name=\"Second\" URL=\"http://c.example/rss\" Type=\"rss\" "
        "StyleSheet=\"feed.xslt\" RipFile=\"feed.xml\"/>",
        "  </Category>"};
    EXPECT_EQ(AddedLines(shipped, folder.read("Categories.xml")), expected);
    EXPECT_EQ(LibraryCategoryNames().back(), "My Sites");
}

TEST_F(AddingToLibrary, RefusalsNameTheReasonAndWriteNothing) {
    const std::string library = "<Library>\n  <Category Name=\"News\">\n    <site Name=\"Daily\" "
                                "URL=\"x\"/>\n  </Category>\n</Library>\n";
    folder.write("Categories.xml", library);
    struct Case {
        std::string category, name, says;
    } cases[] = {
        {"News", "Daily", "The category \"News\" already holds a site named \"Daily\""},
        {"News", " Daily ", "already holds a site named \"Daily\""},
        {"News", "  ", "needs a name"},
        {"News", "Two\r\nLines", "control character"},
        {"A->B", "Fine", "cannot hold \"->\""},
        {"", "Fine", "needs a category"},
    };
    for (const Case& c : cases) {
        try {
            AddFeedToLibrary(c.category, c.name, "http://x.example/", "rss");
            ADD_FAILURE() << "accepted " << c.category << "->" << c.name;
        } catch (const Exception& error) {
            EXPECT_NE(error.message().find(c.says), std::string::npos) << error.message();
        }
        EXPECT_EQ(folder.read("Categories.xml"), library);
    }
    // The same name in another category is another site.
    EXPECT_EQ(AddFeedToLibrary("Local", "Daily", "http://y.example/", "rss"), "Local->Daily");
}

TEST_F(AddingToLibrary, ALibraryThatDoesNotLoadIsNeverWrittenAndItsLineIsNamed) {
    const std::string broken = "<Library>\n  <Category Name=\"News\">\n    <site Name=\"A\">\n"
                               "  </Category>\n</Library>\n";
    folder.write("Categories.xml", broken);
    try {
        AddFeedToLibrary("News", "B", "http://b.example/", "rss");
        FAIL() << "a broken library was written";
    } catch (const Exception& error) {
        EXPECT_NE(error.message().find(folder.file("Categories.xml") + ", line 4:"),
                  std::string::npos)
            << error.message();
        EXPECT_NE(error.message().find("nothing was changed"), std::string::npos);
    }
    EXPECT_EQ(folder.read("Categories.xml"), broken);
    std::filesystem::remove(folder.file("Categories.xml"));
    EXPECT_THROW(AddFeedToLibrary("News", "B", "http://b.example/", "rss"), Exception);
    EXPECT_FALSE(folder.exists("Categories.xml"));
}

TEST_F(AddingToLibrary, AddressesCompareAsTheSameSite) {
    folder.write("Categories.xml",
                 "<Library><Category Name=\"N\"><site Name=\"A\" URL=\"HTTP://Example.ORG/\"/>"
                 "<site Name=\"B\" URL=\"feeds.example/Rss\"/></Category></Library>");
    const LibraryFile library;
    for (const char* same : {"http://example.org", "http://example.org/", " http://EXAMPLE.org ",
                             "http://feeds.example/Rss", "feeds.example/Rss"})
        EXPECT_TRUE(library.HoldsAddress(same)) << same;
    for (const char* other : {"https://example.org/", "http://example.org/x",
                              "http://feeds.example/rss", "http://example.org:8080/"})
        EXPECT_FALSE(library.HoldsAddress(other)) << other;
}

TEST_F(AddingToLibrary, AFeedJoinsTheSelectionTooAndSetupXmlCopiesTheNewEntry) {
    folder.write("Categories.xml", "<Library><Category Name=\"N\"><site Name=\"A\" URL=\"a\"/>"
                                   "</Category></Library>");
    EXPECT_EQ(AddFeedToLibraryAndSelection("N", "B", "http://b/", "rss"), "N->B");
    EXPECT_EQ(folder.read("setup.nml"), "N->B\r\n\r\n") << "made when missing";
    folder.write("setup.nml", "N->A\r\nN->Gone\r\n\r\n");
    EXPECT_EQ(AddFeedToLibraryAndSelection("M", "C", "http://c/", "atom"), "M->C");
    EXPECT_EQ(folder.read("setup.nml"), "N->A\r\nN->Gone\r\nM->C\r\n\r\n");
    EXPECT_EQ(folder.read("setup.xml"),
              "<Layout><table><tr><td><site Name=\"A\" URL=\"a\"/></td><td><Error/></td><td>"
              "<site Name=\"C\" URL=\"http://c/\" Type=\"atom\" StyleSheet=\"feed.xslt\" "
              "RipFile=\"feed.xml\"/></td></tr></table></Layout>\n");
    EXPECT_FALSE(folder.exists("nimbrel.journal")) << "the group of files was finished";
}

} // namespace
