// Feed links as a web browser hands them over: "feed://host/path" (read as http), the feed URI
// scheme's "feed:https://..." and "feed:http://...", or a plain http or https address.
#pragma once

#include <string>

namespace nimbrel {

// The web address a feed link names; any other text comes back trimmed, as it stands.
std::string FeedLinkAddress(const std::string& link);

// Why a link handed to the program cannot be looked up as a new site, or "" when it can: a file
// on this computer, a scheme other than feed, http and https, or what AddressProblem refuses.
std::string FeedLinkProblem(const std::string& link);

} // namespace nimbrel
