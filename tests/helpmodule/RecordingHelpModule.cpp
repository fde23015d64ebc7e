// A stand-in help viewer module for tests: its entry points append every call, one line each,
// to the file named by NIMBREL_TEST_HELP_LOG, so tests observe the help calls through the real
// load-and-call path.
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {
const char* OwnerName(void* owner) {
    if (!owner)
        return "none";
    return reinterpret_cast<uintptr_t>(owner) == 1 ? "desktop" : "window";
}

void Record(void* owner, const char* file, unsigned command, uintptr_t data) {
    const char* log = std::getenv("NIMBREL_TEST_HELP_LOG");
    if (!log)
        return;
    if (FILE* out = std::fopen(log, "a")) {
        std::fprintf(out, "%s|%s|%u|%lu\n", OwnerName(owner), file ? file : "(none)", command,
                     static_cast<unsigned long>(data));
        std::fclose(out);
    }
}
} // namespace

extern "C" __attribute__((visibility("default"))) void*
HtmlHelpA(void* owner, const char* file, unsigned command, uintptr_t data) {
    Record(owner, file, command, data);
    return nullptr;
}

extern "C" __attribute__((visibility("default"))) void*
HtmlHelpW(void* owner, const wchar_t*, unsigned command, uintptr_t data) {
    Record(owner, "(wide)", command, data);
    return nullptr;
}
