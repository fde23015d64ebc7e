// Adding many sites at once: importing an OPML file of 200,000 feeds, or of 5,000 feeds that all
// bear one name, and finding the feeds of a page that names 200,000. Each must cost about what
// reading its input costs (targets: under 30 s, 5 s and 5 s).
#include "library/FeedDiscovery.h"
#include "library/Opml.h"
#include "platform/ProgramFolder.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

// A program folder holding a small library and selection, made afresh for every import.
class ScratchFolder {
  public:
    ScratchFolder() {
        path_ = fs::temp_directory_path() / ("nimbrel-bench-library-" + std::to_string(::getpid()));
        fs::remove_all(path_);
        fs::create_directories(path_);
        std::ofstream(path_ / "Categories.xml")
            << "<Library>\n  <Category Name=\"News\">\n    <site Name=\"Daily\" "
               "URL=\"http://daily.example/\" Type=\"rss\" StyleSheet=\"feed.xslt\" "
               "RipFile=\"feed.xml\"/>\n  </Category>\n</Library>\n";
        std::ofstream(path_ / "setup.nml") << "News->Daily\r\n\r\n";
        nimbrel::SetProgramFolder(path_.string());
    }
    ~ScratchFolder() { fs::remove_all(path_); }
    std::string file(const std::string& name) const { return (path_ / name).string(); }

  private:
    fs::path path_;
};

// `feeds` outlines in folders of 1,000; each named "Feed N", or all named alike.
std::string Opml(size_t feeds, bool oneName) {
    std::string opml = "<opml version=\"2.0\"><body>";
    for (size_t i = 0; i < feeds; ++i) {
        if (i % 1000 == 0)
            opml += (i ? "</outline>" : "") + std::string("<outline text=\"Folder ") +
                    std::to_string(oneName ? 0 : i / 1000) + "\">";
        opml += "<outline text=\"" + (oneName ? std::string("Same") : "Feed " + std::to_string(i)) +
                "\" xmlUrl=\"http://feeds" + std::to_string(i % 97) + ".example/" +
                std::to_string(i) + "\"/>";
    }
    return opml + "</outline></body></opml>";
}

void ImportOutlines(benchmark::State& state, bool oneName) {
    const size_t feeds = static_cast<size_t>(state.range(0));
    const std::string opml = Opml(feeds, oneName);
    size_t added = 0;
    for (auto _ : state) {
        state.PauseTiming();
        ScratchFolder folder;
        std::ofstream(folder.file("in.opml")) << opml;
        state.ResumeTiming();
        added = nimbrel::ImportOpml(folder.file("in.opml"), "Loose").added.size();
    }
    state.counters["added"] = static_cast<double>(added);
}

void ImportDistinct(benchmark::State& state) {
    ImportOutlines(state, false);
}
void ImportOneName(benchmark::State& state) {
    ImportOutlines(state, true);
}
BENCHMARK(ImportDistinct)
    ->Arg(5'000)
    ->Arg(20'000)
    ->Arg(200'000)
    ->Iterations(1)
    ->Unit(benchmark::kSecond);
BENCHMARK(ImportOneName)->Arg(2'000)->Arg(5'000)->Iterations(1)->Unit(benchmark::kSecond);

void PageOfFeedLinks(benchmark::State& state) {
    std::string page = "<!DOCTYPE html><html><head><title>Many</title>";
    for (int64_t i = 0; i < state.range(0); ++i)
        page += "<link rel=\"alternate\" type=\"application/rss+xml\" href=\"/f/" +
                std::to_string(i) + "\">";
    page += "</head><body></body></html>";
    size_t count = 0;
    for (auto _ : state)
        count = nimbrel::ReadPageFeeds(page, "http://page.example/").count;
    state.counters["feeds"] = static_cast<double>(count);
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * page.size()));
}
BENCHMARK(PageOfFeedLinks)->Arg(200'000)->Iterations(1)->Unit(benchmark::kSecond);

} // namespace

BENCHMARK_MAIN();
