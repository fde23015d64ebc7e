#include "app/Options.h"

#include "platform/Convert.h"
#include "platform/Files.h"
#include "platform/Limits.h"
#include "platform/ProgramFolder.h"
#include "platform/TextFile.h"

#include <algorithm>

namespace nimbrel {

namespace {
// The value stands from the tenth character on, wherever the key was found ("Interval:" and
// "AutoView:" both fill the first nine).
std::string_view ValueFromTenthCharacter(std::string_view line) {
    return line.size() > 9 ? line.substr(9) : std::string_view();
}

constexpr std::string_view kNewStoryNoticeKey = "NewStoryNotice:";
} // namespace

std::string OptionFilePath() {
    return ProgramFile("\\options.nmo");
}

void LoadOptionsFile(const std::string& path, int32_t& intervalSeconds, bool& autoView) {
    bool newStoryNotice = true;
    LoadOptionsFile(path, intervalSeconds, autoView, newStoryNotice);
}

void LoadOptionsFile(const std::string& path, int32_t& intervalSeconds, bool& autoView,
                     bool& newStoryNotice) {
    autoView = true;
    newStoryNotice = true;
    if (!FileExists(path))
        return;
    TextReader reader(path);
    std::string line;
    if (!reader.readLine(line))
        return;
    if (line.find("Interval") != std::string::npos)
        intervalSeconds = StrToInt(ValueFromTenthCharacter(line));
    if (!reader.readLine(line))
        return;
    if (line.find("AutoView") != std::string::npos)
        autoView = ValueFromTenthCharacter(line) == "True";
    while (reader.readLine(line))
        if (line.starts_with(kNewStoryNoticeKey))
            newStoryNotice = std::string_view(line).substr(kNewStoryNoticeKey.size()) == "True";
}

int32_t ShownIntervalMinutes(int32_t intervalSeconds, int32_t secondsPerMinute) {
    constexpr int32_t kChoices[] = {15, 20, 25, 30, 35, 40};
    const int32_t minutes = secondsPerMinute > 0 ? intervalSeconds / secondsPerMinute : 0;
    for (const int32_t choice : kChoices)
        if (minutes == choice)
            return choice;
    return kChoices[0];
}

int32_t DownloadPeriodSeconds(int32_t intervalSeconds, int32_t secondsPerMinute) {
    const int32_t shown = ShownIntervalMinutes(intervalSeconds, secondsPerMinute);
    const int32_t period = secondsPerMinute > 0 && intervalSeconds / secondsPerMinute == shown
                               ? intervalSeconds
                               : shown * 60;
    return std::max(period, limits::kShortestDownloadPeriodSeconds);
}

void SaveOptionsFile(const std::string& path, int32_t intervalSeconds, bool autoView,
                     bool newStoryNotice) {
    TextWriter writer(path);
    writer.writeLine("Interval:" + std::to_string(intervalSeconds));
    writer.writeLine(autoView ? "AutoView:True" : "AutoView:False");
    writer.writeLine(std::string(kNewStoryNoticeKey) + (newStoryNotice ? "True" : "False"));
    writer.close();
}

} // namespace nimbrel
