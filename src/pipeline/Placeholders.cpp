#include "pipeline/Placeholders.h"

#include "platform/Convert.h"

#include <algorithm>

namespace nimbrel {

namespace {

// Attribute escaping of the XML serializer (which also writes line ends and tabs as references)
// and of the HTML one (which leaves them alone).
std::string EscapedAttribute(std::string_view value, bool escapeWhitespace) {
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
            out += "&quot;";
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
    const std::string spellings[] = {std::string(url), EscapedAttribute(url, true),
                                     EscapedAttribute(url, false)};
    std::vector<std::string> forms;
    for (const std::string& value : spellings)
        for (const std::string& form :
             {"<site URL=\"" + value + "\" />", "<site URL=\"" + value + "\"></site>"})
            if (std::find(forms.begin(), forms.end(), form) == forms.end())
                forms.push_back(form);
    return forms;
}

std::string ReplaceSitePlaceholders(std::string layout, std::string_view url,
                                    std::string_view block) {
    for (const std::string& form : PlaceholderForms(url))
        if (layout.find(form) != std::string::npos)
            layout = ReplaceAll(layout, form, block);
    return layout;
}

std::string RemoveEngineDeclarations(std::string_view layout) {
    return ReplaceAll(layout, "<?xml version=\"1.0\" encoding=\"UTF-16\"?>", "");
}

} // namespace nimbrel
