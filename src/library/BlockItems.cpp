#include "library/BlockItems.h"

#include "components/HtmlSource.h"
#include "library/ReaderText.h"
#include "platform/Convert.h"

#include <algorithm>

namespace nimbrel {

namespace {

using html::kNoNode;
using html::SourceTree;

bool HasClass(const SourceTree& tree, size_t node, const char* name) {
    const std::vector<std::string> classes = tree.classes(node);
    return std::find(classes.begin(), classes.end(), name) != classes.end();
}

} // namespace

std::vector<ShownItem> BlockItems(std::string_view block) {
    const SourceTree tree = SourceTree::Parse(block);
    const PageReaderText text(tree);
    std::vector<ShownItem> items;
    for (size_t i = 0; i < tree.size(); ++i) {
        if (tree[i].isText || !HasClass(tree, i, "item"))
            continue;
        const size_t end = tree.subtreeEnd(i);
        size_t link = kNoNode;
        size_t title = kNoNode;
        for (size_t j = i; j < end; ++j) {
            if (link == kNoNode && !tree[j].isText && tree[j].name == "a" &&
                !Trim(tree.attribute(j, "href")).empty())
                link = j;
            if (title == kNoNode && !tree[j].isText && HasClass(tree, j, "item-title"))
                title = j;
        }
        ShownItem item;
        item.link = link == kNoNode ? std::string() : Trim(tree.attribute(link, "href"));
        item.title = text.of(title != kNoNode ? title : link != kNoNode ? link : i);
        items.push_back(std::move(item));
        i = end - 1; // an item inside an item is part of it
    }
    return items;
}

} // namespace nimbrel
