// site.html written piece by piece: the engine declarations go wherever the pieces split them,
// a region reserved early takes a text known only at the end, and a rewind drops what followed.
#include "pipeline/DigestPage.h"
#include "pipeline/Placeholders.h"
#include "platform/Errors.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace nimbrel;
using nimbrel::test::TempProgramFolder;

namespace {

const std::string kDecl = "<?xml version=\"1.0\" encoding=\"UTF-16\"?>";

std::string Written(const std::vector<std::string>& pieces) {
    TempProgramFolder folder;
    DigestPage page(folder.file("site.html"));
    for (const std::string& piece : pieces)
        page.write(piece);
    page.commit();
    return folder.read("site.html");
}

TEST(DigestPage, DeclarationsGoWhereverTheWritesSplitThem) {
    const std::string texts[] = {
        kDecl + "<html>" + kDecl + "<p>a</p>" + kDecl + kDecl + "</html>",
        "<<?xml version=\"1.0\" encoding=\"UTF-8\"?>" + kDecl.substr(0, 20) + "<" + kDecl + "<?",
        "x<?xml version=\"1.0\" encoding=\"UTF-16\"?" + kDecl + "<",
        "",
    };
    for (const std::string& text : texts) {
        const std::string expected = RemoveEngineDeclarations(text) + "\r\n";
        EXPECT_EQ(Written({text}), expected) << text;
        for (size_t a = 0; a <= text.size(); ++a)
            for (size_t b : {a, std::min(a + 41, text.size())})
                ASSERT_EQ(Written({text.substr(0, a), "", text.substr(a, b - a), text.substr(b)}),
                          expected)
                    << text << " split at " << a << " and " << b;
    }
}

TEST(DigestPage, ALateTextTakesItsPlaceWithoutBlanksAndRewindDropsWhatFollowed) {
    TempProgramFolder folder;
    for (const bool filled : {true, false}) {
        folder.write("site.html", "old");
        DigestPage page(folder.file("site.html"));
        page.write("<body><?xml");
        page.reserve();
        page.write(" version=\"1.0\"?><p>1</p><?xml ver");
        const DigestPage::Mark mark = page.mark();
        page.write("sion=\"1.0\" encoding=\"UTF-16\"?><p>2</p>");
        page.rewind(mark);
        page.write(std::string(3 << 20, 'y') + "</body>"); // more than one copy's buffer
        if (filled)
            page.fill("3 sites");
        EXPECT_EQ(folder.read("site.html"), "old") << "nothing shows before the commit";
        page.commit();
        EXPECT_EQ(folder.read("site.html"), std::string("<body><?xml") + (filled ? "3 sites" : "") +
                                                " version=\"1.0\"?><p>1</p><?xml ver" +
                                                std::string(3 << 20, 'y') + "</body>\r\n");
    }
    for (const auto& entry : std::filesystem::directory_iterator(folder.path()))
        EXPECT_EQ(entry.path().filename().string().find(".tmp-"), std::string::npos);
}

TEST(DigestPage, APageNeverCommittedLeavesTheTargetAndNoTemporaryFile) {
    TempProgramFolder folder;
    folder.write("site.html", "old");
    {
        DigestPage page(folder.file("site.html"));
        page.write("<html>new</html>");
    }
    EXPECT_EQ(folder.read("site.html"), "old");
    for (const auto& entry : std::filesystem::directory_iterator(folder.path()))
        EXPECT_EQ(entry.path().filename().string().find(".tmp-"), std::string::npos);
}

} // namespace
