#include "library/PageItems.h"

#include "platform/Convert.h"

#include <algorithm>
#include <optional>
#include <set>
#include <tuple>

namespace nimbrel {

namespace {

using html::kNoNode;
using html::SourceTree;

// How far up from the example an item is looked for, and how far apart (in levels to their
// nearest common ancestor) two items of one list may stand: a grid's cells, a table's columns.
constexpr size_t kMaxLevels = 16;
constexpr size_t kMaxKinship = 4;
// Two class lists name the same kind of element when they share at least half their words.
constexpr double kSimilarClasses = 0.5;
// The item's own link, where the example is not in a link, is the link that stands in the same
// place in at least this share of the items, each leading somewhere else.
constexpr double kLinkRoleCoverage = 0.8;
constexpr double kLinkRoleDistinct = 0.9;
// A wider item is preferred when its links are this share of the best set's.
constexpr double kNearlySameLinks = 0.9;

struct Step {
    std::string tag;
    std::vector<std::string> classes;
    size_t ordinal = 0; // among the siblings of the same kind
};
using Path = std::vector<Step>;

// Where a link stands in an item: for a run, first the run's element that holds it.
struct LinkRole {
    std::optional<Step> member;
    Path path;
};

bool SimilarClasses(const std::vector<std::string>& a, const std::vector<std::string>& b) {
    if (a.empty() || b.empty())
        return a.empty() && b.empty();
    const size_t common =
        static_cast<size_t>(std::count_if(a.begin(), a.end(), [&](const std::string& word) {
            return std::find(b.begin(), b.end(), word) != b.end();
        }));
    return static_cast<double>(common) >=
           kSimilarClasses * static_cast<double>(a.size() + b.size() - common);
}

class Finder {
  public:
    Finder(const PageView& page) : page_(page), tree_(page.tree), classes_(tree_.size()) {
        for (size_t i = 0; i < tree_.size(); ++i)
            if (!tree_[i].isText)
                classes_[i] = tree_.classes(i);
    }

    std::vector<ItemSet> setsAround(size_t anchor, const std::vector<size_t>& anchors);

  private:
    bool matches(size_t node, const std::string& tag,
                 const std::vector<std::string>& classes) const {
        return !tree_[node].isText && tree_[node].name == tag &&
               SimilarClasses(classes, classes_[node]);
    }
    Step stepTo(size_t node) const;
    Path pathFrom(size_t top, size_t node) const;
    size_t follow(size_t from, const Step& step) const;
    size_t resolve(size_t from, const Path& path, std::vector<size_t>* chain = nullptr) const;
    std::vector<size_t> peers(size_t element, size_t kinship, bool anyClass) const;
    size_t linkAround(size_t anchor) const;
    std::vector<size_t> linksWithin(size_t node) const;

    std::optional<ItemSet> elementItems(size_t level, size_t kinship, bool anyClass, size_t link,
                                        size_t title);
    std::optional<ItemSet> runItems(size_t level, size_t title);
    bool chooseLinks(ItemSet& set, const std::vector<std::vector<size_t>>& members);
    size_t follow(const std::vector<size_t>& members, const LinkRole& role,
                  std::vector<size_t>* chain) const;
    void finish(ItemSet& set, const std::vector<size_t>& anchors) const;

