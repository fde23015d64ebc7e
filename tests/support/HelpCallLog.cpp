#include "support/HelpCallLog.h"

#include "app/hh_funcs.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <unistd.h>

namespace nimbrel::test {

void SetHtmlHelpControlPath(std::optional<std::string> path) {
    static std::string installed;
    installed = path.value_or(std::string());
    HelpModulePathSlot::install(path ? &installed : nullptr);
}

void UseRecordingHelpModule() {
    SetHtmlHelpControlPath(std::string(NIMBREL_TEST_HELP_MODULE));
    LoadHtmlHelp();
}

HelpCallLog::HelpCallLog() {
    path_ = "/tmp/nimbrel-help-log-" + std::to_string(::getpid()) + "-" +
            std::to_string(reinterpret_cast<uintptr_t>(this));
    std::remove(path_.c_str());
    ::setenv("NIMBREL_TEST_HELP_LOG", path_.c_str(), 1);
    UseRecordingHelpModule();
}

HelpCallLog::~HelpCallLog() {
    ::unsetenv("NIMBREL_TEST_HELP_LOG");
    std::remove(path_.c_str());
}

void HelpCallLog::clear() const {
    std::remove(path_.c_str());
}

std::vector<HelpCall> HelpCallLog::calls() const {
    std::vector<HelpCall> result;
    std::ifstream in(path_);
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        HelpCall call;
        std::string command, data;
        std::getline(fields, call.owner, '|');
        std::getline(fields, call.file, '|');
        std::getline(fields, command, '|');
        std::getline(fields, data, '|');
        call.command = static_cast<unsigned>(std::stoul(command));
        call.data = std::stoul(data);
        result.push_back(call);
    }
    return result;
}

} // namespace nimbrel::test
