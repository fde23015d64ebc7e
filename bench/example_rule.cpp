// A rule from one example on list pages of growing size (cards with pictures, a menu and a
// sidebar of links around them): the whole search, from reading the page to the rule verified
// through the cleaner and the pieces stylesheet, and its parts (the source tree, the items).
#include "components/HtmlSource.h"
#include "library/ExampleRule.h"
#include "library/PageItems.h"
#include "library/ReaderText.h"
#include "platform/ProgramFolder.h"

#include <benchmark/benchmark.h>

#include <string>

using namespace nimbrel;

namespace {

std::string Title(int i) {
    return "Story number " + std::to_string(i) + " of the day";
}

// A page of `items` cards, about 1 KB each.
std::string Page(int items) {
    std::string page = "<html><head><title>Bench</title></head><body><ul class=\"menu\">";
    for (int i = 0; i < 40; ++i)
        page += "<li><a href=\"/section/" + std::to_string(i) + "\">Section</a></li>";
    page += "</ul><main>";
    for (int i = 0; i < items; ++i)
        page += "<article class=\"card\" id=\"post-" + std::to_string(100000 + i) +
                "\"><a href=\"/s/" + std::to_string(i) + "\"><img src=\"/p/" + std::to_string(i) +
                ".jpg\" alt=\"\"></a><h2 class=\"card-title\"><a href=\"/s/" + std::to_string(i) +
                "\">" + Title(i) +
                "</a></h2><p class=\"meta\"><a href=\"/author/x\">An author</a> <a href=\"/tag/t\">"
                "tag</a></p><p>" +
                std::string(700, 'w') + "</p><a class=\"more\" href=\"/s/" + std::to_string(i) +
                "\">Read more</a></article>\n";
    page += "</main><aside><ul class=\"popular\">";
    for (int i = 0; i < 10; ++i)
        page += "<li><a href=\"/popular/" + std::to_string(i) + "\">Popular</a></li>";
    return page + "</ul></aside></body></html>";
}

void UseShippedFolder() {
    SetProgramFolder(std::string(NIMBREL_SOURCE_DIR) + "/data");
}

void BM_RuleFromOneExample(benchmark::State& state) {
    UseShippedFolder();
    const int items = static_cast<int>(state.range(0));
    const PreviewPage page(Page(items), "http://bench.example/");
    for (auto _ : state) {
        const RuleProposal proposal = ProposeRuleFromText(page, Title(items / 2), "pieces.xslt");
        if (!proposal.found || proposal.itemsFound != static_cast<size_t>(items))
            state.SkipWithError("no rule for the cards");
    }
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(Page(items).size()));
}
BENCHMARK(BM_RuleFromOneExample)->Arg(30)->Arg(300)->Arg(2000)->Unit(benchmark::kMillisecond);

void BM_SourceTree(benchmark::State& state) {
    const std::string page = Page(static_cast<int>(state.range(0)));
    for (auto _ : state)
        benchmark::DoNotOptimize(html::SourceTree::Parse(page).size());
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(page.size()));
}
BENCHMARK(BM_SourceTree)->Arg(300)->Arg(2000)->Unit(benchmark::kMillisecond);

void BM_ItemsAroundTheExample(benchmark::State& state) {
    const int items = static_cast<int>(state.range(0));
    const PageView view(Page(items), "http://bench.example/");
    const std::vector<size_t> anchors = PageReaderText(view.tree).elementsHolding(Title(items / 2));
    for (auto _ : state)
        benchmark::DoNotOptimize(FindItemSets(view, anchors, 4).size());
}
BENCHMARK(BM_ItemsAroundTheExample)->Arg(300)->Arg(2000)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
