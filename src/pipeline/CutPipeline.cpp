#include "pipeline/CutPipeline.h"

#include "pipeline/SiteFiles.h"
#include "platform/Dialogs.h"
#include "platform/Limits.h"

#include <exception>
#include <unordered_map>

namespace nimbrel {

using msxml::XmlDocument;
using msxml::XmlNode;

CutPipeline::CutPipeline(unsigned workers, std::time_t madeAt) : early_(workers, madeAt) {}

CutPipeline::~CutPipeline() {
    stop();
}

void CutPipeline::begin(const XmlDocument& selection) {
    std::lock_guard lock(mutex_);
    if (thread_ || stopping_)
        return;
    // The sites that read one page file are cut once every one of them has settled it: a site
    // later in the selection may still rewrite the file an earlier one reads.
    const auto sites = selection.parseError().reason.empty() ? selection.selectNodes("//site")
                                                             : msxml::XmlNodeList();
    std::unordered_map<std::string, std::vector<size_t>> byPage;
    settled_.assign(static_cast<size_t>(sites.length()), false);
    readers_.assign(settled_.size(), {});
    for (long i = 0; i < sites.length(); ++i)
        if (const XmlNode url = sites.item(i).attributes().getNamedItem("URL"))
            byPage[PageFileName(url.text())].push_back(static_cast<size_t>(i));
    for (const auto& [page, readers] : byPage)
        for (size_t site : readers)
            readers_[site] = readers;
    thread_ = std::make_unique<LargeStackThread>(limits::kEngineStackBytes,
                                                 [this, selection] { cut(selection); });
}

void CutPipeline::pageSettled(size_t site) {
    std::lock_guard lock(mutex_);
    if (site < settled_.size())
        settled_[site] = true;
    changed_.notify_all();
}

void CutPipeline::pagesSettled() {
    std::lock_guard lock(mutex_);
    allSettled_ = true;
    changed_.notify_all();
}

void CutPipeline::cut(XmlDocument selection) {
    struct Over {
        CutPipeline& pipeline;
        bool loaded = true;
        ~Over() {
            std::lock_guard lock(pipeline.mutex_);
            pipeline.selectionLoaded_ = loaded;
            pipeline.cutOver_ = true;
        }
    } over{*this};
    try {
        over.loaded = RipSelection(selection, this);
    } catch (const Stopped&) {
        early_.drop();
    } catch (...) {
        early_.drop();
        throw; // raised again by finishCut()
    }
}

void CutPipeline::sitesFound(const msxml::XmlNodeList& sites) {
    early_.sitesFound(sites);
}

void CutPipeline::siteDone(long index) {
    early_.siteDone(index);
}

void CutPipeline::beforeSite(long index) {
    std::unique_lock lock(mutex_);
    const auto settled = [&] {
        if (stopping_ || allSettled_)
            return true;
        for (size_t reader : readers_[static_cast<size_t>(index)])
            if (!settled_[reader])
                return false;
        return true;
    };
    changed_.wait(lock, settled);
    if (stopping_)
        throw Stopped{};
}

void CutPipeline::show(const std::string& message) {
    std::lock_guard lock(mutex_);
    messages_.push_back(message);
}

bool CutPipeline::cutEnded() const {
    std::lock_guard lock(mutex_);
    return cutOver_;
}

bool CutPipeline::ready() const {
    if (!thread_)
        return true;
    if (!cutEnded())
        return false;
    const DigestAssembly* assembly = early_.assembly();
    return !assembly || assembly->placed();
}

bool CutPipeline::finishCut() {
    if (!thread_) {
        std::lock_guard lock(mutex_);
        if (stopping_)
            return true;
    }
    if (!thread_)
        return Rip();
    std::exception_ptr error;
    try {
        thread_->join();
    } catch (...) {
        error = std::current_exception();
    }
    std::vector<std::string> messages;
    {
        std::lock_guard lock(mutex_);
        messages.swap(messages_);
    }
    for (const std::string& message : messages)
        Dialogs().showMessage(message);
    if (error)
        std::rethrow_exception(error);
    std::lock_guard lock(mutex_);
    return selectionLoaded_;
}

void CutPipeline::stop() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
        changed_.notify_all();
        if (!thread_)
            return;
    }
    try {
        thread_->join();
    } catch (...) {
        // A cut stopped is not reported.
    }
    early_.drop();
}

} // namespace nimbrel
