// One download cycle through nimbrel-digest on the shipped program folder, against feeds served
// from 127.0.0.1, with hostile and broken sites beside a good one: every bad site shows its
// name and reason in the digest, the good site its block, and the cycle ends normally.
#include "pipeline/PageName.h"
#include "platform/Limits.h"
#include "support/HttpTestServer.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>

using namespace nimbrel::test;

namespace {

std::string Rss(const std::string& title, const std::string& link, const std::string& item) {
    return "<rss version=\"2.0\"><channel><title>" + title + "</title><link>" + link +
           "</link><item><title>" + item +
           "</title><link>http://x.example/1</link>"
           "</item></channel></rss>";
}

// An item whose description nests `levels` elements: cut whole (Rip/whole.xml), with rss,
// channel, item and description the text is levels + 4 deep.
std::string DeepRss(size_t levels) {
    return "<rss version=\"2.0\"><channel><title>Deep</title><link>http://x.example/</link><item>"
           "<title>Deep story</title><description>" +
           Repeated("<a>", levels) + "x" + Repeated("</a>", levels) +
           "</description></item></channel></rss>";
}

struct Site {
    std::string name;
    std::string path;
    std::string body;
    std::string styleSheet = "feed.xslt";
    std::string ripFile = "feed.xml";
};

class HostileSites : public ::testing::Test {
  protected:
    void SetUp() override { CopyShippedData(folder); }

    void Select(const std::vector<Site>& sites) {
        std::string xml = "<Layout>";
        for (const Site& site : sites) {
            server.route(site.path.substr(0, site.path.find('?')), HttpRoute::Body(site.body));
            xml += "<site Name=\"" + site.name + "\" URL=\"" + server.hostPort() + site.path +
                   "\" Type=\"rss\" StyleSheet=\"" + site.styleSheet + "\" RipFile=\"" +
                   site.ripFile + "\"/>";
        }
        folder.write("setup.xml", xml + "</Layout>");
    }

    int Digest() {
        const std::string command = "'" + std::string(NIMBREL_DIGEST_EXE) + "' --folder '" +
                                    folder.path() + "' --no-open 2>'" + folder.file("stderr.txt") +
                                    "'";
        const int raw = std::system(command.c_str());
        return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    }

    // The failure note of the named site, or empty when its block was made.
    std::string Notice(const std::string& page, const std::string& name) {
        const std::string top = FrameTop(page, name);
        return top.find("data-status=\"failed\"") == std::string::npos ? std::string() : top;
    }

    TempProgramFolder folder;
    HttpTestServer server;
};

TEST_F(HostileSites, EachBadSiteShowsItsReasonAndTheGoodSiteItsBlock) {
    folder.write("Rip/bad-number.xml",
                 "<R><Command Name='append' Specific='abc'><StartTag ReverseLTags='0' "
                 "SkipSimilar='0'>&lt;item</StartTag><EndTag ReverseLTags='0' "
                 "SkipSimilar='0'>&lt;/item&gt;</EndTag></Command></R>");
    folder.write("Rip/whole.xml",
                 "<R><Command Name='append' Specific='0'><StartTag IncludeTags='1' "
                 "ReverseLTags='0' SkipSimilar='0'>&lt;rss</StartTag><EndTag IncludeTags='1' "
                 "ReverseLTags='0' SkipSimilar='0'>&lt;/rss&gt;</EndTag></Command></R>");
    const std::string longQuery = "?q=" + std::string(300, 'w');
    Select({
        {"Good", "/good", Rss("Good feed", "http://good.example/", "Good story")},
        {"Deeper", "/deeper", DeepRss(nimbrel::limits::kNestingDepth - 3), "feed.xslt",
         "whole.xml"},
        {"Deep", "/deep", DeepRss(nimbrel::limits::kNestingDepth - 4), "feed.xslt", "whole.xml"},
        {"Tags", "/tags",
         Rss(Repeated("&lt;b&gt;", 1000) + "T" + Repeated("&lt;/b&gt;", 1000), "http://t.example/",
             "Tag story")},
        {"Sheetless", "/sheetless", Rss("S", "http://s.example/", "S story"), "gone.xslt"},
        {"Numbers", "/numbers", Rss("N", "http://n.example/", "N story"), "feed.xslt",
         "bad-number.xml"},
        {"Outside", "/outside", Rss("O", "http://o.example/", "O story"), "feed.xslt",
         "../setup.xslt"},
        {"Long", "/long" + longQuery, Rss("Long feed", "http://l.example/", "Long story")},
        {"Script", "/script", Rss("Script feed", "javascript:alert(1)", "Script story")},
    });
    folder.write("site.html.tmp-AbC123", "left by a killed run");
    folder.write("Sites/x.dat.tmp-Zz9Zz9", "left by a killed run");
    folder.write("Temp/x.dat.temp.temp", "left by a killed run");
    folder.write("Work/notes.tmp-abc", "not the pattern");
    folder.write("Rip/feed.xml.tmp-abcdef", "not one of the program's working folders");

    ASSERT_EQ(Digest(), 0) << folder.read("stderr.txt");
    const std::string page = folder.read("site.html");
    EXPECT_NE(page.find("Good story"), std::string::npos) << page;
    const struct {
        const char* name;
        const char* reason; // nullptr: the site shows its block
    } expected[] = {
        {"Deeper", "more than 10000 levels deep"},
        {"Deep", nullptr},
        {"Tags", "recursion"},
        {"Sheetless", "The stylesheet gone.xslt does not load"},
        {"Numbers", "&#39;abc&#39; is not a valid integer value"},
        {"Outside", "lies outside the folder Rip"},
        {"Long", nullptr},
        {"Script", nullptr},
    };
    for (const auto& site : expected) {
        const std::string notice = Notice(page, site.name);
        if (site.reason)
            EXPECT_NE(notice.find(site.reason), std::string::npos) << site.name << ": " << notice;
        else
            EXPECT_EQ(notice, "") << site.name;
    }
    EXPECT_NE(page.find("Long story"), std::string::npos);
    EXPECT_NE(page.find("Script story"), std::string::npos);
    EXPECT_EQ(page.find("javascript:"), std::string::npos);
    EXPECT_NE(page.find("Content-Security-Policy"), std::string::npos);
    EXPECT_NE(folder.read("stderr.txt").find("Sheetless: not shown:"), std::string::npos);
    const std::string longStem = nimbrel::PageFileStem(server.hostPort() + "/long" + longQuery);
    EXPECT_EQ(longStem.size(), 235u);
    EXPECT_TRUE(folder.exists("Sites/" + longStem + ".dat"));

    EXPECT_FALSE(folder.exists("site.html.tmp-AbC123"));
    EXPECT_FALSE(folder.exists("Sites/x.dat.tmp-Zz9Zz9"));
    EXPECT_FALSE(folder.exists("Temp/x.dat.temp.temp"));
    EXPECT_TRUE(folder.exists("Work/notes.tmp-abc"));
    EXPECT_TRUE(folder.exists("Rip/feed.xml.tmp-abcdef"));
}

} // namespace
