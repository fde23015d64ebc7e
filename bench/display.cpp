// The display step for 50 sites with about 100 KB of cut text each, and its parts one by one:
// cleaning, the site transforms, resolving the blocks' links and placing the blocks.
#include "components/BlockLinks.h"
#include "components/MSXML2_TLB.h"
#include "components/TidyCOM_TLB.h"
#include "pipeline/BlockPool.h"
#include "pipeline/SiteFiles.h"
#include "pipeline/Placeholders.h"
#include "pipeline/SiteWorkers.h"
#include "pipeline/TidyAndDisplay.h"
#include "platform/AtomicFile.h"
#include "platform/Files.h"
#include "platform/ProgramFolder.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using namespace nimbrel;

namespace {

constexpr int kSites = 50;
constexpr size_t kCutBytes = 100 * 1024;

std::string SiteUrl(int i) {
    return "news" + std::to_string(i) + ".example/section/index.html?page=" + std::to_string(i);
}

// A feed of about kCutBytes with relative links and some non-ASCII letters.
std::string CutText(int site) {
    std::string text =
        "<rss><channel><title>Site " + std::to_string(site) + "</title><link>/</link>";
    for (int item = 0; text.size() < kCutBytes; ++item)
        text += "<item><title>Not\xC3\xAD"
                "cia n\xC2\xBA " +
                std::to_string(item) +
                " &amp; more words to make a realistic headline</title><link>/story/" +
                std::to_string(item) + "?ref=feed&amp;x=1</link><description>Short summary " +
                "text of the story with <b>some</b> markup.</description></item>";
    return text + "</channel></rss>";
}

// A program folder with the selection, the test layout, the feed stylesheet and the cut texts.
class BenchFolder {
  public:
    BenchFolder() {
        std::string pattern = (fs::temp_directory_path() / "nimbrel-bench-XXXXXX").string();
        if (!::mkdtemp(pattern.data()))
            std::abort();
        path_ = pattern;
        for (const char* sub : {"Work", "Sites", "stylesheets"})
            fs::create_directory(fs::path(path_) / sub);
        SetProgramFolder(path_);
        // The benchmark lives apart from the programs: the display step's workers are the ones
        // built beside nimbrel-digest.
        SetWorkerProgramForTesting(NIMBREL_WORKER_EXE);
        const fs::path fixtures = fs::path(NIMBREL_SOURCE_DIR) / "tests/fixtures/display";
        fs::copy(fixtures / "setup.xslt", fs::path(path_) / "setup.xslt");
        fs::copy(fixtures / "stylesheets/feed.xsl", fs::path(path_) / "stylesheets/feed.xsl");
        std::string selection = "<Layout><table><tr>";
        for (int i = 0; i < kSites; ++i) {
            selection += "<td><site Name=\"S\" URL=\"" + SiteUrl(i) +
                         "\" Type=\"xml\" StyleSheet=\"feed.xsl\" RipFile=\"r.xml\"/></td>";
            AtomicWriteFile(WorkFile(i), CutText(i));
        }
        AtomicWriteFile(path_ + "/setup.xml", selection + "</tr></table></Layout>");
    }
    ~BenchFolder() {
        std::error_code ec;
        fs::remove_all(path_, ec);
    }
    std::string WorkFile(int i) const { return path_ + "/Work/" + PageFileName(SiteUrl(i)); }

  private:
    std::string path_;
};

const BenchFolder& Folder() {
    static BenchFolder folder;
    return folder;
}

std::unique_ptr<tidycom::TidyObject> FixedCleaner() {
    auto cleaner = tidycom::TidyObject::Create();
    cleaner->options().setSwitch(tidycom::kFirstFixedSwitch, true);
    cleaner->options().setSwitch(tidycom::kSecondFixedSwitch, true);
    cleaner->options().setValue(tidycom::kOptionSetToTwo, 2);
    cleaner->options().setValue(tidycom::kOptionSetToEight, 8);
    cleaner->options().setSwitch(tidycom::kPerSiteSwitch, true);
    return cleaner;
}

std::vector<std::string> CleanedTexts() {
    auto cleaner = FixedCleaner();
    std::vector<std::string> texts;
    for (int i = 0; i < kSites; ++i)
        texts.push_back(cleaner->cleanFile(Folder().WorkFile(i)));
    return texts;
}

std::vector<std::string> Blocks() {
    auto sheet = msxml::XmlDocument::Create();
    sheet.load(ProgramFile("\\stylesheets\\feed.xsl"));
    std::vector<std::string> blocks;
    for (const std::string& text : CleanedTexts()) {
        auto doc = msxml::XmlDocument::Create();
        doc.loadXML(text);
        blocks.push_back(doc.transformNode(sheet));
    }
    return blocks;
}

// The whole step on one worker and on one per core (wall time: the workers run side by side).
void BM_DisplayStep(benchmark::State& state) {
    Folder();
    DisplayContext context;
    context.autoView = false;
    context.workers = static_cast<unsigned>(state.range(0));
    for (auto _ : state)
        benchmark::DoNotOptimize(TidyAndDisplay("setup.xml", context));
    state.SetBytesProcessed(state.iterations() * kSites * int64_t(kCutBytes));
}
BENCHMARK(BM_DisplayStep)
    ->Arg(1)
    ->Arg(static_cast<int64_t>(DisplayWorkerCount()))
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

void BM_CleanAll(benchmark::State& state) {
    Folder();
    auto cleaner = FixedCleaner();
    for (auto _ : state)
        for (int i = 0; i < kSites; ++i)
            benchmark::DoNotOptimize(cleaner->cleanFile(Folder().WorkFile(i)));
}
BENCHMARK(BM_CleanAll)->Unit(benchmark::kMillisecond);

void BM_ParseAndTransformAll(benchmark::State& state) {
    Folder();
    const auto texts = CleanedTexts();
    auto sheet = msxml::XmlDocument::Create();
    sheet.load(ProgramFile("\\stylesheets\\feed.xsl"));
    for (auto _ : state)
        for (const std::string& text : texts) {
            auto doc = msxml::XmlDocument::Create();
            doc.loadXML(text);
            benchmark::DoNotOptimize(doc.transformNode(sheet));
        }
}
BENCHMARK(BM_ParseAndTransformAll)->Unit(benchmark::kMillisecond);

void BM_ResolveLinksAll(benchmark::State& state) {
    Folder();
    const auto blocks = Blocks();
    for (auto _ : state)
        for (int i = 0; i < kSites; ++i)
            benchmark::DoNotOptimize(ResolveBlockLinks(blocks[i], SiteUrl(i)));
}
BENCHMARK(BM_ResolveLinksAll)->Unit(benchmark::kMillisecond);

void BM_PlaceAll(benchmark::State& state) {
    Folder();
    const auto blocks = Blocks();
    std::string layout;
    for (int i = 0; i < kSites; ++i)
        layout += "<td><site URL=\"" + SiteUrl(i) + "\"></site></td>";
    std::vector<PlacedBlock> sites;
    for (int i = 0; i < kSites; ++i)
        sites.push_back({SiteUrl(i), blocks[i]});
    for (auto _ : state)
        benchmark::DoNotOptimize(RemoveEngineDeclarations(PlaceBlocks(layout, sites)));
}
BENCHMARK(BM_PlaceAll)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
