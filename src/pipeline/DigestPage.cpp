#include "pipeline/DigestPage.h"

#include "platform/Errors.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <vector>

namespace nimbrel {

namespace {

// What the transforms put at the head of every text result; it cannot overlap itself (its
// only "<" is its first byte), so every occurrence is found on its own.
constexpr std::string_view kEngineDeclaration = "<?xml version=\"1.0\" encoding=\"UTF-16\"?>";

bool BeginsADeclaration(std::string_view text) {
    return text.size() < kEngineDeclaration.size() && kEngineDeclaration.starts_with(text);
}

// An unnamed file in the folder of `target` (never seen, gone with its descriptor); in the
// temporary folder when that file system has none.
int OpenScratchBeside(const std::string& target) {
    const size_t slash = target.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : target.substr(0, slash + 1);
    int fd = ::open(folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
    if (fd < 0)
        if (FILE* scratch = std::tmpfile())
            fd = ::dup(::fileno(scratch)), std::fclose(scratch);
    if (fd < 0)
        RaiseInOutError(errno ? errno : EIO, target);
    return fd;
}

} // namespace

DigestPage::DigestPage(std::string target) : file_(std::move(target)) {}

DigestPage::~DigestPage() {
    if (later_ >= 0)
        ::close(later_);
}

void DigestPage::writeRaw(std::string_view text) {
    if (later_ < 0) {
        file_.write(text);
        return;
    }
    for (size_t done = 0; done < text.size();) {
        const ssize_t n = ::pwrite(later_, text.data() + done, text.size() - done,
                                   static_cast<off_t>(laterSize_ + done));
        if (n < 0 && errno != EINTR)
            RaiseInOutError(errno, file_.target());
        if (n > 0)
            done += static_cast<size_t>(n);
    }
    laterSize_ += text.size();
}

// The text that waited, after what the page holds now; the page goes on in its own file.
void DigestPage::appendLater() {
    if (later_ < 0)
        return;
    std::vector<char> buffer(1 << 20);
    for (uint64_t at = 0; at < laterSize_;) {
        const ssize_t n = ::pread(later_, buffer.data(), buffer.size(), static_cast<off_t>(at));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            RaiseInOutError(n < 0 ? errno : EIO, file_.target());
        file_.write({buffer.data(), static_cast<size_t>(n)});
        at += static_cast<uint64_t>(n);
    }
    ::close(later_);
    later_ = -1;
    laterSize_ = 0;
}

void DigestPage::write(std::string_view text) {
    size_t from = 0;
    if (!held_.empty()) {
        const size_t missing = kEngineDeclaration.size() - held_.size();
        const std::string_view next = text.substr(0, missing);
        if (kEngineDeclaration.substr(held_.size(), next.size()) == next) {
            if (next.size() < missing) {
                held_.append(next); // still only the start of one
                return;
            }
            held_.clear(); // a whole declaration: dropped
            from = missing;
        } else {
            // Not a declaration; no later byte of it can begin one (none is a "<").
            writeRaw(held_);
            held_.clear();
        }
    }
    for (size_t at = text.find(kEngineDeclaration, from); at != std::string_view::npos;
         at = text.find(kEngineDeclaration, from)) {
        writeRaw(text.substr(from, at - from));
        from = at + kEngineDeclaration.size();
    }
    // Only the last "<" can begin a declaration that the next write would complete.
    const size_t lastOpen = text.rfind('<');
    if (lastOpen != std::string_view::npos && lastOpen >= from &&
        BeginsADeclaration(text.substr(lastOpen))) {
        writeRaw(text.substr(from, lastOpen - from));
        held_ = text.substr(lastOpen);
        return;
    }
    writeRaw(text.substr(from));
}

DigestPage::Mark DigestPage::mark() const {
    return {later_ >= 0 ? laterSize_ : file_.size(), held_, later_ >= 0};
}

void DigestPage::rewind(const Mark& mark) {
    if (mark.later != (later_ >= 0))
        throw Exception("The page cannot go back across the place of its later text");
    if (!mark.later)
        file_.truncate(mark.offset);
    else if (mark.offset < laterSize_) {
        if (::ftruncate(later_, static_cast<off_t>(mark.offset)) != 0)
            RaiseInOutError(errno, file_.target());
        laterSize_ = mark.offset;
    }
    held_ = mark.held;
}

void DigestPage::reserve() {
    writeRaw(held_);
    held_.clear();
    if (later_ < 0)
        later_ = OpenScratchBeside(file_.target());
}

void DigestPage::fill(std::string_view text) {
    file_.write(text);
    appendLater();
}

void DigestPage::close() {
    if (closed_)
        return;
    writeRaw(held_);
    held_.clear();
    appendLater();
    writeRaw("\r\n");
    file_.sync();
    closed_ = true;
}

void DigestPage::commit() {
    close();
    file_.commit();
}

} // namespace nimbrel
