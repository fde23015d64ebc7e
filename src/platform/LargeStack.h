// Running deeply recursive library code (the HTML cleaner, the stylesheet transforms) where its
// recursion cannot overflow the stack: on a thread of its own with a stack of a known size.
#pragma once

#include <cstddef>
#include <functional>

namespace nimbrel {

// Runs `work` on a thread whose stack holds at least `stackBytes` and waits for it; an error it
// raises is raised again here. Runs it directly when the calling thread is itself such a thread
// with a stack at least that large (a worker made by this function), so nesting costs nothing.
// Raises nimbrel::Exception when no such thread can be started.
void RunOnLargeStack(std::size_t stackBytes, const std::function<void()>& work);

} // namespace nimbrel
