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

int ListenOnLoopback(int backlog, int& port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        throw std::runtime_error("socket failed");
    const int yes = 1;
    ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    socklen_t length = sizeof address;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(fd, backlog) != 0 ||
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        ::close(fd);
        throw std::runtime_error("cannot listen on 127.0.0.1");
    }
    port = ntohs(address.sin_port);
    return fd;
}

std::string ReasonPhrase(int status) {
    switch (status) {
    case 200:
        return "OK";
    case 301:
        return "Moved Permanently";
    case 302:
        return "Found";
    case 404:
        return "Not Found";
    case 500:
        return "Internal Server Error";
    default:
        return "Status";
    }
}

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

// Reads up to the blank line that ends the request head; the tests send no request bodies.
bool ReadRequestHead(int socket, std::string& head) {
    char buffer[4096];
    while (head.find("\r\n\r\n") == std::string::npos) {
        if (!head.empty() && head[0] == kTlsHandshake)
            return true;
        pollfd waiting{socket, POLLIN, 0};
        if (::poll(&waiting, 1, 10000) <= 0 || head.size() > 65536)
            return false;
        const ssize_t got = ::recv(socket, buffer, sizeof buffer, 0);
        if (got <= 0)
            return false;
        head.append(buffer, static_cast<size_t>(got));
    }
    return true;
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

HttpTestServer::HttpTestServer(std::chrono::seconds lifetime, std::chrono::seconds maxStall)
    : deadline_(Clock::now() + lifetime), maxStall_(maxStall) {
    // A proxy set in the environment must not stand between the tests and this server.
    ::setenv("no_proxy", "127.0.0.1,localhost", 1);
    listener_ = ListenOnLoopback(64, port_);
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
    return "127.0.0.1:" + std::to_string(port_);
}

std::string HttpTestServer::url(const std::string& path) const {
    return "http://" + hostPort() + path;
}

std::vector<RecordedRequest> HttpTestServer::requests() const {
    std::lock_guard lock(mutex_);
    return requests_;
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
        workers_.emplace_back([this, socket] { serve(socket); });
    }
}

void HttpTestServer::serve(int socket) {
    std::string head;
    if (ReadRequestHead(socket, head)) {
        const bool tls = head[0] == kTlsHandshake;
        RecordedRequest request = tls ? RecordedRequest{"TLS", "", {}} : ParseRequestHead(head);
        const std::string path = request.target.substr(0, request.target.find('?'));
        HttpRoute response = HttpRoute::Body("not found", 404);
        {
            std::lock_guard lock(mutex_);
            requests_.push_back(std::move(request));
            if (auto found = routes_.find(path); found != routes_.end())
                response = found->second;
        }
        if (!tls)
            answer(socket, response);
    }
    std::lock_guard lock(mutex_);
    openSockets_.erase(std::find(openSockets_.begin(), openSockets_.end(), socket));
    ::close(socket);
}

void HttpTestServer::answer(int socket, const HttpRoute& route) {
    int status = route.status;
    if (!route.location.empty() && (status < 300 || status > 399))
        status = 302;
    std::string body = route.gzip ? GzipCompress(route.body) : route.body;
    const uint64_t length = route.generatedSize > 0 ? route.generatedSize : body.size();
    std::string headers = "HTTP/1.1 " + std::to_string(status) + " " + ReasonPhrase(status) +
                          "\r\nContent-Type: " + route.contentType + "\r\nConnection: close\r\n" +
                          "Content-Length: " + std::to_string(length) + "\r\n";
    if (route.gzip)
        headers += "Content-Encoding: gzip\r\n";
    if (!route.location.empty())
        headers += "Location: " + route.location + "\r\n";
    for (const auto& [name, value] : route.headers)
        headers += name + ": " + value + "\r\n";
    headers += "\r\n";
    if (sendAll(socket, headers.data(), headers.size()) && sendBody(socket, route, body) &&
        route.stallAfterBytes >= 0)
        holdUntilStopped();
}

bool HttpTestServer::sendBody(int socket, const HttpRoute& route, const std::string& body) {
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
        if (route.pieceDelay.count() > 0 && sent < total) {
            std::unique_lock lock(mutex_);
            stopped_.wait_for(lock, route.pieceDelay, [this] { return stopping_.load(); });
        }
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
