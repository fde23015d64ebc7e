#include "support/HttpTestServer.h"

#include <zlib.h>

#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <stdexcept>
#include <sys/socket.h>
#include <unistd.h>

namespace nimbrel::test {

namespace {

using Clock = std::chrono::steady_clock;

// The first byte a TLS client sends; such a request is recorded with the method "TLS".
const char kTlsHandshake = 0x16;

int ListenOn(const std::string& host, int backlog, int& port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        throw std::runtime_error("socket failed");
    const int yes = 1;
    ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    if (::inet_pton(AF_INET, host.c_str(), &address.sin_addr) != 1) {
        ::close(fd);
        throw std::runtime_error("not an address: " + host);
    }
    address.sin_port = 0;
    socklen_t length = sizeof address;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(fd, backlog) != 0 ||
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        ::close(fd);
        throw std::runtime_error("cannot listen on " + host);
    }
    port = ntohs(address.sin_port);
    return fd;
}

int ListenOnLoopback(int backlog, int& port) {
    return ListenOn("127.0.0.1", backlog, port);
}

std::string ReasonPhrase(int status) {
    switch (status) {
    case 200:
        return "OK";
    case 301:
        return "Moved Permanently";
    case 302:
        return "Found";
    case 304:
        return "Not Modified";
    case 404:
        return "Not Found";
    case 429:
        return "Too Many Requests";
    case 500:
        return "Internal Server Error";
    case 503:
        return "Service Unavailable";
    default:
        return "Status";
    }
}

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

// Takes the next request head off the connection (up to the blank line that ends it) into
// `head`, keeping bytes after it in `pending`; the tests send no request bodies. False when the
// client closed or said nothing for a while.
bool ReadRequestHead(int socket, std::string& pending, std::string& head) {
    char buffer[4096];
    size_t end;
    while ((end = pending.find("\r\n\r\n")) == std::string::npos) {
        if (!pending.empty() && pending[0] == kTlsHandshake) {
            head = pending;
            return true;
        }
        pollfd waiting{socket, POLLIN, 0};
        if (::poll(&waiting, 1, 10000) <= 0 || pending.size() > 65536)
            return false;
        const ssize_t got = ::recv(socket, buffer, sizeof buffer, 0);
        if (got <= 0)
            return false;
        pending.append(buffer, static_cast<size_t>(got));
    }
    head = pending.substr(0, end + 4);
    pending.erase(0, end + 4);
    return true;
}

std::string Header(const RecordedRequest& request, const std::string& name) {
    const auto found = request.headers.find(name);
    return found == request.headers.end() ? std::string() : found->second;
}

// True when the request's validators match the route's: the page has not changed.
bool NotModified(const RecordedRequest& request, const HttpRoute& route) {
    return (!route.etag.empty() && Header(request, "if-none-match") == route.etag) ||
           (!route.lastModified.empty() &&
            Header(request, "if-modified-since") == route.lastModified);
}

// A gzip stream of `size` zero bytes, deflated piece by piece (never held inflated).
std::string GzipZeros(uint64_t size) {
    z_stream stream{};
    if (deflateInit2(&stream, Z_BEST_COMPRESSION, Z_DEFLATED, 15 + 16, 9, Z_DEFAULT_STRATEGY) !=
        Z_OK)
        throw std::runtime_error("deflateInit2 failed");
    const std::string zeros(1 << 20, '\0');
    std::string out;
    char buffer[65536];
    for (uint64_t left = size;;) {
        const size_t piece = static_cast<size_t>(std::min<uint64_t>(left, zeros.size()));
        left -= piece;
        stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(zeros.data()));
        stream.avail_in = static_cast<uInt>(piece);
        const int flush = left == 0 ? Z_FINISH : Z_NO_FLUSH;
        int result;
        do {
            stream.next_out = reinterpret_cast<Bytef*>(buffer);
            stream.avail_out = sizeof buffer;
            result = deflate(&stream, flush);
            out.append(buffer, sizeof buffer - stream.avail_out);
        } while (stream.avail_out == 0 || (flush == Z_FINISH && result != Z_STREAM_END));
        if (left == 0)
            break;
    }
    deflateEnd(&stream);
    return out;
}

