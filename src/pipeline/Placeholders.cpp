#include "pipeline/Placeholders.h"

#include "platform/Convert.h"

#include <algorithm>

namespace nimbrel {

namespace {

// Attribute escaping of the XML serializer (which also writes line ends and tabs as references)
// and of the HTML one (which leaves them alone, and quotes a value holding a double quote with
// single quotes instead of escaping it).
constexpr MarkupEscapes kXmlAttribute{true, false, true};
constexpr MarkupEscapes kHtmlAttribute{true, false, false};
constexpr MarkupEscapes kHtmlAttributeWithQuote{false, false, false};

} // namespace

std::vector<std::string> PlaceholderForms(std::string_view url) {
    std::vector<std::string> forms;
    auto add = [&forms](const std::string& form) {
        if (std::find(forms.begin(), forms.end(), form) == forms.end())
            forms.push_back(form);
    };
    for (const std::string& value :
         {std::string(url), EscapeMarkup(url, kXmlAttribute), EscapeMarkup(url, kHtmlAttribute)}) {
        add("<site URL=\"" + value + "\" />");
        add("<site URL=\"" + value + "\"></site>");
    }
    if (url.find('"') != std::string_view::npos && url.find('\'') == std::string_view::npos) {
        const std::string value = EscapeMarkup(url, kHtmlAttributeWithQuote);
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

std::vector<PlaceholderUse> FindPlaceholders(std::string_view layout,
                                             const std::vector<std::string>& urls) {
    struct Form {
        std::string text;
        size_t site;
    };
    std::vector<Form> forms; // in replacement order
    for (size_t site = 0; site < urls.size(); ++site)
        for (std::string& form : PlaceholderForms(urls[site]))
            forms.push_back({std::move(form), site});
    std::vector<PlaceholderUse> uses;
    for (size_t at = layout.find(kPlaceholderStart); at != std::string_view::npos;) {
        auto match = std::find_if(forms.begin(), forms.end(), [&](const Form& form) {
            return layout.substr(at, form.text.size()) == form.text;
        });
        if (match == forms.end()) {
            at = layout.find(kPlaceholderStart, at + kPlaceholderStart.size());
            continue;
        }
        uses.push_back({at, match->text.size(), match->site});
        at = layout.find(kPlaceholderStart, at + match->text.size());
    }
    return uses;
}

std::string PlaceBlocks(std::string_view layout, const std::vector<PlacedBlock>& sites) {
    const bool blockHoldsPlaceholder =
        std::any_of(sites.begin(), sites.end(), [](const PlacedBlock& site) {
            return site.block.find(kPlaceholderStart) != std::string::npos;
        });
    if (blockHoldsPlaceholder) {
        // Later sites may then replace text that earlier blocks brought in: one site at a time.
        std::string text(layout);
        for (const PlacedBlock& site : sites)
            text = ReplaceSitePlaceholders(std::move(text), site.url, site.block);
        return text;
    }
    std::vector<std::string> urls;
    for (const PlacedBlock& site : sites)
        urls.push_back(site.url);
    std::string out;
    size_t from = 0;
    for (const PlaceholderUse& use : FindPlaceholders(layout, urls)) {
        out.append(layout, from, use.at - from);
        out.append(sites[use.site].block);
        from = use.at + use.length;
    }
    out.append(layout, from);
    return out;
}

std::string RemoveEngineDeclarations(std::string_view layout) {
    return ReplaceAll(layout, "<?xml version=\"1.0\" encoding=\"UTF-16\"?>", "");
}

} // namespace nimbrel
