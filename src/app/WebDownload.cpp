#include "app/WebDownload.h"

#include "app/Synchronizer.h"
#include "components/HttpFetch.h"
#include "components/MSXML2_TLB.h"
#include "pipeline/PageEncoding.h"
#include "pipeline/PageName.h"
#include "platform/AtomicFile.h"
#include "platform/Convert.h"
#include "platform/Dialogs.h"
#include "platform/Errors.h"
#include "platform/Files.h"
#include "platform/Halt.h"
#include "platform/ProgramFolder.h"

namespace {

const char* const kComplete = "Complete";
const char* const kSetupMissing = "Setup.xml not found, the program will exit now. Please run "
                                  "the setup wizard before downloading";

bool StartsWithNoCase(const std::string& text, const std::string& prefix) {
    return text.size() >= prefix.size() &&
           nimbrel::LowerAscii(text.substr(0, prefix.size())) == prefix;
}

} // namespace

namespace nimbrel {

std::string FetchAddress(const std::string& url) {
    if (StartsWithNoCase(url, "https://") || url.find("http://") != std::string::npos)
        return url;
    return "http://" + url;
}

} // namespace nimbrel

TWebDownload::TWebDownload(TWebDownloadHost& host)
    : host_(host), agent_(nimbrel::ExecutableFileName()), thread_([this] { Execute(); }) {}

TWebDownload::~TWebDownload() {
    Terminate();
    WaitFor();
}

void TWebDownload::Terminate() {
    terminated_ = true;
}

void TWebDownload::Drop() {
    dropped_ = true;
    Terminate();
}

std::string TWebDownload::CurrentURL() const {
    std::lock_guard lock(stateMutex_);
    return currentURL_;
}

std::string TWebDownload::FailureMessage() const {
    std::lock_guard lock(stateMutex_);
    return failure_;
}

void TWebDownload::WaitFor() {
    if (thread_.joinable() && thread_.get_id() != std::this_thread::get_id())
        thread_.join();
}

void TWebDownload::SetCurrentURL(const std::string& url) {
    std::lock_guard lock(stateMutex_);
    currentURL_ = url;
}

void TWebDownload::Execute() {
    try {
        bool ran = false;
        while (!Terminated()) {
            host_.Synchronize([this] { LoadSelection(); });
            DownloadAll();
            ran = true;
        }
        // Stopped before it began: there is nothing to wait for, the cycle may end.
        if (!ran)
            SetCurrentURL(kComplete);
    } catch (const nimbrel::SynchronizeRefused&) {
        // The window is closing and waits for this thread: end without a word.
    } catch (const nimbrel::HaltRequested&) {
        // Only tests get here: the program would have ended in the selection step.
    } catch (const std::exception& error) {
        std::lock_guard lock(stateMutex_);
        failure_ = error.what();
    }
    finished_ = true;
}

void TWebDownload::LoadSelection() {
    // A thread let go before it began has no use for the selection (nor for ending the
    // program over a missing one).
    if (dropped_)
        return;
    auto document = nimbrel::msxml::XmlDocument::Create();
    const std::string path = nimbrel::ProgramFile("\\setup.xml");
    if (!nimbrel::FileExists(path)) {
        nimbrel::Dialogs().showMessage(kSetupMissing);
        nimbrel::Halt();
    }
    // A file that does not parse gives no sites; the display step reports it later.
    document.load(path);
    const auto nodes = document.selectNodes("//site");
    sites_.clear();
    for (long i = 0; i < nodes.length(); ++i) {
        const auto attributes = nodes.item(i).attributes();
        const auto name = attributes.getNamedItem("Name");
        const auto url = attributes.getNamedItem("URL");
        sites_.push_back({name ? name.text() : "", url ? url.text() : "", !url.isNull()});
    }
}

void TWebDownload::ChangeGrid(const std::function<void()>& change) {
    if (!dropped_)
        host_.Synchronize(change);
}

void TWebDownload::ShowStatus(int index, const std::string& status) {
    ChangeGrid([&] { host_.SetStatusCell(1, index + 1, status); });
}

void TWebDownload::DownloadAll() {
    const int count = static_cast<int>(sites_.size());
    ChangeGrid([&] {
        host_.SetUpStatusGrid();
        host_.SetStatusRowCount(count + 1);
        for (int i = 0; i < count; ++i) {
            host_.SetStatusCell(0, i + 1, sites_[i].name);
            host_.SetStatusCell(1, i + 1, "Waiting");
        }
    });
    for (int i = 0; i < count && !Terminated(); ++i)
        DownloadSite(i);
    SetCurrentURL(kComplete);
    sites_.clear();
    Terminate();
}

void TWebDownload::DownloadSite(int index) {
    const Site& site = sites_[index];
    SetCurrentURL(site.url);
    ShowStatus(index, "Downloading");
    if (!site.hasUrl) {
        ShowStatus(index, "Failed: no URL in the selection");
        return;
    }
    try {
        if (Fetch(site.url))
            ShowStatus(index, kComplete);
        else
            ShowStatus(index, "Failed: " + lastReason_);
    } catch (const nimbrel::Exception& error) {
        ShowStatus(index, "Failed: " + error.message());
        throw;
    }
}

bool TWebDownload::Fetch(const std::string& url) {
    // The page goes to a temporary file beside the old one, which it replaces only when the
    // whole page has arrived: the cutter never sees half a page, and a failure keeps the last
    // good page. A file that cannot be written raises and ends the thread's work.
    nimbrel::AtomicFile page(nimbrel::DataFile("Sites", nimbrel::PageFileName(url)));
    const auto result =
        nimbrel::HttpGet(nimbrel::FetchAddress(url), agent_, [&](const char* data, size_t size) {
            page.write({data, size});
        });
    if (!result.ok) {
        lastReason_ = result.reason;
        return false;
    }
    page.commit();
    BringToUtf8(page.target(), result.contentType);
    return true;
}

void TWebDownload::BringToUtf8(const std::string& path, const std::string& contentType) {
    // The rest of the program handles UTF-8 only. The conversion holds the page in memory, so
    // pages beyond any sensible size for a digest stay as they came.
    constexpr uint64_t kLargestConvertedPage = 16u << 20;
    if (nimbrel::FileSize(path) <= kLargestConvertedPage)
        nimbrel::ConvertPageToUtf8(path, contentType);
}
