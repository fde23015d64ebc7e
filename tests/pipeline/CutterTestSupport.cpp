#include "CutterTestSupport.h"

#include "pipeline/HtmlRip.h"
#include "support/TestSupport.h"

namespace nimbrel::test {

CommandRules AppendRules(const std::string& startMarker, const std::string& endMarker) {
    CommandRules rules;
    rules.name = "append";
    rules.specific = "0";
    rules.start = {startMarker, false, "0", "0"};
    rules.end = {endMarker, false, "0", "0"};
    return rules;
}

std::vector<std::string> CutPage(const std::string& page, const CommandRules& rules) {
    TempProgramFolder folder;
    folder.write("Sites/page.dat", page);
    {
        TextReader input(folder.file("Sites/page.dat"));
        TextWriter output(folder.file("Work/page.dat"), TextWriter::Mode::Direct);
        RipPieces(input, output, rules);
        output.close();
    }
    return ReadTextLines(folder.file("Work/page.dat"));
}

} // namespace nimbrel::test
