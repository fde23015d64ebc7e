#include "pipeline/DigestPage.h"

#include "platform/Errors.h"

namespace nimbrel {

namespace {

// What the transforms put at the head of every text result; it cannot overlap itself (its
// only "<" is its first byte), so every occurrence is found on its own.
constexpr std::string_view kEngineDeclaration = "<?xml version=\"1.0\" encoding=\"UTF-16\"?>";

bool BeginsADeclaration(std::string_view text) {
    return text.size() < kEngineDeclaration.size() && kEngineDeclaration.starts_with(text);
}

} // namespace

DigestPage::DigestPage(std::string target) : file_(std::move(target)) {}

void DigestPage::writeRaw(std::string_view text) {
    file_.write(text);
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
    return {file_.size(), held_};
}

void DigestPage::rewind(const Mark& mark) {
    file_.truncate(mark.offset);
    held_ = mark.held;
}

DigestPage::Region DigestPage::reserve(size_t bytes) {
    writeRaw(held_);
    held_.clear();
    const Region region{file_.size(), bytes};
    writeRaw(std::string(bytes, ' '));
    return region;
}

void DigestPage::fill(const Region& region, std::string_view text) {
    if (text.size() > region.bytes)
        throw Exception("The text of " + std::to_string(text.size()) +
                        " bytes does not fit the region of " + std::to_string(region.bytes));
    std::string padded(text);
    padded.resize(region.bytes, ' ');
    file_.overwrite(region.offset, padded);
}

void DigestPage::commit() {
    writeRaw(held_);
    held_.clear();
    writeRaw("\r\n");
    file_.commit();
}

} // namespace nimbrel
