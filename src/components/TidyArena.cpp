#include "components/TidyArena.h"

#include "components/EngineMemory.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <mutex>

namespace nimbrel::tidycom {

namespace {

constexpr size_t kBlockBytes = 1u << 20;
// Allocations larger than this come from the system allocator, each on its own.
constexpr size_t kLargestFromBlocks = kBlockBytes / 8;
// The blocks of one document at most: a 300 KB page takes a few; past this a runaway page's
// allocations are given back one by one again.
constexpr size_t kMostBlockBytes = 64u << 20;

void* Checked(void* block) {
    if (!block)
        engines::OutOfMemory();
    return block;
}

// Blocks of documents released, kept for the next ones: fresh memory costs the kernel a fault
// and a cleared page for every 4 KB, more than the allocations the arena saves.
constexpr size_t kKeptBlocks = 8;
std::mutex keptMutex;
std::vector<char*>& KeptBlocks() {
    static auto* kept = new std::vector<char*>(); // never destroyed: threads may outlive main
    return *kept;
}

char* NewBlock() {
    {
        std::lock_guard lock(keptMutex);
        if (!KeptBlocks().empty()) {
            char* block = KeptBlocks().back();
            KeptBlocks().pop_back();
            return block;
        }
    }
    return static_cast<char*>(Checked(std::malloc(kBlockBytes)));
}

void KeepOrFree(char* block) {
    {
        std::lock_guard lock(keptMutex);
        if (KeptBlocks().size() < kKeptBlocks) {
            KeptBlocks().push_back(block);
            return;
        }
    }
    std::free(block);
}

// Before every allocation: its size, and whether the system allocator made it.
struct Header {
    size_t bytes;
    size_t fromSystem;
};
static_assert(sizeof(Header) == 16);

Header& HeaderOf(void* block) {
    return *(static_cast<Header*>(block) - 1);
}

size_t Rounded(size_t bytes) {
    return (bytes + 15) & ~size_t{15};
}

TidyArena& ArenaOf(TidyAllocator* allocator) {
    return *reinterpret_cast<TidyArena*>(allocator);
}

void* Allocate(TidyAllocator* self, size_t bytes) {
    return ArenaOf(self).allocate(bytes);
}
void* Reallocate(TidyAllocator* self, void* block, size_t bytes) {
    return ArenaOf(self).reallocate(block, bytes);
}
void Release(TidyAllocator* self, void* block) {
    ArenaOf(self).release(block);
}
void Panic(TidyAllocator*, ctmbstr) {
    engines::OutOfMemory();
}

const TidyAllocatorVtbl kArenaCalls = {&Allocate, &Reallocate, &Release, &Panic};

} // namespace

TidyArena::TidyArena() {
    static_assert(offsetof(TidyArena, base_) == 0);
    base_.vtbl = &kArenaCalls;
}

TidyArena::~TidyArena() {
    for (char* block : blocks_)
        KeepOrFree(block);
}

void* TidyArena::fromBlocks(size_t bytes) {
    const size_t needed = sizeof(Header) + bytes;
    if (needed > left_) {
        char* block = NewBlock();
        blocks_.push_back(block);
        taken_ += kBlockBytes;
        next_ = block;
        left_ = kBlockBytes;
    }
    auto* header = reinterpret_cast<Header*>(next_);
    *header = {bytes, 0};
    next_ += needed;
    left_ -= needed;
    last_ = header + 1;
    return last_;
}

void* TidyArena::allocate(size_t bytes) {
    bytes = Rounded(bytes ? bytes : 1);
    if (bytes <= kLargestFromBlocks &&
        (taken_ < kMostBlockBytes || sizeof(Header) + bytes <= left_))
        return fromBlocks(bytes);
    auto* header = static_cast<Header*>(Checked(std::malloc(sizeof(Header) + bytes)));
    *header = {bytes, 1};
    return header + 1;
}

void* TidyArena::reallocate(void* block, size_t bytes) {
    if (!block)
        return allocate(bytes);
    Header& header = HeaderOf(block);
    if (bytes <= header.bytes)
        return block;
    bytes = Rounded(bytes);
    if (header.fromSystem && bytes > kLargestFromBlocks) {
        auto* grown = static_cast<Header*>(Checked(std::realloc(&header, sizeof(Header) + bytes)));
        grown->bytes = bytes;
        return grown + 1;
    }
    // The latest allocation grows where it stands while its block has room.
    if (block == last_ && bytes - header.bytes <= left_) {
        next_ += bytes - header.bytes;
        left_ -= bytes - header.bytes;
        header.bytes = bytes;
        return block;
    }
    void* moved = allocate(bytes);
    std::memcpy(moved, block, header.bytes);
    release(block);
    return moved;
}

void TidyArena::release(void* block) {
    if (!block)
        return;
    Header& header = HeaderOf(block);
    if (header.fromSystem) {
        std::free(&header);
        return;
    }
    // The latest allocation freed: its room is used again.
    if (block == last_) {
        const size_t bytes = sizeof(Header) + header.bytes;
        next_ -= bytes;
        left_ += bytes;
        last_ = nullptr;
    }
}

} // namespace nimbrel::tidycom
