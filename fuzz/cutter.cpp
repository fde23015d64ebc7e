// Fuzzes the page cutter with a rule file and a page: the input is the rule file's text, a
// separator byte 0xFF 0xFE, and the page's bytes. Each run cuts the page as the driver does
// (join, cut file, command tree); raised errors are expected, crashes and leaks are not.
// Run: fuzz_cutter NEW_CORPUS fuzz/corpus/cutter -dict=fuzz/cutter.dict -max_len=4096
#include "FuzzFolder.h"
#include "components/MSXML2_TLB.h"
#include "pipeline/HtmlRip.h"
#include "platform/Errors.h"
#include "platform/ProgramFolder.h"

#include <cstdint>
#include <fstream>
#include <string>
#include <string_view>

using namespace nimbrel;

namespace {

const std::string& Folder() {
    return fuzz::FuzzFolder({"Sites", "Work", "Temp"});
}

void WritePage(const std::string& path, std::string_view bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const size_t split = input.find("\xff\xfe");
    const std::string_view rules = input.substr(0, split);
    const std::string_view page =
        split == std::string_view::npos ? std::string_view() : input.substr(split + 2);

    const std::string pagePath = Folder() + "/Sites/page.dat";
    WritePage(pagePath, page);
    msxml::XmlDocument doc = msxml::XmlDocument::Create();
    doc.loadXML(std::string(rules));
    if (!doc.parseError().reason.empty())
        return 0;
    const msxml::XmlNode root = doc.hasXmlDeclaration() ? msxml::XmlNode() : doc.firstChild();
    try {
        RipOutput().open(Folder() + "/Work/page.dat");
        JoinLines(pagePath);
        RunCommandTree(root, pagePath);
        RipOutput().close();
    } catch (const Exception&) {
        RipOutput().closeAfterError();
    }
    return 0;
}
