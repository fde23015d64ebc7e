#include "platform/Dialogs.h"

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

namespace {
DialogService*& Installed() {
    static DialogService* service = nullptr;
    return service;
}
} // namespace

DialogService& Dialogs() {
    static ConsoleDialogs console;
    DialogService* service = Installed();
    return service ? *service : console;
}

void SetDialogs(DialogService* service) {
    Installed() = service;
}

} // namespace nimbrel
