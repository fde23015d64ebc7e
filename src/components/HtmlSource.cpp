#include "components/HtmlSource.h"

#include "components/XmlEngineInternal.h"
#include "platform/Convert.h"

#include <libxml/HTMLparser.h>
#include <libxml/parserInternals.h>
#include <libxml/uri.h>

#include <algorithm>
#include <climits>
#include <memory>

namespace nimbrel::html {

namespace {

// How far back from a tag's ">" its "<name" is looked for: longer start tags are not marked.
constexpr size_t kLongestTag = 1 << 20;
// An end tag's "</" lies this close before the parser's position after it.
constexpr size_t kLongestEndTag = 256;

// True when `name` (lower case) stands at `at`, in any letter case, followed by a character
// that ends a tag name.
bool NameAt(std::string_view text, size_t at, std::string_view name) {
    if (at + name.size() >= text.size())
        return false;
    for (size_t i = 0; i < name.size(); ++i)
        if (LowerAscii(text[at + i]) != name[i])
            return false;
    const char after = text[at + name.size()];
    return IsHtmlBlank(after) || after == '>' || after == '/';
}

bool IsRawTextElement(std::string_view name) {
    return name == "script" || name == "style" || name == "template";
}

std::string Text(const xmlChar* text) {
    return text ? std::string(reinterpret_cast<const char*>(text)) : std::string();
}

} // namespace

// Builds the tree from the parser's SAX events, reading the parser's byte position at each.
struct SourceTreeBuilder {
    std::string_view source;
    xmlParserCtxt* parser = nullptr;
    SourceTree tree;
    std::vector<size_t> open; // elements not yet closed, outermost first
    size_t lastPosition = 0;  // the parser's position at the previous event
    int rawText = 0;          // open script, style and template elements
    bool stopAtBody = false;  // only the head is wanted
    bool bodyReached = false;

    size_t position() const {
        const long consumed = xmlByteConsumed(parser);
        return consumed < 0 ? lastPosition : std::min(static_cast<size_t>(consumed), source.size());
    }

    size_t add(html::Node node) {
        const size_t index = tree.nodes_.size();
        node.parent = open.empty() ? kNoNode : open.back();
        node.depth = open.size();
        if (node.parent == kNoNode)
            tree.roots_.push_back(index);
        else
            tree.nodes_[node.parent].children.push_back(index);
        tree.nodes_.push_back(std::move(node));
        return index;
    }

    // Where the start tag whose ">" (or "/>") the parser stands on begins; `at` itself when the
    // parser implied the element.
    size_t tagBegin(std::string_view name, size_t at) const {
        if (at >= source.size() || !(source[at] == '>' || source.substr(at, 2) == "/>"))
            return at;
        const size_t floor = std::max(lastPosition, at > kLongestTag ? at - kLongestTag : 0);
        for (size_t lt = at; lt-- > floor;)
            if (source[lt] == '<' && NameAt(source, lt + 1, name))
                return lt;
        return at;
    }

    // True when the bytes just before `at` are the element's own end tag.
    bool endTagBefore(std::string_view name, size_t at) const {
        if (at == 0 || source[at - 1] != '>')
            return false;
        const size_t floor = at > kLongestEndTag ? at - kLongestEndTag : 0;
        for (size_t lt = at - 1; lt-- > floor;) {
            if (source[lt] != '<')
                continue;
            if (lt + 1 >= source.size() || source[lt + 1] != '/' || !NameAt(source, lt + 2, name))
                return false;
            for (size_t i = lt + 2 + name.size(); i < at - 1; ++i)
                if (!IsHtmlBlank(source[i]))
                    return false;
            return true;
        }
        return false;
    }

    void start(const xmlChar* rawName, const xmlChar** attributes) {
        html::Node node;
        node.name = Text(rawName);
        node.name = LowerAscii(node.name);
        if (stopAtBody && node.name == "body") {
            bodyReached = true;
            xmlStopParser(parser);
            return;
        }
        for (const xmlChar** a = attributes; a && a[0]; a += 2) {
            std::string name = Text(a[0]);
            name = LowerAscii(name);
            node.attributes.emplace_back(std::move(name), Text(a[1]));
        }
        const size_t at = position();
        node.begin = tagBegin(node.name, at);
        if (node.begin != at)
            node.openEnd = source[at] == '>' ? at + 1 : at + 2;
        else
            node.openEnd = at;
        node.end = node.openEnd;
        if (IsRawTextElement(node.name))
            ++rawText;
        // An element the parser implied stands nowhere: the tag that made it imply one begins
        // before the parser's position, and must still be found.
        if (node.begin != at)
            lastPosition = at;
        open.push_back(add(std::move(node)));
    }

    void end(const xmlChar* rawName) {
        std::string name = Text(rawName);
        name = LowerAscii(name);
        const size_t at = position();
        // The parser closes what it opened, innermost first; a name it never opened is passed over.
        const auto match = std::find_if(open.rbegin(), open.rend(), [&](size_t element) {
            return tree.nodes_[element].name == name;
        });
        if (match == open.rend())
            return;
        while (!open.empty()) {
            const size_t element = open.back();
            open.pop_back();
            html::Node& node = tree.nodes_[element];
            node.end = std::max(at, node.openEnd);
            if (IsRawTextElement(node.name))
                --rawText;
            if (node.name == name) {
                node.endTag = endTagBefore(name, at);
                break;
            }
        }
        lastPosition = at;
    }

