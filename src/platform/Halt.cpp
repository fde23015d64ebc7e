#include "platform/Halt.h"

#include <cstdio>
#include <cstdlib>

namespace nimbrel {

namespace {
HaltHandler& Handler() {
    static HaltHandler handler;
    return handler;
}
} // namespace

void Halt(int exitCode) {
    if (Handler()) {
        Handler()(exitCode);
        throw HaltRequested(exitCode);
    }
    std::fflush(nullptr);
    std::_Exit(exitCode);
}

void SetHaltHandler(HaltHandler handler) {
    Handler() = std::move(handler);
}

} // namespace nimbrel
