#include "platform/MessageFrames.h"

#include <algorithm>
#include <cerrno>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace nimbrel {

namespace {

constexpr std::size_t kLengthBytes = 4;

std::string LengthBytes(std::size_t length) {
    std::string bytes(kLengthBytes, '\0');
    for (std::size_t i = 0; i < kLengthBytes; ++i)
        bytes[i] = static_cast<char>((length >> (8 * i)) & 0xFF);
    return bytes;
}

std::size_t LengthOf(std::string_view bytes) {
    std::size_t length = 0;
    for (std::size_t i = 0; i < kLengthBytes; ++i)
        length |= static_cast<std::size_t>(static_cast<unsigned char>(bytes[i])) << (8 * i);
    return length;
}

bool SendAll(int socket, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t sent = ::send(socket, bytes.data(), bytes.size(), MSG_NOSIGNAL);
        if (sent < 0 && errno == EINTR)
            continue;
        if (sent <= 0)
            return false;
        bytes.remove_prefix(static_cast<std::size_t>(sent));
    }
    return true;
}

// Reads what is there into `into`, up to `wanted` bytes in all; false at the end of the stream.
bool ReadSome(int socket, std::string& into, std::size_t wanted) {
    char buffer[65536];
    const std::size_t room = std::min(sizeof buffer, wanted - into.size());
    ssize_t got;
    do
        got = ::read(socket, buffer, room);
    while (got < 0 && errno == EINTR);
    if (got <= 0)
        return false;
    into.append(buffer, static_cast<std::size_t>(got));
    return true;
}

// Reads one frame piece by piece; `wait` is asked before each read whether to go on.
template <class Wait>
Received ReadFrame(int socket, std::string& message, std::size_t maxBytes, Wait&& wait) {
    std::string head;
    while (head.size() < kLengthBytes) {
        if (const auto stop = wait())
            return *stop;
        if (!ReadSome(socket, head, kLengthBytes))
            return Received::Ended;
    }
    const std::size_t length = LengthOf(head);
    if (length > maxBytes)
        return Received::TooLarge;
    message.clear();
    message.reserve(length);
    while (message.size() < length) {
        if (const auto stop = wait())
            return *stop;
        if (!ReadSome(socket, message, length))
            return Received::Ended;
    }
    return Received::Message;
}

} // namespace

bool SendMessage(int socket, std::string_view message) {
    return SendAll(socket, LengthBytes(message.size())) && SendAll(socket, message);
}

std::optional<std::string> ReadMessage(int socket, std::size_t maxBytes) {
    std::string message;
    const Received received =
        ReadFrame(socket, message, maxBytes, [] { return std::optional<Received>(); });
    if (received != Received::Message)
        return std::nullopt;
    return message;
}

Received ReceiveMessage(int socket, std::string& message, std::size_t maxBytes,
                        std::chrono::steady_clock::time_point deadline, int cancel) {
    return ReadFrame(socket, message, maxBytes, [&]() -> std::optional<Received> {
        for (;;) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                deadline - std::chrono::steady_clock::now());
            if (left.count() <= 0)
                return Received::TimedOut;
            pollfd watched[2] = {{socket, POLLIN, 0}, {cancel, POLLIN, 0}};
            const int ready = ::poll(watched, cancel >= 0 ? 2 : 1,
                                     static_cast<int>(std::min<long long>(left.count(), 60'000)));
            if (ready < 0 && errno != EINTR)
                return Received::Ended;
            if (ready <= 0)
                continue;
            if (cancel >= 0 && watched[1].revents != 0)
                return Received::Cancelled;
            if (watched[0].revents != 0)
                return std::nullopt; // readable, or at its end: the read tells which
        }
    });
}

MessageWriter& MessageWriter::number(std::uint64_t value) {
    for (int i = 0; i < 8; ++i)
        bytes_ += static_cast<char>((value >> (8 * i)) & 0xFF);
    return *this;
}

MessageWriter& MessageWriter::text(std::string_view value) {
    number(value.size());
    bytes_.append(value);
    return *this;
}

std::string_view MessageReader::take(std::size_t count) {
    if (count > rest_.size())
        throw MalformedMessage{};
    const std::string_view taken = rest_.substr(0, count);
    rest_.remove_prefix(count);
    return taken;
}

std::uint64_t MessageReader::number() {
    const std::string_view bytes = take(8);
    std::uint64_t value = 0;
    for (int i = 0; i < 8; ++i)
        value |= static_cast<std::uint64_t>(static_cast<unsigned char>(bytes[i])) << (8 * i);
    return value;
}

std::string MessageReader::text() {
    const std::uint64_t length = number();
    if (length > rest_.size())
        throw MalformedMessage{};
    return std::string(take(static_cast<std::size_t>(length)));
}

} // namespace nimbrel
