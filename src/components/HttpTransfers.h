// Several HTTP transfers at once on one thread (libcurl's multi interface). Requests are queued,
// then run() drives them: at most `most` in flight, at most `mostPerHost` to one host (scheme,
// host and port of the address asked for), started in the order queued as slots free. All of
// them share one connection cache, so sites of one host reuse its connections. abort() from any
// thread wakes the loop at once and ends the transfers in flight.
#pragma once

#include "components/CurlHandles.h"
#include "components/HttpFetch.h"
#include "platform/Limits.h"

#include <atomic>
#include <cstddef>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <string>

namespace nimbrel {

class HttpTransfers {
  public:
    using Id = std::size_t;

    struct Events {
        // A request's transfer is about to begin (its request goes out next). An exception
        // thrown here ends run() with it, before that request is sent.
        std::function<void(Id)> started;
        // A transfer has ended, whole, failed or stopped; the result says which. An exception
        // thrown here ends run() with it.
        std::function<void(Id, const HttpResult&)> ended;
    };

    explicit HttpTransfers(const HttpBounds& bounds = DefaultHttpBounds(),
                           int most = limits::kMostTransfers,
                           int mostPerHost = limits::kMostTransfersPerHost);
    ~HttpTransfers(); // ends what is still in flight, without reporting it
    HttpTransfers(const HttpTransfers&) = delete;
    HttpTransfers& operator=(const HttpTransfers&) = delete;

    // Queues a request; ids count 0, 1, 2 ... in the order queued.
    Id add(HttpRequest request);

    // Runs the queued requests until every one has ended, or until abort(): the transfers in
    // flight then end with result.stopped and those not begun stay unreported. Events come on
    // this thread. Raises what an event raised, having ended every transfer in flight first.
    void run(const Events& events);

    // Any thread: ends run() within moments; later calls to run() return at once.
    void abort();
    bool aborted() const { return aborted_; }

  private:
    struct Transfer;

    bool startNext(const Events& events);
    void finishEnded(const Events& events);
    void stopInFlight(const Events* events);

    HttpBounds bounds_;
    int most_;
    int mostPerHost_;
    http::CurlMulti multi_;
    std::atomic<bool> aborted_{false};
    Id nextId_ = 0;
    std::deque<std::unique_ptr<Transfer>> waiting_;
    std::map<void*, std::unique_ptr<Transfer>> inFlight_; // by easy handle
    std::map<std::string, int> perHost_;
};

} // namespace nimbrel
