#include "pipeline/Placeholders.h"

#include "platform/Convert.h"

#include <algorithm>

namespace nimbrel {

namespace {

// Attribute escaping of the XML serializer (which also writes line ends and tabs as references)
// and of the HTML one (which leaves them alone, and quotes a value holding a double quote with
// single quotes instead of escaping it).
std::string EscapedAttribute(std::string_view value, bool escapeWhitespace, bool escapeQuote) {
    std::string out;
    out.reserve(value.size() + 16);
    for (char c : value) {
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += escapeQuote ? "&quot;" : "\"";
            break;
        case '\n':
            out += escapeWhitespace ? "&#10;" : "\n";
            break;
        case '\r':
            out += escapeWhitespace ? "&#13;" : "\r";
            break;
        case '\t':
            out += escapeWhitespace ? "&#9;" : "\t";
            break;
        default:
            out += c;
        }
    }
    return out;
}

} // namespace

std::vector<std::string> PlaceholderForms(std::string_view url) {
    std::vector<std::string> forms;
    auto add = [&forms](const std::string& form) {
        if (std::find(forms.begin(), forms.end(), form) == forms.end())
            forms.push_back(form);
    };
    for (const std::string& value : {std::string(url), EscapedAttribute(url, true, true),
                                     EscapedAttribute(url, false, true)}) {
        add("<site URL=\"" + value + "\" />");
        add("<site URL=\"" + value + "\"></site>");
    }
    if (url.find('"') != std::string_view::npos && url.find('\'') == std::string_view::npos) {
        const std::string value = EscapedAttribute(url, false, false);
        add("<site URL='" + value + "' />");
        add("<site URL='" + value + "'></site>");
    }
    return forms;
}

std::string ReplaceSitePlaceholders(std::string layout, std::string_view url,
                                    std::string_view block) {
    for (const std::string& form : PlaceholderForms(url))
        if (layout.find(form) != std::string::npos)
            layout = ReplaceAll(layout, form, block);
    return layout;
}

std::string PlaceBlocks(std::string_view layout, const std::vector<SiteBlock>& sites) {
    static constexpr std::string_view kPlaceholderStart = "<site URL=";
    const bool blockHoldsPlaceholder =
        std::any_of(sites.begin(), sites.end(), [](const SiteBlock& site) {
            return site.block.find(kPlaceholderStart) != std::string::npos;
        });
    if (blockHoldsPlaceholder) {
        // Later sites may then replace text that earlier blocks brought in: one site at a time.
        std::string text(layout);
        for (const SiteBlock& site : sites)
            text = ReplaceSitePlaceholders(std::move(text), site.url, site.block);
        return text;
    }
    std::vector<std::pair<std::string, const std::string*>> forms; // in replacement order
    for (const SiteBlock& site : sites)
        for (std::string& form : PlaceholderForms(site.url))
            forms.emplace_back(std::move(form), &site.block);
    std::string out;
    size_t from = 0;
    for (size_t at = layout.find(kPlaceholderStart); at != std::string_view::npos;
         at = layout.find(kPlaceholderStart, from)) {
        out.append(layout, from, at - from);
        auto match = std::find_if(forms.begin(), forms.end(), [&](const auto& form) {
            return layout.substr(at, form.first.size()) == form.first;
        });
        if (match == forms.end()) {
            out.append(kPlaceholderStart);
            from = at + kPlaceholderStart.size();
        } else {
            out.append(*match->second);
            from = at + match->first.size();
        }
    }
    out.append(layout, from);
    return out;
}

std::string RemoveEngineDeclarations(std::string_view layout) {
    return ReplaceAll(layout, "<?xml version=\"1.0\" encoding=\"UTF-16\"?>", "");
}

} // namespace nimbrel
