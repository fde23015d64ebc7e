// A page's text as a reader sees it, and finding a text a person copied from the page: entities
// decoded, every run of blanks (no-break and other wide spaces included) one space, invisible
// characters (zero-width spaces, soft hyphens) gone, block elements apart from their
// neighbours. The page is UTF-8 (pages are converted when they arrive).
#pragma once

#include "components/HtmlSource.h"

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace nimbrel {

// The text as a reader compares it: blanks collapsed as above, no blank at either end.
std::string ReaderText(std::string_view text);

class PageReaderText {
  public:
    explicit PageReaderText(const html::SourceTree& tree);

    // The whole page's visible text (head, script, style, noscript and form options left out).
    const std::string& text() const { return text_; }
    // An element's visible text.
    std::string of(size_t node) const;

    // The deepest elements whose text holds the text a person copied (ReaderText applied to it
    // here), one per place it stands on the page, in page order. Compared as written first;
    // when that finds nothing, without regard to the case of ASCII letters; then with every
    // blank left out. Empty when the page does not hold it.
    std::vector<size_t> elementsHolding(std::string_view copied) const;

  private:
    size_t deepestHolding(size_t from, size_t to) const;
    std::vector<std::pair<size_t, size_t>> placesOf(const std::string& wanted, bool anyCase,
                                                    bool blankless) const;

    const html::SourceTree& tree_;
    std::string text_;
    std::vector<std::pair<size_t, size_t>> ranges_; // per node: its text's [from, to) in text_
};

} // namespace nimbrel