RecordedRequest ParseRequestHead(const std::string& head) {
    RecordedRequest request;
    size_t lineEnd = head.find("\r\n");
    const std::string requestLine = head.substr(0, lineEnd);
    const size_t firstBlank = requestLine.find(' ');
    const size_t secondBlank = requestLine.find(' ', firstBlank + 1);
    request.method = requestLine.substr(0, firstBlank);
    request.target = requestLine.substr(firstBlank + 1, secondBlank - firstBlank - 1);
    size_t start = lineEnd + 2;
    while ((lineEnd = head.find("\r\n", start)) != std::string::npos && lineEnd > start) {
        const std::string line = head.substr(start, lineEnd - start);
        const size_t colon = line.find(':');
        if (colon != std::string::npos)
            request.headers[Lower(line.substr(0, colon))] =
                line.substr(line.find_first_not_of(' ', colon + 1));
        start = lineEnd + 2;
    }
    return request;
}

} // namespace

HttpRoute HttpRoute::Body(std::string bytes, int status) {
    HttpRoute route;
    route.body = std::move(bytes);
    route.status = status;
    return route;
}

HttpRoute HttpRoute::Generated(uint64_t size) {
    HttpRoute route;
    route.generatedSize = size;
    return route;
}

HttpRoute HttpRoute::Redirect(std::string target, int status) {
    HttpRoute route = Body("moved", status);
    route.location = std::move(target);
    return route;
}

HttpRoute HttpRoute::GzipBomb(uint64_t inflatedSize) {
    return Body(GzipZeros(inflatedSize)).withHeader("Content-Encoding", "gzip");
}

HttpRoute& HttpRoute::gzipped() {
    gzip = true;
    return *this;
}

HttpRoute& HttpRoute::cutAfter(int64_t bytes) {
    cutAfterBytes = bytes;
    return *this;
}

HttpRoute& HttpRoute::stallAfter(int64_t bytes) {
    stallAfterBytes = bytes;
    return *this;
}

HttpRoute& HttpRoute::slow(std::chrono::milliseconds delay, size_t bytesPerPiece) {
    pieceDelay = delay;
    pieceSize = bytesPerPiece;
    return *this;
}

HttpRoute& HttpRoute::withHeader(std::string name, std::string value) {
    headers.emplace_back(std::move(name), std::move(value));
    return *this;
}

HttpRoute& HttpRoute::withContentType(std::string value) {
    contentType = std::move(value);
    return *this;
}

HttpRoute& HttpRoute::delayed(std::chrono::milliseconds delay) {
    answerDelay = delay;
    return *this;
}

HttpRoute& HttpRoute::silent() {
    neverAnswer = true;
    return *this;
}

HttpRoute& HttpRoute::withETag(std::string value) {
    etag = std::move(value);
    return *this;
}

HttpRoute& HttpRoute::withLastModified(std::string value) {
    lastModified = std::move(value);
    return *this;
}

std::string GeneratedBody(uint64_t size) {
    std::string body(size, ' ');
    for (uint64_t i = 0; i < size; ++i)
        body[i] = static_cast<char>('a' + i % 26);
    return body;
}

std::string GzipCompress(const std::string& bytes) {
    z_stream stream{};
    if (deflateInit2(&stream, Z_DEFAULT_COMPRESSION, Z_DEFLATED, 15 + 16, 8, Z_DEFAULT_STRATEGY) !=
        Z_OK)
        throw std::runtime_error("deflateInit2 failed");
    std::string out(deflateBound(&stream, bytes.size()) + 32, '\0');
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(bytes.data()));
    stream.avail_in = static_cast<uInt>(bytes.size());
    stream.next_out = reinterpret_cast<Bytef*>(out.data());
    stream.avail_out = static_cast<uInt>(out.size());
    const int result = deflate(&stream, Z_FINISH);
    out.resize(stream.total_out);
    deflateEnd(&stream);
    if (result != Z_STREAM_END)
        throw std::runtime_error("deflate failed");
    return out;
}

int UnusedLocalPort() {
    int port = 0;
    ::close(ListenOnLoopback(1, port));
    return port;
}

// A proxy set in the environment must not stand between the tests and these servers. Set while
// the program starts, before any thread runs: setenv is not safe beside threads that read the
// environment (libcurl does, and so does every nimbrel-digest the tests start).
[[maybe_unused]] const bool kNoProxyForLoopback = [] {
    ::setenv("no_proxy", "127.0.0.1,127.0.0.0/8,localhost", 1);
    return true;
}();

