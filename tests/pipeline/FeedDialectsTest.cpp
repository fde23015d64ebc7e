// The shipped feed rule and stylesheet on every feed dialect, through the real cut, clean,
// transform and layout: RSS 0.90, 0.91, 0.92, 1.0 and 2.0 and Atom 0.3 and 1.0, with and
// without prefixes, beside module elements of the same local names; xml:base on the feed, the
// entry and the link; and hostile feeds. The feeds are the team's, in tests/fixtures/feeds.
#include "support/OneSiteDigest.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>
#include <libxml/HTMLparser.h>
#include <libxml/xpath.h>

#include <memory>
#include <ostream>
#include <string>
#include <tuple>
#include <vector>

using nimbrel::test::OneSiteDigest;
using nimbrel::test::ReadBytes;
using nimbrel::test::RepoFixture;
using nimbrel::test::ScriptedDialogs;
using nimbrel::test::TempProgramFolder;

namespace {

const char* const kSiteUrl = "https://feeds.example.net/news/feed.xml";

struct Item {
    std::string title, link, summary, picture;
    bool operator==(const Item&) const = default;
};

void PrintTo(const Item& item, std::ostream* out) {
    *out << "{" << item.title << " | " << item.link << " | " << item.summary << " | "
         << item.picture << "}";
}

struct Block {
    std::string heading, headingLink;
    std::vector<Item> items;
    std::vector<std::string> addresses; // every href and src
    std::vector<std::string> scripts;   // script elements and on... attributes
};

struct DocFree {
    void operator()(xmlDoc* doc) const { xmlFreeDoc(doc); }
};

std::string Text(xmlNode* node) {
    xmlChar* content = node ? xmlNodeGetContent(node) : nullptr;
    std::string text = content ? reinterpret_cast<const char*>(content) : "";
    xmlFree(content);
    return text;
}

std::string AttributeOf(xmlNode* node, const char* name) {
    return node ? Text(reinterpret_cast<xmlNode*>(xmlHasProp(node, BAD_CAST name))) : "";
}

// The nodes the path selects under `context` (none under no context).
std::vector<xmlNode*> Select(xmlXPathContext* xpath, xmlNode* context, const char* path) {
    std::vector<xmlNode*> nodes;
    xmlXPathObject* found = context ? xmlXPathNodeEval(context, BAD_CAST path, xpath) : nullptr;
    if (found && found->nodesetval)
        nodes.assign(found->nodesetval->nodeTab,
                     found->nodesetval->nodeTab + found->nodesetval->nodeNr);
    xmlXPathFreeObject(found);
    return nodes;
}

xmlNode* First(xmlXPathContext* xpath, xmlNode* context, const char* path) {
    const auto nodes = Select(xpath, context, path);
    return nodes.empty() ? nullptr : nodes.front();
}

// The site's block of the digest page, read the way a browser reads it.
Block ReadBlock(const std::string& digest) {
    Block block;
    std::unique_ptr<xmlDoc, DocFree> doc(
        htmlReadMemory(digest.data(), static_cast<int>(digest.size()), nullptr, "UTF-8",
                       HTML_PARSE_NOERROR | HTML_PARSE_NOWARNING | HTML_PARSE_NONET));
    if (!doc)
        return block;
    xmlXPathContext* xpath = xmlXPathNewContext(doc.get());
    xmlNode* site = First(xpath, xmlDocGetRootElement(doc.get()), "//div[@class='site']");
    if (site) {
        xmlNode* heading = First(xpath, site, "h2[@class='site-name']");
        block.heading = Text(heading);
        block.headingLink = AttributeOf(First(xpath, heading, "a"), "href");
        for (xmlNode* li : Select(xpath, site, "ol/li[@class='item']")) {
            // The item's link is its first element: new items are marked by it.
            xmlNode* link = First(xpath, li, "*[1][self::a][@class='item-link']");
            block.items.push_back({Text(First(xpath, link, "span[@class='item-title']")),
                                   AttributeOf(link, "href"),
                                   Text(First(xpath, li, "p[@class='summary']")),
                                   AttributeOf(First(xpath, link, "img"), "src")});
        }
        for (xmlNode* address : Select(xpath, site, ".//@href | .//@src"))
            block.addresses.push_back(Text(address));
        for (xmlNode* script : Select(xpath, site, ".//script | .//@*[starts-with(name(), 'on')]"))
            block.scripts.push_back(reinterpret_cast<const char*>(script->name));
    }
    xmlXPathFreeContext(xpath);
    return block;
}

std::string SiteElement(const std::string& type) {
    return std::string("<site Name=\"Feed\" URL=\"") + kSiteUrl + "\" Type=\"" + type +
           "\" StyleSheet=\"feed.xslt\" RipFile=\"feed.xml\"/>";
}

Block BlockOfFeed(const std::string& type, const std::string& feed) {
    TempProgramFolder folder;
    ScriptedDialogs dialogs;
    const Block block = ReadBlock(OneSiteDigest(folder, SiteElement(type), feed));
    EXPECT_TRUE(dialogs.messages.empty()) << dialogs.messages.front();
    return block;
}

struct Dialect {
    const char* file;
    const char* type;
    const char* heading;
    const char* headingLink;
    std::vector<Item> items;
};

const Dialect kDialects[] = {
    // Items stand beside the channel; image and textinput have titles and links too.
    {"rss090.rdf",
     "rss",
     "Ninety Times",
     "http://ninety.example/",
     {{"First of ninety", "http://ninety.example/1.html", "", ""},
      {"Second of ninety", "http://ninety.example/2.html", "", ""}}},
    // A Netscape DOCTYPE before the root; an image title after the channel's.
    // Its summary's <b> adds no blank before the full stop.
    {"rss091.xml",
     "rss",
     "Ninety-One Gazette",
     "http://gazette.example/",
     {{"Bakery opens & closes", "http://gazette.example/bakery.html", "Open at nine sharp.", ""}}},
    // An item without a title shows its text as the title.
    {"rss092.xml",
     "rss",
     "Ninety-Two Notes",
     "http://notes.example/",
     {{"A note without a title, only this text.", "http://notes.example/n/1", "", ""},
      {"Episode one", "http://notes.example/n/2", "Listen to the first episode.", ""}}},
    // Module title and description stand before the item's own; content:encoded only.
    {"rss10.rdf",
     "rss",
     "Resource Digest",
     "http://rdf.example/",
     {{"Described item", "http://rdf.example/a", "The item's own description", ""},
      {"Encoded only", "http://rdf.example/b", "Only the encoded text", ""}}},
    {"rss10-prefixed.rdf",
     "rss",
     "Prefixed Resources",
     "http://prefixed.example/",
     {{"First prefixed", "http://prefixed.example/one", "The prefixed description", ""},
      {"Second prefixed", "http://prefixed.example/two", "", ""}}},
    // Module elements first, FeedBurner's "<feed..." elements, xml:base on the channel, a
    // guid as the only address, and a module's item.
    {"rss20.xml",
     "rss",
     "Two Point Oh",
     "http://blog.example/",
     {{"Module elements come first", "http://blog.example/2024/post.html",
       "The item's own description", ""},
      {"Guid only", "http://blog.example/2024/guid-only", "Encoded text only", ""}}},
    {"rss20-namespaced.xml",
     "rss",
     "Declared Namespace",
     "http://declared.example/",
     {{"In the default namespace", "http://declared.example/one", "The item's own description",
       ""}}},
    {"rss20-prefixed.xml",
     "rss",
     "Prefixed Two",
     "http://prefixed-two.example/",
     {{"Prefixed item", "http://prefixed-two.example/one", "The prefixed description", ""}}},
    // Escaped title, content before summary, inline XHTML content.
    {"atom03.xml",
     "atom",
     "Zero Three",
     "http://old-atom.example/",
     {{"Summary and content", "http://old-atom.example/2004/both", "The summary of zero three", ""},
      {"Content only", "http://old-atom.example/2004/content", "Inline XHTML content", ""}}},
    // A root tag over several lines with xml:base; bases on entries and links.
    {"atom10.xml",
     "atom",
     "Atom & Co",
     "https://atom.example/blog/",
     {{"Summary and content", "https://atom.example/blog/2024/both",
       "What the author wrote for this place", ""},
      {"Content only", "https://atom.example/posts/x?a=1#top", "Only content here",
       "https://atom.example/archive/img/inline.png"},
      {"A link with its own base", "https://mirror.example/a/b/c", "Own summary",
       "https://atom.example/blog/img/p.png"},
      {"Scheme-relative", "https://cdn.example/x", "", ""}}},
    {"atom10-prefixed.xml",
     "atom",
     "Prefixed Atom",
     "https://prefixed-atom.example/",
     {{"Prefixed entry", "https://prefixed-atom.example/one", "The prefixed summary", ""}}},
};

TEST(FeedDialects, EachDialectShowsItsHeadingAndItsOwnItems) {
    for (const Dialect& dialect : kDialects) {
        SCOPED_TRACE(dialect.file);
        const Block block =
            BlockOfFeed(dialect.type, ReadBytes(RepoFixture(std::string("feeds/") + dialect.file)));
        EXPECT_EQ(block.heading, dialect.heading);
        EXPECT_EQ(block.headingLink, dialect.headingLink);
        EXPECT_EQ(block.items, dialect.items);
    }
}

// An Atom feed with one entry whose link is `href`, under the given bases.
std::string FeedWithBases(const std::string& entryBase, const std::string& linkBase,
                          const std::string& href) {
    auto base = [](const std::string& value) {
        return value.empty() ? std::string() : " xml:base=\"" + value + "\"";
    };
    return "<?xml version=\"1.0\"?>\n<feed xmlns=\"http://www.w3.org/2005/Atom\" "
           "xml:base=\"https://base.example/a/b/feed\"><title>Bases</title><entry" +
           base(entryBase) + "><title>Entry</title><link" + base(linkBase) + " href=\"" + href +
           "\"/></entry></feed>";
}

TEST(FeedDialects, LinksAreResolvedAgainstTheXmlBaseInForce) {
    struct Case {
        const char *entryBase, *linkBase, *href, *expected;
    };
    const Case cases[] = {
        {"", "", "https://other.example/x", "https://other.example/x"},
        {"", "", "c", "https://base.example/a/b/c"},
        {"", "", "../c", "https://base.example/a/c"},
        {"", "", "../../../../c", "https://base.example/c"},
        {"", "", "./c/./d/../e", "https://base.example/a/b/c/e"},
        {"", "", "/root", "https://base.example/root"},
        {"", "", "//cdn.example/x", "https://cdn.example/x"},
        {"", "", "?q=1", "https://base.example/a/b/feed?q=1"},
        {"", "", "#part", "https://base.example/a/b/feed#part"},
        {"", "", "x/../y?a=../b#../c", "https://base.example/a/b/y?a=../b#../c"},
        {"sub/", "", "c", "https://base.example/a/b/sub/c"},
        {"https://entry.example/e/", "../l/", "c", "https://entry.example/l/c"},
        {"https://q.example/p/page?x=1#f", "", "c", "https://q.example/p/c"},
        {"https://q.example/p/page?x=1#f", "", "?y", "https://q.example/p/page?y"},
        {"https://q.example/p/page?x=1#f", "", "#g", "https://q.example/p/page?x=1#g"},
        {"https://bare.example", "", "c", "https://bare.example/c"},
        {"", "HTTP://Upper.example/x/", "y", "HTTP://Upper.example/x/y"},
        // A base of another scheme is passed over; an address of one is not written.
        {"javascript:alert(1)//", "", "c", "https://base.example/a/b/c"},
        {"", "", "mailto:someone@example.org", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.entryBase) + " + " + c.linkBase + " + " + c.href);
        const Block block = BlockOfFeed("atom", FeedWithBases(c.entryBase, c.linkBase, c.href));
        ASSERT_EQ(block.items.size(), 1u);
        EXPECT_EQ(block.items[0].link, c.expected);
    }
}

