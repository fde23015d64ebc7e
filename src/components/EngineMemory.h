// Running out of memory inside the engines (libxml2, libxslt, libtidy) or the program's own C++
// code, noticed: in a worker, whose address space is limited, that failure belongs to the site
// being worked on and ends the worker. Each library reports it its own way (an error text, a
// null result, a panic), so every allocation of theirs is watched instead.
#pragma once

namespace nimbrel::engines {

// Routes the engines' allocations through wrappers that note a failure, and has a failed C++
// allocation noted too (it still raises std::bad_alloc). libtidy cannot go on after a failed
// allocation: it calls `outOfMemory`, which must end the process. Call once, before any engine
// is used.
void WatchAllocations(void (*outOfMemory)());

// True once an allocation has failed since WatchAllocations. Safe in a signal handler.
bool AllocationFailed();

// For allocators of the program's own that serve an engine: notes the failure and ends as a
// failed engine allocation does (the process, once WatchAllocations has run; else abort()).
[[noreturn]] void OutOfMemory();

} // namespace nimbrel::engines
