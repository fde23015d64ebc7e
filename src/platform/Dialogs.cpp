#include "platform/Dialogs.h"

#include "platform/ServiceSlot.h"

#include <cstdio>

namespace nimbrel {

void ConsoleDialogs::showMessage(const std::string& text) {
    std::fprintf(stderr, "%s\n", text.c_str());
}

bool ConsoleDialogs::askYesNo(const std::string& text) {
    std::fprintf(stderr, "%s [answered No]\n", text.c_str());
    return false;
}

void ConsoleDialogs::showError(const std::string& text) {
    std::fprintf(stderr, "error: %s\n", text.c_str());
}

DialogService& Dialogs() {
    return ServiceSlot<DialogService, ConsoleDialogs>::current();
}

void SetDialogs(DialogService* service) {
    ServiceSlot<DialogService, ConsoleDialogs>::install(service);
}

} // namespace nimbrel
