#include "support/XmlEngineFault.h"

#include <atomic>
#include <dlfcn.h>

namespace {

std::atomic<bool> failing{false};

} // namespace

// The program's calls bind to this definition, linked before libxml2; it hands every call on to
// the library's own unless a fault lives.
extern "C" void* xmlNewDoc(const unsigned char* version) {
    using NewDoc = void* (*)(const unsigned char*);
    static const NewDoc library = reinterpret_cast<NewDoc>(::dlsym(RTLD_NEXT, "xmlNewDoc"));
    return failing ? nullptr : library(version);
}

namespace nimbrel::test {

XmlEngineFault::XmlEngineFault() {
    failing = true;
}

XmlEngineFault::~XmlEngineFault() {
    failing = false;
}

} // namespace nimbrel::test