    const PageView& page_;
    const SourceTree& tree_;
    std::vector<std::vector<std::string>> classes_;
};

Step Finder::stepTo(size_t node) const {
    Step step{tree_[node].name, classes_[node], 0};
    for (const size_t sibling : tree_[tree_[node].parent].children) {
        if (sibling == node)
            break;
        if (matches(sibling, step.tag, step.classes))
            ++step.ordinal;
    }
    return step;
}

Path Finder::pathFrom(size_t top, size_t node) const {
    Path path;
    for (size_t at = node; at != top && at != kNoNode; at = tree_[at].parent)
        path.push_back(stepTo(at));
    std::reverse(path.begin(), path.end());
    return path;
}

size_t Finder::follow(size_t from, const Step& step) const {
    size_t seen = 0;
    for (const size_t child : tree_[from].children)
        if (matches(child, step.tag, step.classes) && seen++ == step.ordinal)
            return child;
    return kNoNode;
}

size_t Finder::resolve(size_t from, const Path& path, std::vector<size_t>* chain) const {
    if (chain)
        chain->assign(1, from);
    size_t at = from;
    for (const Step& step : path) {
        at = follow(at, step);
        if (at == kNoNode)
            return kNoNode;
        if (chain)
            chain->push_back(at);
    }
    return at;
}

// The elements of the element's kind whose ancestor `kinship` levels up is the element's, with
// the same tags (and kinds of class) on the way down to them: its siblings for kinship 1.
// `anyClass`: the elements themselves may have other classes.
std::vector<size_t> Finder::peers(size_t element, size_t kinship, bool anyClass) const {
    std::vector<size_t> chain{element};
    for (size_t level = 0; level < kinship; ++level) {
        const size_t parent = tree_[chain.back()].parent;
        if (parent == kNoNode)
            return {};
        chain.push_back(parent);
    }
    std::vector<size_t> frontier{chain.back()};
    for (size_t level = kinship; level-- > 0;) {
        const size_t model = chain[level];
        std::vector<size_t> next;
        for (const size_t node : frontier)
            for (const size_t child : tree_[node].children)
                if (level == 0 && anyClass
                        ? !tree_[child].isText && tree_[child].name == tree_[model].name
                        : matches(child, tree_[model].name, classes_[model]))
                    next.push_back(child);
        frontier = std::move(next);
    }
    return frontier;
}

std::vector<size_t> Finder::linksWithin(size_t node) const {
    std::vector<size_t> links;
    for (size_t i = node, end = tree_.subtreeEnd(node); i < end; ++i)
        if (page_.isLink(i))
            links.push_back(i);
    return links;
}

// The link the anchor stands in, or the one link its text holds; kNoNode for neither.
size_t Finder::linkAround(size_t anchor) const {
    for (size_t at = anchor; at != kNoNode; at = tree_[at].parent)
        if (page_.isLink(at))
            return at;
    size_t found = kNoNode;
    for (const size_t link : linksWithin(anchor)) {
        if (found != kNoNode && page_.hrefOf(link) != page_.hrefOf(found))
            return kNoNode;
        if (found == kNoNode)
            found = link;
    }
    return found;
}

size_t Finder::follow(const std::vector<size_t>& members, const LinkRole& role,
                      std::vector<size_t>* chain) const {
    size_t top = kNoNode;
    if (role.member) {
        size_t seen = 0;
        for (const size_t member : members)
            if (matches(member, role.member->tag, role.member->classes) &&
                seen++ == role.member->ordinal) {
                top = member;
                break;
            }
    } else {
        top = members.front();
    }
    if (top == kNoNode)
        return kNoNode;
    const size_t link = resolve(top, role.path, chain);
    return link != kNoNode && page_.isLink(link) ? link : kNoNode;
}

// Where the example is not in a link: the link that stands in the same place in (nearly) every
// item, each leading elsewhere; one on the page's own site first, then the earliest. Items
// without it are dropped. False when no link qualifies.
bool Finder::chooseLinks(ItemSet& set, const std::vector<std::vector<size_t>>& members) {
    const std::vector<size_t>& example = members[set.example];
    const std::string ownHost = html::HostOf(page_.base);
    struct Choice {
        LinkRole role;
        std::vector<size_t> links;
        std::vector<std::vector<size_t>> chains;
        std::tuple<bool, size_t, size_t> rank; // own site, items covered, -position
    };
    std::optional<Choice> best;
    size_t position = 0;
    for (const size_t member : example) {
        for (const size_t link : linksWithin(member)) {
            ++position;
            LinkRole role;
            if (set.runs) {
                // The member's place counts among its run's elements only.
                Step step{tree_[member].name, classes_[member], 0};
                for (const size_t other : example) {
                    if (other == member)
                        break;
                    if (matches(other, step.tag, step.classes))
                        ++step.ordinal;
                }
                role.member = std::move(step);
            }
            role.path = pathFrom(set.runs ? member : example.front(), link);
            Choice choice{role, {}, {}, {}};
            std::set<std::string> hrefs;
            for (const std::vector<size_t>& item : members) {
                std::vector<size_t> chain;
                choice.links.push_back(follow(item, role, &chain));
                choice.chains.push_back(std::move(chain));
                if (choice.links.back() != kNoNode)
                    hrefs.insert(page_.hrefOf(choice.links.back()));
            }
            const size_t covered = static_cast<size_t>(std::count_if(
                choice.links.begin(), choice.links.end(), [](size_t l) { return l != kNoNode; }));
            if (covered < kLinkRoleCoverage * static_cast<double>(members.size()) ||
                hrefs.size() < kLinkRoleDistinct * static_cast<double>(covered) ||
                choice.links[set.example] == kNoNode)
                continue;
            choice.rank = {html::HostOf(page_.hrefOf(link)) == ownHost, covered,
                           SIZE_MAX - position};
            if (!best || choice.rank > best->rank)
                best = std::move(choice);
        }
    }
    if (!best)
        return false;
    std::vector<PageItem> kept;
    for (size_t i = 0; i < set.items.size(); ++i) {
        if (best->links[i] == kNoNode)
            continue;
        if (i == set.example)
            set.example = kept.size();
        PageItem item = set.items[i];
        item.link = best->links[i];
        item.linkChain = best->chains[i];
        kept.push_back(std::move(item));
    }
    set.items = std::move(kept);
    return true;
}

std::optional<ItemSet> Finder::elementItems(size_t level, size_t kinship, bool anyClass,
                                            size_t link, size_t title) {
    ItemSet set;
    set.titleIsLink = link != kNoNode;
    const Path linkPath = link != kNoNode ? pathFrom(level, link) : Path();
    const bool titleInside = tree_.within(title, level);
    const Path titlePath = titleInside ? pathFrom(level, title) : linkPath;
    // Items whose own classes vary (odd and even rows, a sticky post) are of one kind when they
    // are siblings, or when something of classes below them says so: cells of other rows that
    // merely hold a link are no items.
    const Path& inner = link != kNoNode ? linkPath : titlePath;
    if (anyClass && kinship > 1 && std::none_of(inner.begin(), inner.end(), [](const Step& step) {
            return !step.classes.empty();
        }))
        return std::nullopt;
    std::vector<std::vector<size_t>> members;
    for (const size_t peer : peers(level, kinship, anyClass)) {
        PageItem item;
        item.root = peer;
        item.begin = tree_[peer].begin;
        item.end = tree_[peer].end;
        if (link != kNoNode) {
            item.link = resolve(peer, linkPath, &item.linkChain);
            if (item.link == kNoNode || !page_.isLink(item.link))
                continue;
        }
        item.title = resolve(peer, titlePath, &item.titleChain);
        if (item.title == kNoNode)
            continue;
        if (peer == level)
            set.example = set.items.size();
        set.items.push_back(std::move(item));
        members.push_back({peer});
    }
    if (set.items.size() < 2)
        return std::nullopt;
    if (link == kNoNode && !chooseLinks(set, members))
        return std::nullopt;
    return set;
}

// Items that are runs of siblings, each beginning with an element of the level's kind (a
// heading followed by the item's text, its links and its byline).
std::optional<ItemSet> Finder::runItems(size_t level, size_t title) {
    const size_t parent = tree_[level].parent;
    if (parent == kNoNode)
        return std::nullopt;
    ItemSet set;
    set.runs = true;
    set.titleIsLink = false;
    const Path titlePath = pathFrom(level, title);
    std::vector<std::vector<size_t>> members;
    for (const size_t child : tree_[parent].children) {
        if (tree_[child].isText)
            continue;
        if (matches(child, tree_[level].name, classes_[level])) {
            PageItem item;
            item.root = child;
            item.begin = tree_[child].begin;
            item.title = resolve(child, titlePath, &item.titleChain);
            if (item.title == kNoNode)
                continue;
            if (child == level)
                set.example = set.items.size();
            set.items.push_back(std::move(item));
            members.emplace_back();
        }
        if (!members.empty()) {
            members.back().push_back(child);
            set.items.back().end = tree_[child].end;
        }
    }
    if (set.items.size() < 2 || !chooseLinks(set, members))
        return std::nullopt;
    return set;
}

void Finder::finish(ItemSet& set, const std::vector<size_t>& anchors) const {
    std::set<std::string> hrefs;
    for (PageItem& item : set.items) {
        item.href = page_.hrefOf(item.link);
        hrefs.insert(item.href);
    }
    set.distinctLinks = hrefs.size();
    for (const size_t anchor : anchors) {
        const bool held =
            page_.isLink(anchor)
                ? hrefs.count(page_.hrefOf(anchor)) > 0
                : std::any_of(set.items.begin(), set.items.end(), [&](const PageItem& item) {
                      return tree_[anchor].begin >= item.begin && tree_[anchor].begin < item.end;
                  });
        set.examplesHeld += held ? 1 : 0;
    }
}

std::vector<ItemSet> Finder::setsAround(size_t anchor, const std::vector<size_t>& anchors) {
    std::vector<ItemSet> sets;
    const size_t link = linkAround(anchor);
    const size_t focus = link != kNoNode ? link : anchor;
    const size_t title = link != kNoNode && !tree_.within(anchor, link) ? link : anchor;
    size_t level = focus;
    for (size_t up = 0; up < kMaxLevels && level != kNoNode; ++up, level = tree_[level].parent) {
        const std::string& name = tree_[level].name;
        if (name == "body" || name == "html")
            break;
        for (size_t kinship = 1; kinship <= kMaxKinship; ++kinship)
            for (const bool anyClass : {false, true})
                if (auto set = elementItems(level, kinship, anyClass, link, title)) {
                    finish(*set, anchors);
                    sets.push_back(std::move(*set));
                }
        if (link == kNoNode)
            if (auto set = runItems(level, title)) {
                finish(*set, anchors);
                sets.push_back(std::move(*set));
            }
    }
    return sets;
}

std::vector<size_t> LinksOf(const ItemSet& set) {
    std::vector<size_t> links;
    for (const PageItem& item : set.items)
        links.push_back(item.link);
    return links;
}

// How many of a's links (both in page order) b holds.
size_t Shared(const std::vector<size_t>& a, const std::vector<size_t>& b) {
    std::vector<size_t> sortedB = b;
    std::sort(sortedB.begin(), sortedB.end());
    return static_cast<size_t>(std::count_if(a.begin(), a.end(), [&](size_t link) {
        return std::binary_search(sortedB.begin(), sortedB.end(), link);
    }));
}

} // namespace

PageView::PageView(std::string joinedText, const std::string& pageUrl)
    : text(std::move(joinedText)), lowered(LowerAscii(text)), tree(html::SourceTree::Parse(text)) {
    const std::string href = Trim(html::BaseHref(text));
    const std::string resolved = href.empty() ? std::string() : html::ResolveAddress(href, pageUrl);
    base = resolved.empty() ? pageUrl : resolved;
}

bool PageView::isLink(size_t node) const {
    return node != kNoNode && !tree[node].isText && tree[node].name == "a" &&
           !Trim(tree.attribute(node, "href")).empty();
}

std::string PageView::hrefOf(size_t anchor) const {
    if (!isLink(anchor))
        return {};
    const std::string href = Trim(tree.attribute(anchor, "href"));
    const std::string resolved = html::ResolveAddress(href, base);
    return resolved.empty() ? href : resolved;
}

std::vector<ItemSet> FindItemSets(const PageView& page, const std::vector<size_t>& anchors,
                                  size_t wanted) {
    Finder finder(page);
    std::vector<ItemSet> sets;
    for (const size_t anchor : anchors) {
        std::vector<ItemSet> around = finder.setsAround(anchor, anchors);
        for (ItemSet& set : around)
            sets.push_back(std::move(set));
    }
    // Best first; of equals, the widest item (its element highest up), then the nearest kin.
    const auto depth = [&](const ItemSet& set) { return page.tree[set.items.front().root].depth; };
    std::stable_sort(sets.begin(), sets.end(), [&](const ItemSet& a, const ItemSet& b) {
        return std::make_tuple(a.examplesHeld, a.distinctLinks, b.items.size(), depth(b)) >
               std::make_tuple(b.examplesHeld, b.distinctLinks, a.items.size(), depth(a));
    });
    std::vector<ItemSet> chosen;
    std::set<std::vector<size_t>> seen;
    for (ItemSet& set : sets) {
        if (set.distinctLinks < 2 || !seen.insert(LinksOf(set)).second)
            continue;
        chosen.push_back(std::move(set));
    }
    // The widest item that has (nearly) the links of the best set goes first: a row rather than
    // its cell, when the cell's kind also matched some other cells.
    if (!chosen.empty()) {
        const std::vector<size_t> best = LinksOf(chosen.front());
        size_t widest = 0;
        for (size_t i = 1; i < chosen.size(); ++i)
            if (chosen[i].examplesHeld == chosen.front().examplesHeld &&
                Shared(LinksOf(chosen[i]), best) >=
                    kNearlySameLinks * static_cast<double>(best.size()) &&
                depth(chosen[i]) < depth(chosen[widest]))
                widest = i;
        std::rotate(chosen.begin(), chosen.begin() + static_cast<long>(widest),
                    chosen.begin() + static_cast<long>(widest) + 1);
    }
    if (chosen.size() > wanted)
        chosen.resize(wanted);
    return chosen;
}

} // namespace nimbrel
