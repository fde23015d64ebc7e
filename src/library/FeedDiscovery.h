// Telling what a fetched address holds, by its content: a feed (RSS 0.9x, 1.0/RDF and 2.0, Atom
// 0.3 and 1.0, whatever the Content-Type says), an HTML page and the feeds it names in its
// <link rel="alternate"> elements, or neither. Nothing here fetches; pages are UTF-8 text.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace nimbrel {

struct FeedHead {
    std::string type;  // the library's Type: "rss" or "atom"
    std::string title; // the feed's own title, blanks collapsed; may be empty
};

// The feed's type and title when the text is a feed (one that is not quite well-formed counts
// when its root says what it is); nothing otherwise.
std::optional<FeedHead> DetectFeed(std::string_view utf8Text);

// True for a text served as HTML, or one that opens like an HTML document whatever it is
// served as.
bool LooksLikeHtml(std::string_view utf8Text, std::string_view contentType);

struct FeedLink {
    std::string url;   // absolute: resolved against the page's <base> and address
    std::string type;  // "rss" or "atom"
    std::string title; // the link's title attribute; may be empty
};

// How many of a page's feeds are listed: enough for any real page, and a page that names
// hundreds of thousands costs no more than reading it.
inline constexpr size_t kListedFeedLinks = 100;

struct PageFeeds {
    // The page's <link rel="alternate" type="application/rss+xml|atom+xml" href>, in page
    // order, each address once: the first kListedFeedLinks of them.
    std::vector<FeedLink> links;
    size_t count = 0;  // how many different feed addresses the page names in all
    std::string title; // the page's <title>, blanks collapsed; empty when it has none
};

// The feeds an HTML page names and its title, from one reading of the page, in time linear in
// its size. `pageUrl` is where the page was fetched from (after redirects).
PageFeeds ReadPageFeeds(std::string_view utf8Html, const std::string& pageUrl);

} // namespace nimbrel
