#include "library/RuleFile.h"

#include "components/XmlTree.h"
#include "platform/AtomicFile.h"
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

bool IsAsciiLetterOrDigit(unsigned char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

char LowerAsciiLetter(unsigned char c) {
    return static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
}

size_t SequenceLength(unsigned char lead) {
    if (lead >= 0xF0)
        return 4;
    if (lead >= 0xE0)
        return 3;
    if (lead >= 0xC0)
        return 2;
    return 1;
}

xmlNode* AddText(xmlNode* parent, const char* name, const std::string& text) {
    return xmlNewTextChild(parent, nullptr, BAD_CAST name, BAD_CAST text.c_str());
}

void SetNumber(xmlNode* element, const char* name, int value) {
    xmlNewProp(element, BAD_CAST name, BAD_CAST std::to_string(value).c_str());
}

void AddMarker(xmlNode* command, const char* name, const MarkerSettings& marker) {
    xmlNode* element = AddText(command, name, marker.text);
    xmlNewProp(element, BAD_CAST "IncludeTags", BAD_CAST(marker.include ? "1" : "0"));
    SetNumber(element, "ReverseLTags", marker.reverse);
    SetNumber(element, "SkipSimilar", marker.skip);
}

void AddPairs(xmlNode* command, const std::vector<TextPair>& pairs, const char* first,
              const char* second) {
    int written = 0;
    for (const TextPair& pair : pairs) {
        if (pair.first.empty() || written == kRuleTableSize)
            continue;
        AddText(command, first, pair.first);
        AddText(command, second, pair.second);
        ++written;
    }
}

xmlNode* AddCommand(xmlNode* root, const RuleSettings& settings) {
    xmlNode* command = xmlNewChild(root, nullptr, BAD_CAST "Command", nullptr);
    xmlNewProp(command, BAD_CAST "Name", BAD_CAST "append");
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
        AddText(command, "AddTagOpen", settings.wrapOpen);
    if (!settings.wrapClose.empty())
        AddText(command, "AddTagClose", settings.wrapClose);
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
    xmltree::DocPtr doc(xmlNewDoc(BAD_CAST "1.0"));
    xmlNode* root = xmlNewDocNode(doc.get(), nullptr, BAD_CAST "SiteRules", nullptr);
    xmlDocSetRootElement(doc.get(), root);
    if (settings.titleHeading)
        AddCommand(root, TitleCommand());
    AddCommand(root, settings);
    return xmltree::WriteXml(doc.get(), false, true);
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
        if (length == 1 && IsAsciiLetterOrDigit(c))
            add(std::string(1, LowerAsciiLetter(c)));
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
        const std::string fileName =
            stem + (n == 1 ? std::string() : "-" + std::to_string(n)) + ".xml";
        if (DataNameStaysInFolder(fileName) && AtomicCreateFile(DataFile("\\Rip", fileName), text))
            return fileName;
    }
    throw Exception("No free file name for the rule of \"" + std::string(siteName) +
                    "\" in the folder Rip.");
}

} // namespace nimbrel
