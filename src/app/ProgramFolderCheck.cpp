#include "app/ProgramFolderCheck.h"

#include "platform/Files.h"

#include <cctype>
#include <filesystem>
#include <string_view>

namespace nimbrel {

namespace {

// What the windows, the help and a download cycle need of the folder before anything else.
const char* const kProgramFiles[] = {
    "Categories.xml", "setup.xslt",   "Nimbrel.chm", "icons/banner_vert1.jpg",
    "Rip/",           "stylesheets/", "Sites/",      "Work/",
    "Temp/",          "Profile/",
};

bool Present(const std::string& folder, const std::string& name) {
    std::error_code error;
    if (name.back() == '/')
        return std::filesystem::is_directory(folder + "/" + name, error);
    return FileExists(folder + "/" + name);
}

// The folder as a shell word: quoted when it holds anything but plain path characters.
std::string ShellWord(const std::string& text) {
    bool plain = !text.empty();
    for (const char c : text)
        plain = plain && (std::isalnum(static_cast<unsigned char>(c)) ||
                          std::string_view("/._-+~,@%").find(c) != std::string_view::npos);
    if (plain)
        return text;
    std::string quoted = "'";
    for (const char c : text)
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

} // namespace

std::vector<std::string> MissingProgramFiles(const std::string& folder) {
    std::vector<std::string> missing;
    for (const char* name : kProgramFiles)
        if (!Present(folder, name))
            missing.emplace_back(name);
    return missing;
}

std::string NotAProgramFolderMessage(const std::string& folder,
                                     const std::vector<std::string>& missing) {
    std::string list;
    for (const std::string& name : missing)
        list += (list.empty() ? "" : ", ") + name;
    return folder + " is not a Nimbrel program folder: it has no " + list +
           ".\n\nStart Nimbrel with nimbrel-launch, which lays out your program folder and "
           "starts Nimbrel in it, or make this folder one and start Nimbrel there with:\n"
           "nimbrel-launch --folder " +
           ShellWord(folder);
}

} // namespace nimbrel
