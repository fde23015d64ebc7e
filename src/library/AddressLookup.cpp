#include "library/AddressLookup.h"

#include "components/HttpAddress.h"
#include "components/HttpFetch.h"
#include "library/LibraryFile.h"
#include "pipeline/PageEncoding.h"
#include "platform/Convert.h"
#include "platform/Errors.h"
#include "platform/Limits.h"

namespace nimbrel {

namespace {

class PageTooLarge : public Exception {
  public:
    PageTooLarge()
        : Exception("the page is larger than " + std::to_string(limits::kFoundPageBytes >> 20) +
                    " MB") {}
};

AddressLookup Failure(std::string message) {
    AddressLookup result;
    result.message = std::move(message);
    return result;
}

void ClassifyPage(AddressLookup& result, const std::string& contentType) {
    if (const auto feed = DetectFeed(result.pageText)) {
        result.kind = AddressLookup::Kind::Feed;
        result.feed = *feed;
        result.feed.title = TakenName(feed->title); // offered as the site's name
        result.pageText.clear();
        return;
    }
    if (!LooksLikeHtml(result.pageText, contentType)) {
        result.message = result.address + " is neither a feed nor a web page (it is served as " +
                         (contentType.empty() ? std::string("nothing named") : contentType) + ").";
        result.pageText.clear();
        return;
    }
    PageFeeds page = ReadPageFeeds(result.pageText, result.finalUrl);
    result.links = std::move(page.links);
    result.linkCount = page.count;
    result.pageTitle = TakenName(page.title);
    result.kind = result.links.empty() ? AddressLookup::Kind::PageWithoutFeed
                                       : AddressLookup::Kind::PageWithFeeds;
}

} // namespace

std::string SiteAddress(const std::string& typed) {
    return FetchAddress(Trim(typed));
}

std::string AddressProblem(const std::string& typed) {
    const std::string address = Trim(typed);
    if (address.empty())
        return "Type the address of a feed or of a web page.";
    for (const char c : address)
        if (static_cast<unsigned char>(c) <= ' ')
            return "An address cannot hold blanks or line breaks: \"" + address + "\".";
    const std::string scheme = AddressScheme(address);
    if (!scheme.empty() && scheme != "http" && scheme != "https")
        return "Only http and https addresses can be added, not \"" + address + "\".";
    return {};
}

AddressLookup LookUpAddress(const std::string& typed, const std::atomic<bool>* cancel) {
    if (const std::string problem = AddressProblem(typed); !problem.empty())
        return Failure(problem);
    AddressLookup result;
    result.address = SiteAddress(typed);
    std::string body;
    HttpResult fetched;
    try {
        fetched = HttpGet({result.address, ProgramUserAgent(), "", "",
                           [&body](const char* data, size_t size) {
                               if (body.size() + size > limits::kFoundPageBytes)
                                   throw PageTooLarge();
                               body.append(data, size);
                           },
                           cancel});
    } catch (const PageTooLarge& error) {
        return Failure("Could not use " + result.address + ": " + error.message() + ".");
    }
    if (!fetched.ok) {
        result.cancelled = fetched.reason == kHttpCancelled;
        result.message = "Could not fetch " + result.address + ": " + fetched.reason + ".";
        return result;
    }
    result.finalUrl = fetched.finalUrl.empty() ? result.address : fetched.finalUrl;
    result.pageText = PageBytesToUtf8(body, fetched.contentType).text;
    ClassifyPage(result, fetched.contentType);
    return result;
}

} // namespace nimbrel