// Without xml:base, a relative link is resolved against the channel's link, and failing that
// against the address the feed was downloaded from.
TEST(FeedDialects, WithoutABaseLinksFollowTheChannelLinkThenTheSiteAddress) {
    const auto rss = [](const std::string& channelLink) {
        return "<rss version=\"2.0\"><channel><title>T</title>" + channelLink +
               "<item><title>I</title><link>story/1</link></item></channel></rss>" +
               std::string(100, ' ');
    };
    EXPECT_EQ(BlockOfFeed("rss", rss("<link>https://site.example/news/</link>")).items.at(0).link,
              "https://site.example/news/story/1");
    EXPECT_EQ(BlockOfFeed("rss", rss("")).items.at(0).link,
              "https://feeds.example.net/news/story/1");
}

// Script links in the channel, item, guid, xml:base, thumbnail and item HTML; scripts and
// event attributes in titles and summaries.
TEST(FeedDialects, HostileFeedsBringNoScriptIntoTheDigest) {
    const std::tuple<const char*, const char*, size_t> feeds[] = {{"hostile-rss.xml", "rss", 3},
                                                                  {"hostile-atom.xml", "atom", 2}};
    for (const auto& [file, type, items] : feeds) {
        SCOPED_TRACE(file);
        const Block block = BlockOfFeed(type, ReadBytes(RepoFixture(std::string("feeds/") + file)));
        EXPECT_NE(block.heading.find("Hostile"), std::string::npos) << "the feed was not shown";
        EXPECT_EQ(block.items.size(), items);
        EXPECT_EQ(block.scripts, std::vector<std::string>());
        for (const std::string& address : block.addresses)
            EXPECT_TRUE(address.empty() || address.rfind("https://", 0) == 0 ||
                        address.rfind("http://", 0) == 0)
                << address;
    }
}

} // namespace
