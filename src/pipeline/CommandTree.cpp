// The rule file side of the cutter: reading a command's rules and walking the command tree.
#include "pipeline/HtmlRip.h"

#include "pipeline/Reraise.h"
#include "platform/Convert.h"
#include "platform/ProgramFolder.h"

#include <algorithm>

namespace nimbrel {

using msxml::XmlNode;
using msxml::XmlNodeList;

namespace {

const char* const kCommand = "Command";

std::string TrimmedText(const XmlNode& node) {
    return node ? Trim(node.text()) : std::string();
}

MarkerRule ReadMarker(const XmlNode& command, const std::string& element) {
    MarkerRule marker;
    const XmlNode tag = command.selectSingleNode("./" + element);
    if (!tag)
        return marker;
    marker.include = GetAttributeValue(tag, "IncludeTags") == "1";
    marker.reverseLTags = GetAttributeValue(tag, "ReverseLTags");
    marker.skipSimilar = GetAttributeValue(tag, "SkipSimilar");
    marker.text = TrimmedText(tag);
    return marker;
}

// Texts of the children of that name by rank; elements past the table's size are ignored.
void ReadTable(const XmlNode& command, const std::string& element,
               std::array<std::string, kRuleTableSize>& table) {
    const XmlNodeList nodes = command.selectNodes("./" + element);
    const long count = std::min<long>(nodes.length(), kRuleTableSize);
    for (long rank = 0; rank < count; ++rank)
        table[rank] = TrimmedText(nodes.item(rank));
}

bool HasCommandChild(const XmlNode& node) {
    const XmlNodeList children = node.childNodes();
    for (long i = 0; i < children.length(); ++i)
        if (children.item(i).nodeName() == kCommand)
            return true;
    return false;
}

} // namespace

std::string GetAttributeValue(const XmlNode& element, const std::string& attributeName) {
    return CallNamingErrors("GetAttributeValue", [&]() -> std::string {
        if (!element)
            throw Exception("There is no element to read the attribute " + attributeName + " from");
        const XmlNode attribute = element.attributes().getNamedItem(attributeName);
        return attribute ? Trim(attribute.text()) : std::string();
    });
}

CommandRules ReadCommandRules(const XmlNode& command) {
    CommandRules rules;
    rules.name = GetAttributeValue(command, "Name");
    rules.specific = GetAttributeValue(command, "Specific");
    rules.start = ReadMarker(command, "StartTag");
    rules.end = ReadMarker(command, "EndTag");
    ReadTable(command, "Replace", rules.replaceFind);
    ReadTable(command, "ReplaceWith", rules.replaceWith);
    ReadTable(command, "RemoveOpen", rules.removeOpen);
    ReadTable(command, "RemoveClose", rules.removeClose);
    rules.wrapOpen = TrimmedText(command.selectSingleNode("./AddTagOpen"));
    rules.wrapClose = TrimmedText(command.selectSingleNode("./AddTagClose"));
    return rules;
}

namespace {

// What a command reads: a file, or the page joined in memory under its name.
struct CutInput {
    const std::string& path;
    const std::string* text = nullptr;
};

std::string RunCommandOn(const XmlNode& command, const CutInput& in, bool isLeaf) {
    const CommandRules rules = ReadCommandRules(command);
    std::unique_ptr<TextReader> input =
        in.text ? std::make_unique<TextReader>(in.path, *in.text, TextReader::InMemory{})
                : std::make_unique<TextReader>(in.path);
    std::string tempPath;
    std::unique_ptr<TextWriter> temp;
    if (!isLeaf) {
        tempPath = DataFile("\\Temp", TempFileName(in.path));
        temp = std::make_unique<TextWriter>(tempPath, TextWriter::Mode::Direct);
    }
    if (rules.name == "append")
        RipPieces(*input, temp ? *temp : RipOutput().writer(), rules);
    if (temp)
        temp->close();
    input->close();
    return tempPath;
}

void RunTree(const XmlNode& node, const CutInput& in) {
    if (!node)
        return;
    if (node.nodeName() == kCommand) {
        // Reached only through another element inside a leaf: it has no input to cut.
        if (in.path.empty())
            return;
        const bool isLeaf = !HasCommandChild(node);
        const std::string childInput = RunCommandOn(node, in, isLeaf);
        const XmlNodeList children = node.childNodes();
        for (long i = 0; i < children.length(); ++i)
            RunTree(children.item(i), CutInput{childInput});
        return;
    }
    const XmlNodeList children = node.childNodes();
    for (long i = 0; i < children.length(); ++i)
        RunTree(children.item(i), in);
}

template <class Input>
void CutIntoFile(const XmlNode& rules, const Input& input, const std::string& cutPath) {
    RipOutput().open(cutPath);
    try {
        RunCommandTree(rules, input);
    } catch (...) {
        RipOutput().closeAfterError();
        throw;
    }
    RipOutput().close();
}

} // namespace

std::string RunCommand(const XmlNode& command, const std::string& inputPath, bool isLeaf) {
    return RunCommandOn(command, CutInput{inputPath}, isLeaf);
}

void RunCommandTree(const XmlNode& node, const std::string& inputPath) {
    RunTree(node, CutInput{inputPath});
}

void RunCommandTree(const XmlNode& node, const JoinedPage& page) {
    RunTree(node, CutInput{page.path(), &page.text()});
}

void CutInto(const XmlNode& rules, const std::string& inputPath, const std::string& cutPath) {
    CutIntoFile(rules, inputPath, cutPath);
}

void CutInto(const XmlNode& rules, const JoinedPage& page, const std::string& cutPath) {
    CutIntoFile(rules, page, cutPath);
}

} // namespace nimbrel
