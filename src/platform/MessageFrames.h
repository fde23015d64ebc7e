// Messages between the program and its helper processes over a stream socket: each one a 4-byte
// length (little-endian) and that many bytes. A message's fields are written and read in order
// by MessageWriter and MessageReader; a reader never trusts what it is given.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <exception>
#include <optional>
#include <string>
#include <string_view>

namespace nimbrel {

// Sends the whole message; false when the other side is gone. Never raises SIGPIPE.
bool SendMessage(int socket, std::string_view message);

// Reads one message, blocking; nothing when the other side has ended, the frame is cut short or
// it announces more than `maxBytes`.
std::optional<std::string> ReadMessage(int socket, std::size_t maxBytes);

enum class Received {
    Message,   // `message` holds it
    Ended,     // the other side closed the socket before a whole message came
    TooLarge,  // it announced more than maxBytes
    TimedOut,  // the deadline passed first
    Cancelled, // `cancel` became readable first
};

// Reads one message, waiting until `deadline` at most; `cancel` (-1 for none) is a descriptor
// whose becoming readable ends the wait.
Received ReceiveMessage(int socket, std::string& message, std::size_t maxBytes,
                        std::chrono::steady_clock::time_point deadline, int cancel);

class MessageWriter {
  public:
    MessageWriter& number(std::uint64_t value);
    MessageWriter& text(std::string_view value);
    const std::string& bytes() const { return bytes_; }
    std::string take() { return std::move(bytes_); }

  private:
    std::string bytes_;
};

// Raised by MessageReader on a message that does not hold what was asked for.
struct MalformedMessage : std::exception {
    const char* what() const noexcept override {
        return "A message between processes is malformed";
    }
};

class MessageReader {
  public:
    explicit MessageReader(std::string_view bytes) : rest_(bytes) {}
    std::uint64_t number();
    std::string text();
    // True when every byte has been read.
    bool atEnd() const { return rest_.empty(); }

  private:
    std::string_view take(std::size_t count);
    std::string_view rest_;
};

} // namespace nimbrel