HttpTestServer::HttpTestServer(std::string address, std::chrono::seconds lifetime,
                               std::chrono::seconds maxStall)
    : address_(std::move(address)), deadline_(Clock::now() + lifetime), maxStall_(maxStall) {
    listener_ = ListenOn(address_, 64, port_);
    acceptor_ = std::thread([this] { acceptLoop(); });
}

HttpTestServer::~HttpTestServer() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
        for (int socket : openSockets_)
            ::shutdown(socket, SHUT_RDWR);
    }
    stopped_.notify_all();
    acceptor_.join();
    for (auto& worker : workers_)
        worker.join();
    ::close(listener_);
}

void HttpTestServer::route(const std::string& path, HttpRoute response) {
    std::lock_guard lock(mutex_);
    routes_[path] = std::move(response);
}

std::string HttpTestServer::hostPort() const {
    return address_ + ":" + std::to_string(port_);
}

std::string HttpTestServer::url(const std::string& path) const {
    return "http://" + hostPort() + path;
}

std::vector<RecordedRequest> HttpTestServer::requests() const {
    std::lock_guard lock(mutex_);
    return requests_;
}

int HttpTestServer::connectionsAccepted() const {
    std::lock_guard lock(mutex_);
    return connections_;
}

int HttpTestServer::mostConnectionsAtOnce() const {
    std::lock_guard lock(mutex_);
    return mostConnections_;
}

int HttpTestServer::mostRequestsAtOnce() const {
    std::lock_guard lock(mutex_);
    return mostRequests_;
}

bool HttpTestServer::waitForRequests(
    const std::function<bool(const std::vector<RecordedRequest>&)>& condition,
    std::chrono::milliseconds limit) const {
    std::unique_lock lock(mutex_);
    return requestsChanged_.wait_for(lock, limit, [&] { return condition(requests_); });
}

bool HttpTestServer::waitForRequests(size_t count, std::chrono::milliseconds limit) const {
    return waitForRequests(
        [count](const std::vector<RecordedRequest>& requests) { return requests.size() >= count; },
        limit);
}

std::vector<std::string> HttpTestServer::requestedTargets() const {
    std::vector<std::string> targets;
    for (const auto& request : requests())
        targets.push_back(request.target);
    return targets;
}

void HttpTestServer::acceptLoop() {
    while (!stopping_ && Clock::now() < deadline_) {
        pollfd waiting{listener_, POLLIN, 0};
        if (::poll(&waiting, 1, 50) <= 0)
            continue;
        const int socket = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
        if (socket < 0)
            continue;
        std::lock_guard lock(mutex_);
        openSockets_.push_back(socket);
        const int connection = ++connections_;
        mostConnections_ = std::max(mostConnections_, ++openConnections_);
        workers_.emplace_back([this, socket, connection] { serve(socket, connection); });
    }
}

void HttpTestServer::serve(int socket, int connection) {
    std::string pending, head;
    while (!stopping_ && ReadRequestHead(socket, pending, head)) {
        const bool tls = head[0] == kTlsHandshake;
        RecordedRequest request = tls ? RecordedRequest{"TLS", "", {}} : ParseRequestHead(head);
        request.connection = connection;
        const std::string path = request.target.substr(0, request.target.find('?'));
        HttpRoute response = HttpRoute::Body("not found", 404);
        size_t index;
        {
            std::lock_guard lock(mutex_);
            index = requests_.size();
            requests_.push_back(request);
            requestsChanged_.notify_all();
            if (auto found = routes_.find(path); found != routes_.end())
                response = found->second;
            mostRequests_ = std::max(mostRequests_, ++openRequests_);
        }
        const bool keepOpen = !tls && answer(socket, request, response, index);
        {
            std::lock_guard lock(mutex_);
            --openRequests_;
        }
        if (!keepOpen)
            break;
    }
    std::lock_guard lock(mutex_);
    --openConnections_;
    openSockets_.erase(std::find(openSockets_.begin(), openSockets_.end(), socket));
    ::close(socket);
}

