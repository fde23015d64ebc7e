// Fuzzes one site's part of the display step as a worker runs it: the input is a cut page,
// cleaned, transformed by the shipped feed stylesheet and made safe for the digest
// (MakeSiteBlock, with the last pass). The first byte picks the site's type (html, rss or
// addxmltags). A site's failure is an expected outcome; a crash, a leak, or anything active in a
// block (a script, a frame, a meta, an event handler, a script address) is not.
// Run: LSAN_OPTIONS=suppressions=fuzz/lsan.supp fuzz_display NEW_CORPUS fuzz/corpus/display
//      -max_len=4194304 -len_control=0 -rss_limit_mb=8192 -timeout=120
// Large inputs are worth seeding into NEW_CORPUS (a megabyte of "<!--", a feed of millions of
// empty elements, a real page repeated to 4 MB): mutations alone seldom grow an input that far.
// (In the program a page nested past the worker's stack crashes its worker, which costs that
// site only, and one that takes longer than the worker's time is stopped; here the work runs on a
// far larger stack, with the fuzzer's own time-out, so it looks past both.)
#include "FuzzFolder.h"
#include "pipeline/SiteFiles.h"
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

// Far deeper than a worker's stack (limits::kEngineStackBytes); only the pages touched are used.
constexpr size_t kFuzzStackBytes = size_t(4) << 30;

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

// True when the block holds an element or attribute the last pass must have taken out.
bool HoldsActiveContent(std::string_view block) {
    std::string lower(block);
    for (char& c : lower)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    for (const char* active : {"<script", "<iframe", "<meta", "<object", "<embed", "<base", "<link",
                               "<form", "<style", "<!--"})
        if (lower.find(active) != std::string::npos)
            return true;
    // An event handler or srcdoc: such an attribute name outside the quoted values of a tag.
    for (size_t lt = lower.find('<'); lt != std::string::npos; lt = lower.find('<', lt + 1)) {
        char quote = 0;
        for (size_t i = lt + 1; i < lower.size() && (quote || lower[i] != '>'); lt = i++) {
            const char c = lower[i];
            if (quote) {
                quote = c == quote ? 0 : quote;
            } else if (c == '"' || c == '\'') {
                quote = c;
            } else if (std::isspace(static_cast<unsigned char>(c))) {
                size_t end = i + 1;
                while (end < lower.size() && std::isalpha(static_cast<unsigned char>(lower[end])))
                    ++end;
                const std::string_view name = std::string_view(lower).substr(i + 1, end - i - 1);
                if (end < lower.size() && lower[end] == '=' &&
                    (name.starts_with("on") || name == "srcdoc"))
                    return true;
            }
        }
    }
    return false;
}

// One worker with the engines' large stack runs every input, as a pool's worker would: the
// cleaner and the transforms then run on it directly instead of on a new thread per call.
class Worker {
  public:
    Worker() {
        std::thread([this] { RunOnLargeStack(kFuzzStackBytes, [this] { serve(); }); }).detach();
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
    if (HoldsActiveContent(outcome.block) ||
        (!outcome.failure && HoldsAForeignAddress(outcome.block)))
        std::abort();
    return 0;
}
