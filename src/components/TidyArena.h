// The memory of one libtidy document, taken from large blocks and given back all at once when the
// document is released: a page's nodes, attributes and buffers die together, so handing them
// back one by one is wasted work. Past a bound, and for large buffers, allocations go to the
// system allocator as before, so a hostile page costs at most the bound more than it did. A few
// blocks are kept for the next document: fresh memory costs the kernel a fault and a cleared page
// for every 4 KB, which outweighed what the arena saves.
#pragma once

#include <tidy/tidy.h>

#include <cstddef>
#include <vector>

namespace nimbrel::tidycom {

class TidyArena {
  public:
    TidyArena();
    ~TidyArena();
    TidyArena(const TidyArena&) = delete;
    TidyArena& operator=(const TidyArena&) = delete;

    // For tidyCreateWithAllocator; valid while the arena lives.
    TidyAllocator* allocator() { return &base_; }

    void* allocate(size_t bytes);
    void* reallocate(void* block, size_t bytes);
    void release(void* block);

  private:
    void* fromBlocks(size_t bytes);

    TidyAllocator base_; // first: libtidy hands it back, the arena is found from it
    std::vector<char*> blocks_;
    char* next_ = nullptr;
    size_t left_ = 0;
    size_t taken_ = 0;     // bytes of blocks taken so far
    void* last_ = nullptr; // the most recent allocation from the blocks: it may grow in place
};

} // namespace nimbrel::tidycom
