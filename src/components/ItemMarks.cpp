#include "components/ItemMarks.h"

#include "components/ActiveContent.h"
#include "components/BlockHtml.h"
#include "platform/Convert.h"

#include <unordered_set>

namespace nimbrel {

namespace {

std::string LinkOf(const xmlNode* anchor) {
    xmlChar* value = xmlGetProp(anchor, BAD_CAST "href");
    if (value == nullptr)
        return {};
    std::string link;
    for (const xmlChar* c = value; *c; ++c)
        if (*c != '\t' && *c != '\n' && *c != '\r')
            link += static_cast<char>(*c);
    xmlFree(value);
    return Trim(link);
}

bool IsLink(const xmlNode* element) {
    return xmlStrcasecmp(element->name, BAD_CAST "a") == 0 && !LinkOf(element).empty();
}

// The item's first link, the item itself when it is a link; empty when it has none.
std::string FirstLink(xmlNode* item) {
    for (xmlNode* e = item; e != nullptr; e = NextElement(e, item))
        if (IsLink(e))
            return LinkOf(e);
    return {};
}

void AddClass(xmlNode* element, const char* name) {
    xmlChar* value = xmlGetProp(element, BAD_CAST "class");
    std::string classes = value ? reinterpret_cast<const char*>(value) : "";
    xmlFree(value);
    classes += classes.empty() ? name : std::string(" ") + name;
    xmlSetProp(element, BAD_CAST "class", BAD_CAST classes.c_str());
}

} // namespace

namespace {

// Marks the new items among the nodes below `nodes`; the links and count go into `marked`.
void MarkItems(xmlNode* nodes, const std::vector<std::string>* shownBefore, MarkedBlock& marked) {
    const std::unordered_set<std::string> before =
        shownBefore ? std::unordered_set<std::string>(shownBefore->begin(), shownBefore->end())
                    : std::unordered_set<std::string>();
    std::unordered_set<std::string> seen;
    for (xmlNode* e = NextElement(nodes, nodes); e != nullptr; e = NextElement(e, nodes)) {
        if (!HasClass(e, "item"))
            continue;
        std::string link = FirstLink(e);
        if (link.empty())
            continue;
        if (shownBefore && !before.contains(link)) {
            if (!HasClass(e, "new"))
                AddClass(e, "new");
            ++marked.newItems;
        }
        if (seen.insert(link).second)
            marked.links.push_back(std::move(link));
    }
}

} // namespace

MarkedBlock MarkNewItems(std::string_view block, const std::vector<std::string>* shownBefore) {
    MarkedBlock marked;
    const size_t declaration = BlockDeclarationLength(block);
    BlockDoc doc = ReadBlockAsHtml(block.substr(declaration));
    xmlNode* nodes = doc ? BlockNodes(doc.get()) : nullptr;
    if (nodes == nullptr) {
        marked.block = block;
        return marked;
    }
    MarkItems(nodes, shownBefore, marked);
    marked.block = marked.newItems == 0 ? std::string(block)
                                        : std::string(block.substr(0, declaration)) +
                                              WriteHtmlChildren(doc.get(), nodes);
    return marked;
}

MarkedBlock MarkNewItemsWithoutActiveContent(std::string_view html,
                                             const std::vector<std::string>* shownBefore) {
    MarkedBlock marked;
    BlockDoc doc = ReadBlockAsHtml(html);
    xmlNode* nodes = doc ? BlockNodes(doc.get()) : nullptr;
    if (nodes == nullptr)
        return marked;
    RemoveActiveContent(nodes);
    MarkItems(nodes, shownBefore, marked);
    marked.block = WriteHtmlChildren(doc.get(), nodes);
    return marked;
}

} // namespace nimbrel
