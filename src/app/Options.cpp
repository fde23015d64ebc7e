#include "app/Options.h"

#include "platform/Convert.h"
#include "platform/Files.h"
#include "platform/ProgramFolder.h"
#include "platform/TextFile.h"

namespace nimbrel {

namespace {
// The value stands from the tenth character on, wherever the key was found ("Interval:" and
// "AutoView:" both fill the first nine).
std::string ValueFromTenthCharacter(const std::string& line) {
    return line.size() > 9 ? line.substr(9) : std::string();
}
} // namespace

std::string OptionFilePath() {
    return ProgramFile("\\options.nmo");
}

void LoadOptionsFile(const std::string& path, int32_t& intervalSeconds, bool& autoView) {
    autoView = true;
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
}

void SaveOptionsFile(const std::string& path, int32_t intervalSeconds, bool autoView) {
    TextWriter writer(path);
    writer.writeLine("Interval:" + std::to_string(intervalSeconds));
    writer.writeLine(autoView ? "AutoView:True" : "AutoView:False");
    writer.close();
}

} // namespace nimbrel
