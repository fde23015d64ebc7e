// The per-document allocator of the cleaner: every allocation keeps its bytes however the
// document grows, frees and reuses them, within its blocks and past them.
#include "components/TidyArena.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace nimbrel::tidycom {
namespace {

struct Held {
    void* block;
    std::string bytes;
};

void Fill(Held& held, size_t size, char letter) {
    held.bytes.assign(size, letter);
    std::memcpy(held.block, held.bytes.data(), size);
}

void ExpectKept(const std::vector<Held>& held) {
    for (const Held& each : held)
        ASSERT_EQ(std::string(static_cast<const char*>(each.block), each.bytes.size()), each.bytes);
}

TEST(TidyArena, EveryAllocationKeepsItsBytesThroughGrowthFreesAndLargeBuffers) {
    TidyArena arena;
    TidyAllocator* calls = arena.allocator();
    std::vector<Held> held;
    // Many small nodes, as a page's tree makes them; every third freed again at once.
    for (int i = 0; i < 20000; ++i) {
        held.push_back({calls->vtbl->alloc(calls, 24 + i % 40), {}});
        Fill(held.back(), 24 + i % 40, static_cast<char>('a' + i % 26));
        if (i % 3 == 0) {
            calls->vtbl->free(calls, held.back().block);
            held.pop_back();
        }
    }
    ExpectKept(held);
    // A buffer growing while it is the latest allocation, then after others came.
    Held buffer{calls->vtbl->alloc(calls, 10), {}};
    for (size_t size : {100u, 5000u, 70000u, 400000u, 3000000u}) {
        buffer.block = calls->vtbl->realloc(calls, buffer.block, size);
        Fill(buffer, size, static_cast<char>('A' + size % 26));
        held.push_back({calls->vtbl->alloc(calls, 32), {}});
        Fill(held.back(), 32, 'z');
    }
    // Shrinking keeps the block; more than the arena's bound still allocates.
    EXPECT_EQ(calls->vtbl->realloc(calls, buffer.block, 20), buffer.block);
    held.push_back(buffer);
    for (int i = 0; i < 700; ++i) {
        held.push_back({calls->vtbl->alloc(calls, 100000), {}});
        Fill(held.back(), 100000, static_cast<char>('0' + i % 10));
    }
    ExpectKept(held);
    calls->vtbl->free(calls, nullptr);
    void* fresh = calls->vtbl->realloc(calls, nullptr, 8);
    ASSERT_NE(fresh, nullptr);
    for (const Held& each : held)
        calls->vtbl->free(calls, each.block);
}

} // namespace
} // namespace nimbrel::tidycom