    void characters(const xmlChar* text, int length) {
        lastPosition = position();
        if (rawText > 0 || length <= 0 || open.empty())
            return;
        const html::Node& parent = tree.nodes_[open.back()];
        if (!parent.children.empty() && tree.nodes_[parent.children.back()].isText) {
            tree.nodes_[parent.children.back()].text.append(reinterpret_cast<const char*>(text),
                                                            static_cast<size_t>(length));
            return;
        }
        html::Node node;
        node.isText = true;
        node.text.assign(reinterpret_cast<const char*>(text), static_cast<size_t>(length));
        node.begin = node.openEnd = node.end = lastPosition;
        add(std::move(node));
    }

    static SourceTreeBuilder& Of(void* context) {
        auto* parser = static_cast<xmlParserCtxt*>(context);
        return *static_cast<SourceTreeBuilder*>(parser->_private);
    }

    void run() {
        msxml::InitialiseEngine();
        if (source.empty())
            return;
        const int length = source.size() > static_cast<size_t>(INT_MAX)
                               ? INT_MAX
                               : static_cast<int>(source.size());
        parser = htmlCreateMemoryParserCtxt(source.data(), length);
        if (!parser)
            return;
        htmlSAXHandler* sax = parser->sax;
        *sax = htmlSAXHandler{};
        sax->initialized = 1;
        sax->startElement = [](void* c, const xmlChar* n, const xmlChar** a) { Of(c).start(n, a); };
        sax->endElement = [](void* c, const xmlChar* n) { Of(c).end(n); };
        sax->characters = [](void* c, const xmlChar* t, int l) { Of(c).characters(t, l); };
        sax->ignorableWhitespace = sax->characters;
        sax->cdataBlock = sax->characters;
        parser->_private = this;
        htmlCtxtUseOptions(parser, HTML_PARSE_NONET | HTML_PARSE_NOERROR | HTML_PARSE_NOWARNING |
                                       HTML_PARSE_RECOVER | HTML_PARSE_NODEFDTD |
                                       HTML_PARSE_IGNORE_ENC);
        // The text is read as the UTF-8 it is, whatever its <meta> says (pages are converted
        // when they arrive): with no encoder between, the parser's positions are the text's.
        parser->charset = XML_CHAR_ENCODING_UTF8;
        htmlParseDocument(parser);
        // Whatever the parser left open ends with the text.
        for (size_t element : open)
            tree.nodes_[element].end = source.size();
        open.clear();
        htmlFreeParserCtxt(parser);
        parser = nullptr;
    }
};

SourceTree SourceTree::Parse(std::string_view utf8Html) {
    SourceTreeBuilder builder;
    builder.source = utf8Html;
    builder.run();
    return std::move(builder.tree);
}

std::string SourceTree::attribute(size_t element, std::string_view name) const {
    for (const auto& [key, value] : nodes_[element].attributes)
        if (key == name)
            return value;
    return {};
}

bool SourceTree::hasAttribute(size_t element, std::string_view name) const {
    const auto& attributes = nodes_[element].attributes;
    return std::any_of(attributes.begin(), attributes.end(),
                       [&](const auto& attribute) { return attribute.first == name; });
}

std::vector<std::string> SourceTree::classes(size_t element) const {
    std::vector<std::string> words;
    const std::string value = attribute(element, "class");
    size_t at = 0;
    while (at < value.size()) {
        while (at < value.size() && IsHtmlBlank(value[at]))
            ++at;
        size_t end = at;
        while (end < value.size() && !IsHtmlBlank(value[end]))
            ++end;
        if (end > at) {
            std::string word = value.substr(at, end - at);
            if (std::find(words.begin(), words.end(), word) == words.end())
                words.push_back(std::move(word));
        }
        at = end;
    }
    return words;
}

bool SourceTree::within(size_t node, size_t ancestor) const {
    for (size_t at = node; at != kNoNode; at = nodes_[at].parent)
        if (at == ancestor)
            return true;
    return false;
}

size_t SourceTree::subtreeEnd(size_t node) const {
    size_t end = node + 1;
    while (end < nodes_.size() && nodes_[end].depth > nodes_[node].depth)
        ++end;
    return end;
}

std::string BaseHref(std::string_view utf8Html) {
    SourceTreeBuilder builder;
    builder.source = utf8Html;
    builder.stopAtBody = true;
    builder.run();
    for (size_t i = 0; i < builder.tree.size(); ++i)
        if (builder.tree[i].name == "base" && builder.tree.hasAttribute(i, "href"))
            return builder.tree.attribute(i, "href");
    return {};
}

std::string HostOf(std::string_view address) {
    const std::string text(address);
    xmlURI* uri = xmlParseURI(text.c_str());
    if (!uri)
        return {};
    std::string host = uri->server ? uri->server : "";
    xmlFreeURI(uri);
    host = LowerAscii(host);
    return host;
}

std::string ResolveAddress(std::string_view reference, std::string_view base) {
    const std::string ref(reference);
    const std::string from(base);
    xmlChar* resolved = xmlBuildURI(BAD_CAST ref.c_str(), BAD_CAST from.c_str());
    if (!resolved)
        return {};
    std::string address(reinterpret_cast<const char*>(resolved));
    xmlFree(resolved);
    return address;
}

} // namespace nimbrel::html
