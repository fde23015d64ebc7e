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

std::string RemoveEngineDeclarations(std::string_view layout) {
    return ReplaceAll(layout, "<?xml version=\"1.0\" encoding=\"UTF-16\"?>", "");
}

} // namespace nimbrel
