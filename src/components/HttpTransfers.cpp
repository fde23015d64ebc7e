#include "components/HttpTransfers.h"

#include "components/HttpEasy.h"

#include <algorithm>
#include <vector>

namespace nimbrel {

namespace {

// How long one wait for network activity lasts at most; libcurl shortens it to its own timers,
// and abort() ends it at once.
constexpr int kPollMilliseconds = 1000;

} // namespace

struct HttpTransfers::Transfer {
    Id id;
    HttpRequest request;
    std::string hostKey;
    std::unique_ptr<http::EasyTransfer> easy; // made when the transfer begins
};

HttpTransfers::HttpTransfers(const HttpBounds& bounds, int most, int mostPerHost)
    : bounds_(bounds), most_(most), mostPerHost_(mostPerHost) {
    http::InitCurlOnce();
    multi_.reset(curl_multi_init());
    if (multi_) {
        // The same limits within libcurl, so a redirect to a busy host waits there too.
        curl_multi_setopt(multi_.get(), CURLMOPT_MAX_TOTAL_CONNECTIONS, static_cast<long>(most));
        curl_multi_setopt(multi_.get(), CURLMOPT_MAX_HOST_CONNECTIONS,
                          static_cast<long>(mostPerHost));
    }
}

HttpTransfers::~HttpTransfers() {
    stopInFlight(nullptr);
}

HttpTransfers::Id HttpTransfers::add(HttpRequest request) {
    auto transfer = std::make_unique<Transfer>();
    transfer->id = nextId_++;
    transfer->hostKey = http::HostKey(request.url);
    transfer->request = std::move(request);
    waiting_.push_back(std::move(transfer));
    return waiting_.back()->id;
}

void HttpTransfers::abort() {
    aborted_ = true;
    if (multi_)
        curl_multi_wakeup(multi_.get());
}

void HttpTransfers::run(const Events& events) {
    try {
        while (!aborted_) {
            while (startNext(events)) {
            }
            if (inFlight_.empty())
                return; // nothing waits that could not start now: all done
            int running = 0;
            curl_multi_perform(multi_.get(), &running);
            const size_t before = inFlight_.size();
            finishEnded(events);
            // A slot came free: fill it before waiting for the network.
            if (inFlight_.size() == before && !aborted_)
                curl_multi_poll(multi_.get(), nullptr, 0, kPollMilliseconds, nullptr);
        }
        stopInFlight(&events);
    } catch (...) {
        stopInFlight(nullptr);
        throw;
    }
}

// Begins the first waiting request whose host has room, when a slot is free; false when none.
bool HttpTransfers::startNext(const Events& events) {
    if (static_cast<int>(inFlight_.size()) >= most_ || aborted_)
        return false;
    auto next = waiting_.begin();
    while (next != waiting_.end() && perHost_[(*next)->hostKey] >= mostPerHost_)
        ++next;
    if (next == waiting_.end())
        return false;
    std::unique_ptr<Transfer> transfer = std::move(*next);
    waiting_.erase(next);
    if (events.started)
        events.started(transfer->id);
    transfer->easy = std::make_unique<http::EasyTransfer>(std::move(transfer->request), bounds_);
    CURL* handle = transfer->easy->handle();
    if (!multi_ || !handle || curl_multi_add_handle(multi_.get(), handle) != CURLM_OK) {
        HttpResult result;
        result.reason = "cannot start a transfer";
        result.detail = result.reason;
        if (events.ended)
            events.ended(transfer->id, result);
        return true;
    }
    ++perHost_[transfer->hostKey];
    inFlight_.emplace(handle, std::move(transfer));
    return true;
}

void HttpTransfers::finishEnded(const Events& events) {
    int left = 0;
    while (CURLMsg* message = curl_multi_info_read(multi_.get(), &left)) {
        if (message->msg != CURLMSG_DONE)
            continue;
        CURL* handle = message->easy_handle;
        const CURLcode code = message->data.result;
        auto found = inFlight_.find(handle);
        if (found == inFlight_.end())
            continue;
        std::unique_ptr<Transfer> transfer = std::move(found->second);
        inFlight_.erase(found);
        curl_multi_remove_handle(multi_.get(), handle);
        --perHost_[transfer->hostKey];
        const HttpResult result = transfer->easy->finish(code);
        if (events.ended)
            events.ended(transfer->id, result);
    }
}

// Ends every transfer in flight; reports each as stopped when `events` is given. Every one is
// taken out of libcurl before the first report, which may raise.
void HttpTransfers::stopInFlight(const Events* events) {
    std::vector<std::unique_ptr<Transfer>> stopped;
    for (auto& [handle, transfer] : inFlight_) {
        curl_multi_remove_handle(multi_.get(), handle);
        --perHost_[transfer->hostKey];
        stopped.push_back(std::move(transfer));
    }
    inFlight_.clear();
    if (!events || !events->ended)
        return;
    std::sort(stopped.begin(), stopped.end(),
              [](const auto& a, const auto& b) { return a->id < b->id; });
    for (const auto& transfer : stopped)
        events->ended(transfer->id, transfer->easy->stopped());
}

} // namespace nimbrel
