#include "components/EngineMemory.h"

#include <libxml/xmlmemory.h>
#include <tidy/tidy.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <new>

namespace nimbrel::engines {

namespace {

std::atomic<bool> failed{false};
void (*endOutOfMemory)() = nullptr;

void WatchedFree(void* block) {
    std::free(block);
}

void* Noted(void* block) {
    if (!block)
        failed = true;
    return block;
}

void* WatchedMalloc(size_t size) {
    return Noted(std::malloc(size));
}

void* WatchedRealloc(void* block, size_t size) {
    return Noted(std::realloc(block, size));
}

char* WatchedStrdup(const char* text) {
    return static_cast<char*>(Noted(::strdup(text)));
}

void TidyPanic(ctmbstr) {
    failed = true;
    endOutOfMemory();
}

void NewFailed() {
    failed = true;
    throw std::bad_alloc();
}

} // namespace

void WatchAllocations(void (*outOfMemory)()) {
    endOutOfMemory = outOfMemory;
    xmlMemSetup(&WatchedFree, &WatchedMalloc, &WatchedRealloc, &WatchedStrdup);
    tidySetMallocCall(&WatchedMalloc);
    tidySetReallocCall(&WatchedRealloc);
    tidySetFreeCall(&WatchedFree);
    tidySetPanicCall(&TidyPanic);
    std::set_new_handler(&NewFailed);
}

bool AllocationFailed() {
    return failed;
}

void OutOfMemory() {
    failed = true;
    if (endOutOfMemory)
        endOutOfMemory();
    std::abort();
}

} // namespace nimbrel::engines