// Sends the route's answer; true when the connection may carry another request.
bool HttpTestServer::answer(int socket, const RecordedRequest& request, const HttpRoute& route,
                            size_t index) {
    if (route.neverAnswer) {
        holdUntilStopped();
        return false;
    }
    if (!waitUnlessStopped(route.answerDelay))
        return false;
    int status = route.status;
    if (!route.location.empty() && (status < 300 || status > 399))
        status = 302;
    const bool notModified = status == 200 && NotModified(request, route);
    if (notModified)
        status = 304;
    std::string body = route.gzip ? GzipCompress(route.body) : route.body;
    const uint64_t length = route.generatedSize > 0 ? route.generatedSize : body.size();
    const bool close = route.cutAfterBytes >= 0 || route.stallAfterBytes >= 0 ||
                       Lower(Header(request, "connection")) == "close";
    std::string headers = "HTTP/1.1 " + std::to_string(status) + " " + ReasonPhrase(status) +
                          "\r\nContent-Type: " + route.contentType +
                          (close ? "\r\nConnection: close\r\n" : "\r\nConnection: keep-alive\r\n");
    if (!notModified)
        headers += "Content-Length: " + std::to_string(length) + "\r\n";
    if (route.gzip)
        headers += "Content-Encoding: gzip\r\n";
    if (!route.location.empty())
        headers += "Location: " + route.location + "\r\n";
    if (!route.etag.empty())
        headers += "ETag: " + route.etag + "\r\n";
    if (!route.lastModified.empty())
        headers += "Last-Modified: " + route.lastModified + "\r\n";
    for (const auto& [name, value] : route.headers)
        headers += name + ": " + value + "\r\n";
    headers += "\r\n";
    {
        std::lock_guard lock(mutex_);
        requests_[index].status = status;
        requestsChanged_.notify_all();
    }
    if (!sendAll(socket, headers.data(), headers.size()))
        return false;
    if (notModified)
        return true;
    const bool sent = sendBody(socket, route, body, index);
    if (sent && route.stallAfterBytes >= 0)
        holdUntilStopped();
    return sent && !close;
}

bool HttpTestServer::sendBody(int socket, const HttpRoute& route, const std::string& body,
                              size_t index) {
    uint64_t total = route.generatedSize > 0 ? route.generatedSize : body.size();
    if (route.cutAfterBytes >= 0)
        total = std::min<uint64_t>(total, route.cutAfterBytes);
    if (route.stallAfterBytes >= 0)
        total = std::min<uint64_t>(total, route.stallAfterBytes);
    const size_t pieceSize = std::max<size_t>(route.pieceSize, 1);
    std::string piece;
    for (uint64_t sent = 0; sent < total && !stopping_;) {
        const size_t size = static_cast<size_t>(std::min<uint64_t>(pieceSize, total - sent));
        if (route.generatedSize > 0) {
            piece.resize(size);
            for (size_t i = 0; i < size; ++i)
                piece[i] = static_cast<char>('a' + (sent + i) % 26);
        } else {
            piece.assign(body, sent, size);
        }
        if (!sendAll(socket, piece.data(), size))
            return false;
        sent += size;
        {
            std::lock_guard lock(mutex_);
            requests_[index].bodyBytes = sent;
            requestsChanged_.notify_all();
        }
        if (sent < total && !waitUnlessStopped(route.pieceDelay))
            return false;
    }
    return !stopping_;
}

bool HttpTestServer::waitUnlessStopped(std::chrono::milliseconds delay) {
    if (delay.count() > 0) {
        std::unique_lock lock(mutex_);
        stopped_.wait_for(lock, delay, [this] { return stopping_.load(); });
    }
    return !stopping_;
}

bool HttpTestServer::sendAll(int socket, const char* data, size_t size) {
    while (size > 0) {
        const ssize_t sent = ::send(socket, data, size, MSG_NOSIGNAL);
        if (sent < 0 && errno == EINTR)
            continue;
        if (sent <= 0)
            return false;
        data += sent;
        size -= static_cast<size_t>(sent);
    }
    return true;
}

void HttpTestServer::holdUntilStopped() {
    std::unique_lock lock(mutex_);
    stopped_.wait_for(lock, maxStall_, [this] { return stopping_.load(); });
}

UnansweringServer::UnansweringServer() {
    listener_ = ListenOnLoopback(0, port_);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<uint16_t>(port_));
    // Fill the accept queue; later connection attempts then get no answer.
    for (int i = 0; i < 8; ++i) {
        const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
        ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
        fillers_.push_back(fd);
    }
}

UnansweringServer::~UnansweringServer() {
    for (int fd : fillers_)
        ::close(fd);
    ::close(listener_);
}

std::string UnansweringServer::hostPort() const {
    return "127.0.0.1:" + std::to_string(port_);
}

} // namespace nimbrel::test
