// The linear cutter and span remover checked against plain, slow engines that follow the
// rules step by step (copying the rest of the line, lower-casing it again every time), on
// generated pages and rules.
#include "pipeline/CommandRules.h"
#include "pipeline/MarkerSearch.h"
#include "pipeline/PieceCutter.h"
#include "pipeline/PieceTransform.h"
#include "platform/Convert.h"
#include "platform/Errors.h"
#include "platform/Limits.h"

#include <cctype>
#include <cstring>
#include <gtest/gtest.h>
#include <random>

using namespace nimbrel;

namespace {

// Positions count from 1, as the rules are stated.
size_t Pos(const std::string& needle, const std::string& text, size_t from = 1) {
    if (needle.empty() || from > text.size())
        return 0;
    const size_t at = text.find(needle, from - 1);
    return at == std::string::npos ? 0 : at + 1;
}

size_t NthLessThanLeft(const std::string& l, size_t before, int count) {
    int seen = 0;
    for (size_t i = before - 1; i >= 1; --i) {
        if (l[i - 1] == '<' && ++seen == count)
            return i;
    }
    return 1;
}

std::vector<std::string> ReferenceCut(const std::vector<std::string>& lines,
                                      const PreparedRules& r) {
    std::vector<std::string> out;
    long count = 0;
    for (std::string l : lines) {
        while (!l.empty()) {
            std::string lower = LowerAscii(l);
            size_t p = r.start.skip < 0 ? 0 : Pos(r.start.lowered, lower);
            for (int k = 0; p != 0 && k < r.start.skip; ++k) {
                l.erase(0, p - 1 + r.start.lowered.size());
                lower = LowerAscii(l);
                p = Pos(r.start.lowered, lower);
            }
            if (p == 0)
                break;
            size_t b = p + r.start.lowered.size() + 1;
            if (r.start.include)
                b = r.start.reverse > 0 ? NthLessThanLeft(l, p, r.start.reverse) : p;
            size_t q = r.end.skip < 0 ? 0 : Pos(r.end.lowered, lower, b);
            for (int k = 0; q != 0 && k < r.end.skip; ++k)
                q = Pos(r.end.lowered, lower, q + r.end.lowered.size());
            if (q == 0)
                break;
            size_t t = q + r.end.lowered.size();
            size_t resume = t;
            if (!r.end.include) {
                t = r.end.reverse > 0 ? NthLessThanLeft(l, q, r.end.reverse) : q;
                resume = t + r.end.lowered.size();
            }
            const std::string piece = t > b ? l.substr(b - 1, t - b) : "";
            ++count;
            if (r.specific == 0 || count == r.specific) {
                std::string text;
                TransformPiece(piece, r, text);
                out.push_back(text);
            }
            l = resume > l.size() ? "" : l.substr(resume - 1);
        }
    }
    return out;
}

std::string ReferenceRemoveSpans(std::string text, const std::string& open,
                                 const std::string& close) {
    if (open.empty() || close.empty())
        return text;
    for (;;) {
        const size_t o = text.find(open);
        const size_t c = text.find(close);
        if (o == std::string::npos || c == std::string::npos || c < o)
            return text;
        text.erase(o, c + close.size() - o);
    }
}

class Generator {
  public:
    explicit Generator(unsigned seed) : rng_(seed) {}
    int upTo(int n) { return std::uniform_int_distribution<int>(0, n)(rng_); }
    std::string text(int maxLength, const char* alphabet) {
        std::string s(upTo(maxLength), ' ');
        const int size = static_cast<int>(std::strlen(alphabet));
        for (char& c : s)
            c = alphabet[upTo(size - 1)];
        return s;
    }

