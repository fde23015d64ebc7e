#include "library/RuleFile.h"

#include "components/XmlTree.h"
#include "platform/AtomicFile.h"
#include "platform/Convert.h"
#include "platform/Errors.h"
#include "platform/ProgramFolder.h"

#include <algorithm>

namespace nimbrel {

namespace {

constexpr size_t kStemBytes = 64;
// Past this many "-N" names something other than taken names is wrong.
constexpr int kMaxNameTries = 1000;

// The letters U+00C0 to U+00FF without accents; "" for the two signs among them.
const char* const kLatin1Letters[64] = {
    "a", "a", "a", "a", "a", "a", "ae", "c", "e", "e", "e", "e", "i", "i", "i",  "i",
    "d", "n", "o", "o", "o", "o", "o",  "",  "o", "u", "u", "u", "u", "y", "th", "ss",
    "a", "a", "a", "a", "a", "a", "ae", "c", "e", "e", "e", "e", "i", "i", "i",  "i",
    "d", "n", "o", "o", "o", "o", "o",  "",  "o", "u", "u", "u", "u", "y", "th", "y"};

size_t SequenceLength(unsigned char lead) {
    if (lead >= 0xF0)
        return 4;
    if (lead >= 0xE0)
        return 3;
    if (lead >= 0xC0)
        return 2;
    return 1;
}

using xmltree::AddTextChild;
using xmltree::Element;
using xmltree::SetAttribute;

void SetNumber(Element element, const char* name, int value) {
    SetAttribute(element, name, std::to_string(value));
}

void AddMarker(Element command, const char* name, const MarkerSettings& marker) {
    const Element element = AddTextChild(command, name, marker.text);
    SetAttribute(element, "IncludeTags", marker.include ? "1" : "0");
    SetNumber(element, "ReverseLTags", marker.reverse);
    SetNumber(element, "SkipSimilar", marker.skip);
}

void AddPairs(Element command, const std::vector<TextPair>& pairs, const char* first,
              const char* second) {
    int written = 0;
    for (const TextPair& pair : pairs) {
        if (pair.first.empty() || written == kRuleTableSize)
            continue;
        AddTextChild(command, first, pair.first);
        AddTextChild(command, second, pair.second);
        ++written;
    }
}

Element AddCommand(Element root, const RuleSettings& settings) {
    const Element command = xmltree::AddChild(root, "Command");
    SetAttribute(command, "Name", "append");
    SetNumber(command, "Specific", settings.specific);
    AddMarker(command, "StartTag", settings.start);
    AddMarker(command, "EndTag", settings.end);
    std::vector<TextPair> removals;
    for (const TextPair& pair : settings.removals)
        if (!pair.second.empty())
            removals.push_back(pair);
    AddPairs(command, removals, "RemoveOpen", "RemoveClose");
    AddPairs(command, settings.replaces, "Replace", "ReplaceWith");
    if (!settings.wrapOpen.empty())
        AddTextChild(command, "AddTagOpen", settings.wrapOpen);
    if (!settings.wrapClose.empty())
        AddTextChild(command, "AddTagClose", settings.wrapClose);
    return command;
}

// The page's title, first piece of the cut, as <p class="page-title">...</p>: the start tag
// (with whatever attributes it has) is removed, the end tag left out.
RuleSettings TitleCommand() {
    RuleSettings title;
    title.start = {"<title", true, 0, 0};
    title.end = {"</title>", false, 0, 0};
    title.specific = 1;
    title.removals = {{"<title", ">"}};
    title.wrapOpen = "<p class=\"page-title\">";
    title.wrapClose = "</p>";
    return title;
}

} // namespace

std::string RuleFileText(const RuleSettings& settings) {
    const xmltree::DocPtr doc = xmltree::NewDocument("SiteRules");
    const Element root = xmltree::Root(doc);
    if (settings.titleHeading)
        AddCommand(root, TitleCommand());
    AddCommand(root, settings);
    return xmltree::WriteXml(doc, false, true);
}

std::string SafeFileStem(std::string_view name) {
    std::string stem;
    bool gap = false;
    auto add = [&](std::string_view letters) {
        if (letters.empty()) {
            gap = true;
            return;
        }
        if (gap && !stem.empty())
            stem += '-';
        gap = false;
        stem += letters;
    };
    for (size_t i = 0; i < name.size();) {
        const auto c = static_cast<unsigned char>(name[i]);
        const size_t length = std::min(SequenceLength(c), name.size() - i);
        const auto next = length > 1 ? static_cast<unsigned char>(name[i + 1]) : 0;
        if (length == 1 && (IsAsciiLetter(c) || IsAsciiDigit(c)))
            add(std::string(1, LowerAscii(c)));
        else if (length == 2 && c == 0xC3 && (next & 0xC0) == 0x80)
            add(kLatin1Letters[next & 0x3F]);
        else
            add({});
        i += length;
    }
    if (stem.size() > kStemBytes)
        stem.resize(kStemBytes);
    while (!stem.empty() && stem.back() == '-')
        stem.pop_back();
    return stem.empty() ? "site" : stem;
}

std::string SaveNewRuleFile(std::string_view siteName, const RuleSettings& settings) {
    const std::string stem = SafeFileStem(siteName);
    const std::string text = RuleFileText(settings);
    for (int n = 1; n <= kMaxNameTries; ++n) {
        std::string fileName = stem;
        if (n > 1)
            fileName += '-' + std::to_string(n);
        fileName += ".xml";
        if (DataNameStaysInFolder(fileName) && AtomicCreateFile(DataFile("\\Rip", fileName), text))
            return fileName;
    }
    throw Exception("No free file name for the rule of \"" + std::string(siteName) +
                    "\" in the folder Rip.");
}

} // namespace nimbrel
