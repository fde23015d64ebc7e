#include "library/FeedLink.h"

#include "library/AddressLookup.h"
#include "platform/Convert.h"

namespace nimbrel {

namespace {

bool IsSchemeLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '+' ||
           c == '-' || c == '.';
}

// The scheme the text begins with ("mailto" of "mailto:x"), lower-cased, or "" when it begins
// with none. "host:8080/path" names a port, not a scheme.
std::string LeadingScheme(const std::string& text) {
    size_t end = 0;
    while (end < text.size() && IsSchemeLetter(text[end]))
        ++end;
    if (end == 0 || end == text.size() || text[end] != ':')
        return {};
    if (end + 1 < text.size() && text[end + 1] >= '0' && text[end + 1] <= '9')
        return {};
    return LowerAscii(text.substr(0, end));
}

} // namespace

std::string FeedLinkAddress(const std::string& link) {
    const std::string text = Trim(link);
    if (StartsWithNoCase(text, "feed://"))
        return "http://" + text.substr(7);
    if (StartsWithNoCase(text, "feed:"))
        return text.substr(5);
    return text;
}

std::string FeedLinkProblem(const std::string& link) {
    const std::string address = FeedLinkAddress(link);
    if (!address.empty() && (address[0] == '/' || address[0] == '.' || address[0] == '~'))
        return "Nimbrel follows feeds and pages by their web address; \"" + address +
               "\" is a file on this computer.";
    if (!address.empty() && address[0] == '-')
        return "\"" + address + "\" is no web address.";
    const std::string scheme = LeadingScheme(address);
    if (scheme == "file")
        return "Nimbrel follows feeds and pages by their web address; \"" + address +
               "\" is a file on this computer.";
    if (!scheme.empty() && scheme != "http" && scheme != "https")
        return "Only http and https addresses can be added, not \"" + address + "\".";
    return AddressProblem(address);
}

} // namespace nimbrel