  private:
    std::mt19937 rng_;
};

PreparedMarker RandomMarker(Generator& g) {
    PreparedMarker m;
    m.lowered = LowerAscii(g.text(3, "<>/ab"));
    m.include = g.upTo(1) == 1;
    m.reverse = g.upTo(3);
    m.skip = g.upTo(4) - 1;
    return m;
}

TEST(CutterAgainstReference, GeneratedPagesAndRulesCutAlike) {
    Generator g(20240611);
    for (int round = 0; round < 20000; ++round) {
        PreparedRules rules;
        rules.start = RandomMarker(g);
        rules.end = RandomMarker(g);
        rules.specific = g.upTo(4) - 1;
        if (g.upTo(3) == 0)
            rules.removals.push_back({"<a", "b>"});
        std::vector<std::string> lines(1 + g.upTo(2));
        for (auto& line : lines)
            line = g.text(40, "<>/abAB");

        PieceCutter cutter(rules);
        std::vector<std::string> cut;
        for (const auto& line : lines)
            cutter.cutLine(line, [&cut](std::string_view piece) { cut.emplace_back(piece); });
        ASSERT_EQ(cut, ReferenceCut(lines, rules))
            << "round " << round << " start '" << rules.start.lowered << "' end '"
            << rules.end.lowered << "' first line '" << lines[0] << "'";
    }
}

TEST(RemoveSpansAgainstReference, GeneratedTextsLoseTheSameSpans) {
    Generator g(77);
    for (int round = 0; round < 50000; ++round) {
        const std::string open = g.text(3, "ab<");
        const std::string close = g.text(3, "ab>");
        const std::string text = g.text(30, "ab<>");
        ASSERT_EQ(RemoveSpans(text, open, close), ReferenceRemoveSpans(text, open, close))
            << "text '" << text << "' open '" << open << "' close '" << close << "'";
    }
}

// Texts in both letter cases, short ones and ones long enough to be lowered in several pieces.
TEST(MarkerSearchAgainstFind, SearchesFromAnyPositionInAnyOrder) {
    Generator g(5);
    for (int round = 0; round < 2000; ++round) {
        const int length = round % 10 == 0 ? 3000 : 60;
        const std::string text = g.text(length, round % 10 == 0 ? "aAbB" : "aAb<");
        const std::string marker = g.text(round % 10 == 0 ? 12 : 3, "ab<");
        const std::string lowered = LowerAscii(text);
        MarkerSearch search(marker);
        search.reset(text);
        for (int query = 0; query < 30; ++query) {
            const size_t from = static_cast<size_t>(g.upTo(length + 5));
            const size_t expected = marker.empty() || from >= text.size()
                                        ? std::string::npos
                                        : lowered.find(marker, from);
            ASSERT_EQ(search.find(from), expected)
                << "text '" << text << "' marker '" << marker << "' from " << from;
        }
    }
}

// One marker far into a long line, across every boundary between the pieces the search lowers
// (they grow from 64 bytes to 64 KB).
TEST(MarkerSearchAgainstFind, FindsAMarkerAtAnyDistanceInAnyCase) {
    const std::string marker = "<div class=\"item\">";
    std::string upper = marker;
    for (char& c : upper)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    for (size_t at = 0; at < 300'000; at += at < 1000 ? 1 : 997) {
        const std::string text = std::string(at, 'x') + upper + "tail";
        MarkerSearch search(marker);
        search.reset(text);
        ASSERT_EQ(search.find(0), at);
        ASSERT_EQ(search.find(at + 1), std::string::npos) << at;
    }
}

TEST(RemoveSpans, DeletesEveryPairAndStopsAtACloseBeforeTheOpen) {
    EXPECT_EQ(RemoveSpans("a<i>b</i>c<i>d</i>e", "<i>", "</i>"), "ace");
    EXPECT_EQ(RemoveSpans("a</i>b<i>c</i>", "<i>", "</i>"), "a</i>b<i>c</i>");
    EXPECT_EQ(RemoveSpans("<<i>x</i>i>y</i>z", "<i>", "</i>"), "z"); // a span made by a deletion
    EXPECT_EQ(RemoveSpans("a<I>b</I>", "<i>", "</i>"), "a<I>b</I>"); // letter case counts
    EXPECT_EQ(RemoveSpans("a<i>b", "<i>", "</i>"), "a<i>b");
    EXPECT_EQ(RemoveSpans("abc", "", "c"), "abc");
}

// A piece past the limit is refused with what made it so: the page's own text is not blamed
// on replacements the rule does not have.
TEST(TransformPiece, APieceTooLargeSaysWhatMadeItSo) {
    const std::string piece(limits::kCutTextBytes + 1, 'x');
    PreparedRules plain, wrapped, replacing;
    wrapped.wrapOpen = "<p>";
    replacing.replaces.push_back({"y", "yy"});
    const std::pair<const PreparedRules*, const char*> cases[] = {
        {&plain, "A cut piece is larger than 16777216 bytes"},
        {&wrapped, "A cut piece grows past 16777216 bytes through its wrap texts"},
        {&replacing, "A cut piece grows past 16777216 bytes through its replacements"},
    };
    for (const auto& [rules, says] : cases) {
        std::string out;
        try {
            TransformPiece(piece, *rules, out);
            ADD_FAILURE() << says;
        } catch (const Exception& error) {
            EXPECT_EQ(error.message().rfind(says, 0), 0u) << error.message();
        }
    }
}

} // namespace
