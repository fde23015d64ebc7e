// The last pass over every block: what could act on its own in the browser goes, what a
// stylesheet writes for people to read stays as it was written.
#include "components/ActiveContent.h"
#include "pipeline/Placeholders.h"

#include <gtest/gtest.h>

#include <string>

using namespace nimbrel;

namespace {

struct Case {
    const char* name;
    const char* block;
    const char* kept; // must still be in the result ("" for nothing to look for)
    const char* gone; // must not be in the result, in any letter case
};

std::string Lower(std::string text) {
    for (char& c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

TEST(ActiveContent, WhatActsOnItsOwnGoesAndTheTextAroundItStays) {
    const Case cases[] = {
        {"script", "<p>a<script>alert(1)</script>b</p>", "<p>ab</p>", "script"},
        {"script in capitals", "<P>a<SCRIPT>x()</SCRIPT></P>", "<p>a</p>", "x()"},
        {"meta refresh", "<div><meta http-equiv=\"refresh\" content=\"0;url=http://e.x/\">t</div>",
         "<div>t</div>", "refresh"},
        {"base", "<base href=\"http://e.x/\"><a href=\"http://a.x/\">l</a>", "l</a>", "<base"},
        {"link", "<link rel=\"stylesheet\" href=\"http://e.x/a.css\"><p>t</p>", "<p>t</p>",
         "<link"},
        {"iframe srcdoc", "<iframe srcdoc=\"&lt;script&gt;x()&lt;/script&gt;\"></iframe><p>t</p>",
         "<p>t</p>", "srcdoc"},
        {"iframe", "<iframe src=\"http://e.x/\">in</iframe>after", "after", "iframe"},
        {"object and embed", "<object data=\"x.swf\"><embed src=\"x.swf\"></object>t", "t", "swf"},
        {"style element", "<style>body{display:none}</style><p>t</p>", "<p>t</p>", "display"},
        {"event handler", "<img src=\"http://e.x/a.png\" onerror=\"x()\">", "http://e.x/a.png",
         "onerror"},
        {"event handler in capitals", "<p OnMouseOver=\"x()\">t</p>", "<p>t</p>", "x()"},
        {"javascript link", "<a href=\"javascript:x()\">l</a>", "<a href=\"#\">l</a>",
         "javascript"},
        {"javascript link with a tab", "<a href=\"java\tscript:x()\">l</a>", "href=\"#\"",
         "script"},
        {"data image", "<img src=\"data:image/svg+xml,&lt;svg onload=x()&gt;\" alt=\"a\">",
         "alt=\"a\"", "data:"},
        {"relative source", "<img src=\"../../etc/passwd\" alt=\"a\">", "alt=\"a\"", "passwd"},
        {"srcset", "<img srcset=\"http://e.x/1.png 1x, javascript:x() 2x\" alt=\"a\">", "alt",
         "srcset"},
        {"style that loads", "<p style=\"background:url(http://e.x/t.png)\">t</p>", "<p>t</p>",
         "url("},
        {"style escaped", "<p style=\"background:u\\72l(x)\">t</p>", "<p>t</p>", "style"},
        {"style expression", "<p style=\"width:expression(x())\">t</p>", "<p>t</p>", "expression"},
        {"form", "<form action=\"http://e.x/\"><input name=\"q\">Search</form>", "Search", "<form"},
        {"svg animation", "<svg><a><set attributeName=\"href\" to=\"javascript:x()\"/>t</a></svg>",
         "t", "javascript"},
        {"comment", "<p>a<!-- <script>x()</script> -->b</p>", "<p>ab</p>", "<!--"},
        {"comment ended the browser's way",
         "<p>a</p><!-- --!><meta http-equiv=refresh content=0;url=http://e.x/> -->", "<p>a</p>",
         "refresh"},
        {"noscript", "<noscript><p title=\"</noscript><img src=x onerror=x()>\"></p></noscript>t",
         "t", "onerror"},
        {"processing instruction", "<?xml version=\"1.0\" encoding=\"UTF-16\"?><p>t</p>",
         "<p>t</p>", "<?xml"},
        {"template", "<template><script>x()</script></template>t", "t", "x()"},
        {"textarea", "<textarea></textarea><img src=x onerror=x()></textarea>t", "t", "onerror"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string result = WithoutActiveContent(c.block);
        EXPECT_NE(result.find(c.kept), std::string::npos) << result;
        EXPECT_EQ(Lower(result).find(Lower(c.gone)), std::string::npos) << result;
    }
}

TEST(ActiveContent, WhatTheShippedStylesheetsAndTheFrameWriteComesBackByteForByte) {
    const char* const blocks[] = {
        "<div class=\"site-frame\" id=\"site-3\" data-site=\"BBC &amp; Co\" data-status=\"ok\" "
        "data-fetched=\"2025-12-01T10:00:00Z\"><div class=\"site-frame-head\"><a "
        "class=\"site-frame-name\" href=\"https://www.bbc.co.uk/\">BBC &amp; Co</a> <span "
        "class=\"site-frame-updated\">updated <time "
        "datetime=\"2025-12-01T10:00:00Z\">10:00</time></span></div><p "
        "class=\"site-frame-note\">Could not update at 11:00: HTTP 404.</p></div>",
        "<div class=\"feed\"><h2 class=\"feed-title\"><a href=\"https://e.x/\">Caf\xC3\xA9 "
        "news</a></h2><ol class=\"items\"><li class=\"item new\"><a class=\"item-title\" "
        "href=\"https://e.x/a?b=1&amp;c=2\">A &lt;b&gt; story</a><img class=\"thumb\" "
        "src=\"https://e.x/t.jpg\" alt=\"\" loading=\"lazy\" referrerpolicy=\"no-referrer\"><p "
        "class=\"summary\">Text &amp; more</p><time class=\"date\">1 Dec</time></li></ol></div>",
        "<p>Mail <a href=\"mailto:a@e.x\">us</a> or <a href=\"#top\">go up</a>.<br>Done</p>",
        "plain text with no markup at all",
    };
    for (const char* block : blocks)
        EXPECT_EQ(WithoutActiveContent(block), block);
}

TEST(ActiveContent, APlaceholderInABlockKeepsTheFormTheLayoutIsSearchedFor) {
    const std::string result =
        WithoutActiveContent("<p>before<site URL=\"a.example/x?b=1&amp;c=2\" "
                             "onclick=\"x()\"/>after</p>");
    EXPECT_NE(result.find(kPlaceholderStart), std::string::npos) << result;
    const std::string layout = "<td>" + result + "</td>";
    const std::string placed = PlaceBlocks(layout, {{"a.example/x?b=1&c=2", "BLOCK"}});
    EXPECT_NE(placed.find("beforeBLOCKafter"), std::string::npos) << placed;
    EXPECT_EQ(result.find("onclick"), std::string::npos);
}

} // namespace
