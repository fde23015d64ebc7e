// Fuzzes one site's part of the display step as a cycle runs it: the input is a cut page,
// cleaned, transformed by the shipped feed stylesheet and made safe for the digest
// (MakeSiteBlock). The first byte picks the site's type (html, rss or addxmltags). A site's
// failure is an expected outcome; a crash, a leak, or a script address in a block is not.
// Run: LSAN_OPTIONS=suppressions=fuzz/lsan.supp fuzz_display NEW_CORPUS fuzz/corpus/display
//      -max_len=65536
#include "FuzzFolder.h"
#include "pipeline/PageName.h"
#include "pipeline/SiteBlock.h"
#include "platform/LargeStack.h"
#include "platform/Limits.h"
#include "platform/ProgramFolder.h"

#include <cctype>
#include <condition_variable>
#include <cstdint>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>

using namespace nimbrel;
namespace fs = std::filesystem;

namespace {

const char* const kUrl = "fuzz.example/news/feed";

// The program folder, with the shipped feed stylesheet in its folder stylesheets.
const std::string& Folder() {
    static const std::string& folder = []() -> const std::string& {
        const std::string& made = fuzz::FuzzFolder({"Work", "stylesheets"});
        fs::copy_file(fs::path(NIMBREL_SOURCE_DIR) / "data/stylesheets/feed.xslt",
                      made + "/stylesheets/feed.xslt");
        return made;
    }();
    return folder;
}

// The worker's cleaner and stylesheets, as a pool's worker keeps them for a whole cycle.
BlockWorkshop& Workshop() {
    static const std::vector<FixPair> noFixes;
    static BlockWorkshop workshop(noFixes);
    return workshop;
}

// True when a tag of the block carries an href or src whose scheme is not http, https or
// mailto, and that is neither a fragment nor empty (the block is libxml2's own serialisation,
// so tags are plain to read).
bool HoldsAForeignAddress(std::string_view block) {
    for (size_t lt = block.find('<'); lt != std::string_view::npos; lt = block.find('<', lt + 1)) {
        const size_t gt = block.find('>', lt);
        const std::string_view tag = block.substr(lt, gt == std::string_view::npos ? gt : gt - lt);
        for (std::string_view name : {" href=\"", " src=\""}) {
            const size_t at = tag.find(name);
            if (at == std::string_view::npos)
                continue;
            std::string value(tag.substr(at + name.size(), 8));
            for (char& c : value)
                c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
            if (!(value.starts_with("http:") || value.starts_with("https:") ||
                  value.starts_with("mailto:") || value.starts_with("#") ||
                  value.starts_with("\"")))
                return true;
        }
    }
    return false;
}

// One worker with the engines' large stack runs every input, as a pool's worker would: the
// cleaner and the transforms then run on it directly instead of on a new thread per call.
class Worker {
  public:
    Worker() {
        std::thread([this] {
            RunOnLargeStack(limits::kEngineStackBytes, [this] { serve(); });
        }).detach();
    }
    void run(std::function<void()> work) {
        std::unique_lock lock(mutex_);
        work_ = std::move(work);
        changed_.notify_all();
        changed_.wait(lock, [this] { return !work_; });
    }

  private:
    void serve() {
        for (;;) {
            std::unique_lock lock(mutex_);
            changed_.wait(lock, [this] { return bool(work_); });
            work_();
            work_ = nullptr;
            changed_.notify_all();
        }
    }
    std::mutex mutex_;
    std::condition_variable changed_;
    std::function<void()> work_;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0)
        return 0;
    static const char* const kTypes[] = {"html", "rss", "addxmltags"};
    const std::string type = kTypes[data[0] % 3];
    {
        std::ofstream out(Folder() + "/Work/" + PageFileName(kUrl), std::ios::binary);
        out.write(reinterpret_cast<const char*>(data) + 1, static_cast<std::streamsize>(size - 1));
    }
    static Worker& worker = *new Worker; // never destroyed: its thread waits on it to the end
    SiteOutcome outcome;
    worker.run([&] {
        outcome =
            MakeSiteBlock({"Fuzz", kUrl, "feed.xslt", type, 1}, Workshop(), std::time(nullptr));
    });
    if (!outcome.failure && HoldsAForeignAddress(outcome.block))
        std::abort();
    return 0;
}
