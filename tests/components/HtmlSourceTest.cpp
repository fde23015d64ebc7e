// The HTML source tree: where each element's tags stand in the page's bytes (so that markers
// taken from them are the page's own text), the page's <base href>, and links resolved as
// browsers resolve them.
#include "components/HtmlSource.h"

#include "support/TestSupport.h"

#include <gtest/gtest.h>

using namespace nimbrel::html;

namespace {

// The first element of that name.
size_t First(const SourceTree& tree, const std::string& name) {
    for (size_t i = 0; i < tree.size(); ++i)
        if (!tree[i].isText && tree[i].name == name)
            return i;
    ADD_FAILURE() << "no " << name;
    return 0;
}

std::string StartTag(const std::string& page, const SourceTree& tree, size_t element) {
    return page.substr(tree[element].begin, tree[element].openEnd - tree[element].begin);
}

TEST(SourceTree, KnowsWhereEachElementsTagsStandInThePage) {
    const struct {
        std::string page;
        std::string element;
        std::string startTag; // as the page writes it; empty for an element the parser implied
        std::string endsWith; // the page's bytes just before the element's end
        bool endTag;
    } cases[] = {
        {"<div class=a><p>one</p></div>", "p", "<p>", "</p>", true},
        {"<DIV Class='x y'>t</DiV >", "div", "<DIV Class='x y'>", "</DiV >", true},
        {"<a title=\"1 > 0\" href=x>go</a>", "a", "<a title=\"1 > 0\" href=x>", "</a>", true},
        {"<ul><li>a<li>b</ul>", "li", "<li>", "a", false}, // closed by the next <li>
        {"<p>x<br/>y</p>", "br", "<br/>", "<br/>", false},
        {"<p>x<img src=i>y</p>", "img", "<img src=i>", "<img src=i>", false},
        {"<table><tr><td>c</td></tr></table>", "html", "", "</table>", false}, // implied
        {"text first<b>bold</b>", "body", "", "</b>", false},
        {"<p><!-- <b> --><b>x</b></p>", "b", "<b>", "</b>", true}, // not the commented one
        {"\xEF\xBB\xBF<h2 id=\"\xC3\xA9\">caf\xC3\xA9</h2>", "h2", "<h2 id=\"\xC3\xA9\">", "</h2>",
         true},
    };
    for (const auto& c : cases) {
        const SourceTree tree = SourceTree::Parse(c.page);
        const size_t element = First(tree, c.element);
        EXPECT_EQ(StartTag(c.page, tree, element), c.startTag) << c.page;
        EXPECT_EQ(tree[element].implied(), c.startTag.empty()) << c.page;
        ASSERT_LE(tree[element].end, c.page.size()) << c.page;
        EXPECT_EQ(c.page.substr(0, tree[element].end)
                      .substr(tree[element].end >= c.endsWith.size()
                                  ? tree[element].end - c.endsWith.size()
                                  : 0),
                  c.endsWith)
            << c.page;
        EXPECT_EQ(tree[element].endTag, c.endTag) << c.page;
    }
}

TEST(SourceTree, ReadsTextsAndAttributesAsABrowserShowsThem) {
    const std::string page = "<html><head><title>T</title><style>p{}</style></head><body>"
                             "<p class=' lead  lead note'>Fish &amp; chips&nbsp;&#8230;</p>"
                             "<script>var x = '<b>no</b>';</script><A HREF='/x?a=1&amp;b=2'>go</A>"
                             "</body></html>";
    const SourceTree tree = SourceTree::Parse(page);
    const size_t p = First(tree, "p");
    EXPECT_EQ(tree.classes(p), (std::vector<std::string>{"lead", "note"}));
    ASSERT_EQ(tree[p].children.size(), 1u);
    EXPECT_EQ(tree[tree[p].children[0]].text, "Fish & chips\xC2\xA0\xE2\x80\xA6");
    const size_t a = First(tree, "a");
    EXPECT_EQ(tree.attribute(a, "href"), "/x?a=1&b=2");
    EXPECT_TRUE(tree.hasAttribute(a, "href"));
    EXPECT_FALSE(tree.hasAttribute(a, "title"));
    EXPECT_TRUE(tree.within(tree[a].children[0], First(tree, "body")));
    for (const Node& node : tree.nodes())
        EXPECT_EQ(node.text.find("no"), std::string::npos) << "script text is no page text";
    EXPECT_TRUE(tree[First(tree, "script")].children.empty());
}

TEST(SourceTree, DeepAndHostilePagesNeverBreakIt) {
    const std::string deep = nimbrel::test::Repeated("<div>", 100000) + "x";
    const SourceTree tree = SourceTree::Parse(deep);
    EXPECT_GE(tree.size(), 100000u);
    EXPECT_EQ(SourceTree::Parse("").size(), 0u);
    for (const std::string& page :
         {std::string("<a href=\"unclosed"), std::string("</b></b></p>"), std::string("<<<>>>"),
          std::string("<x \x01\x02>\xFF\xFE</x>")}) {
        const SourceTree odd = SourceTree::Parse(page);
        for (const Node& node : odd.nodes())
            EXPECT_LE(node.begin, node.end) << page;
    }
}

TEST(SourceTree, BaseIsTheHeadsFirstBaseWithAnHref) {
    const struct {
        std::string page;
        std::string base;
    } cases[] = {
        {"<html><head><base target=_top><base href=\" //cdn.example/a/ \"></head></html>",
         " //cdn.example/a/ "},
        {"<head><title>x</title></head><body><base href=/late/></body>", ""}, // only the head
        {"<p>text</p><base href=/body/>", ""},
        {"no markup at all", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(BaseHref(c.page), c.base) << c.page;
}

TEST(ResolveAddress, FollowsTheRulesBrowsersFollow) {
    const struct {
        const char* reference;
        const char* base;
        const char* resolved;
    } cases[] = {
        {"showthread.php?t=1", "http://forum.example", "http://forum.example/showthread.php?t=1"},
        {"story/1", "https://news.example/deep/page.html", "https://news.example/deep/story/1"},
        {"../up", "https://news.example/a/b/", "https://news.example/a/up"},
        {"//cdn.example/x", "https://news.example/", "https://cdn.example/x"},
        {"/root?q=1#f", "http://h.example/a/b", "http://h.example/root?q=1#f"},
        {"https://other.example/", "http://h.example/", "https://other.example/"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ResolveAddress(c.reference, c.base), c.resolved) << c.reference;
    EXPECT_EQ(HostOf("https://News.Example:8080/x"), "news.example");
    EXPECT_EQ(HostOf("relative/path"), "");
}

} // namespace
