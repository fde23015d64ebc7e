// A web page read by libxml2's HTML parser as a browser would read it (implied and misnested
// tags mended, entities decoded), with each element's place in the page's text, so a tool can
// say "this element's start tag is these bytes of the page". Used to find a page's repeated
// items and the text markers around them; nothing here changes the page.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace nimbrel::html {

constexpr size_t kNoNode = SIZE_MAX;

struct Node {
    bool isText = false;
    std::string name; // an element's tag name, lower case
    // An element's attributes in page order: names lower case, values with entities decoded.
    std::vector<std::pair<std::string, std::string>> attributes;
    std::string text; // a text node's text, entities decoded
    size_t parent = kNoNode;
    std::vector<size_t> children; // elements and texts in page order
    size_t depth = 0;             // 0 for the top elements
    // Where an element stands in the page's bytes: its start tag from `begin` to `openEnd`
    // (just past its ">"), the element up to `end` (just past its end tag, or where the parser
    // closed it). An element the parser implied has no tag: begin == openEnd.
    size_t begin = 0;
    size_t openEnd = 0;
    size_t end = 0;
    bool endTag = false; // an end tag of its own closes it: the bytes before `end`

    bool implied() const { return begin == openEnd; }
};

class SourceTree {
  public:
    // Reads UTF-8 HTML; never fails on content (an empty text gives no nodes). Text inside
    // script, style and template elements is left out; comments are too.
    static SourceTree Parse(std::string_view utf8Html);

    const std::vector<Node>& nodes() const { return nodes_; }
    const Node& operator[](size_t index) const { return nodes_[index]; }
    size_t size() const { return nodes_.size(); }
    // The top nodes (usually the html element), in page order.
    const std::vector<size_t>& roots() const { return roots_; }

    // The attribute's value, or empty when the element has none.
    std::string attribute(size_t element, std::string_view name) const;
    bool hasAttribute(size_t element, std::string_view name) const;
    // The class attribute's words, in order, each once.
    std::vector<std::string> classes(size_t element) const;
    // True when `node` is `ancestor` or lies inside it.
    bool within(size_t node, size_t ancestor) const;
    // The index just past the node and everything inside it (nodes are in page order).
    size_t subtreeEnd(size_t node) const;

  private:
    std::vector<Node> nodes_;
    std::vector<size_t> roots_;
    friend struct SourceTreeBuilder;
};

// The href of the page's first <base> element that has one, as written; empty when there is
// none. Only the page's head is read: the parse stops where its body begins.
std::string BaseHref(std::string_view utf8Html);

// The host of an address, lower case; empty when it names none.
std::string HostOf(std::string_view address);

// The reference resolved against the base address by the rules of RFC 3986, as browsers
// resolve links; empty when either cannot be read.
std::string ResolveAddress(std::string_view reference, std::string_view base);

} // namespace nimbrel::html
