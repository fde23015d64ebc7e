#include "app/SiteFetch.h"

#include "components/HttpAddress.h"
#include "pipeline/PageEncoding.h"
#include "pipeline/SiteFiles.h"
#include "platform/Convert.h"
#include "platform/Files.h"
#include "platform/Limits.h"
#include "platform/LocalTime.h"
#include "platform/ProgramFolder.h"

#include <algorithm>

namespace nimbrel {

namespace {

// A validator goes back to the server in a header: an over-long one is not kept.
std::string Validator(const std::string& value) {
    return value.size() <= limits::kValidatorBytes ? value : std::string();
}

// The rest of the program handles UTF-8 only. The conversion holds the page in memory, so pages
// beyond any sensible size for a digest stay as they came.
void BringToUtf8(const std::string& path, const std::string& contentType) {
    if (FileSize(path) <= limits::kConvertedPageBytes)
        ConvertPageToUtf8(path, contentType);
}

SiteFetchOutcome Settle(SiteRecord& record, const HttpResult& result, AtomicFile& page,
                        std::time_t now) {
    record.attempted = now;
    record.reason.clear();
    if (result.ok && !result.notModified) {
        page.commit();
        BringToUtf8(page.target(), result.contentType);
        record.status = FetchStatus::Ok;
        record.etag = Validator(result.etag);
        record.lastModified = Validator(result.lastModified);
        record.retryAfter = 0;
        record.fetched = now;
        return {"Complete", ""};
    }
    if (result.notModified) {
        record.status = FetchStatus::NotModified;
        record.retryAfter = 0;
        if (!result.etag.empty())
            record.etag = Validator(result.etag);
        if (!result.lastModified.empty())
            record.lastModified = Validator(result.lastModified);
        return {"Not modified", ""};
    }
    if (result.stopped) {
        record.status = FetchStatus::Stopped;
        return {"Stopped", ""};
    }
    record.reason = result.reason;
    if (result.retryAfter) {
        record.status = FetchStatus::Deferred;
        record.retryAfter = std::min<std::time_t>(std::max(*result.retryAfter, now),
                                                  now + limits::kLongestDeferralSeconds);
        return {DeferredStatus(record.retryAfter, now), result.detail};
    }
    record.status = FetchStatus::Failed;
    return {"Failed: " + result.reason, result.detail};
}

} // namespace

std::string DeferredStatus(std::time_t retryAfter, std::time_t now) {
    return "Deferred: retry after " +
           LocalTimeText(retryAfter, SameLocalDay(retryAfter, now) ? "%H:%M:%S" : "%Y-%m-%d %H:%M");
}

SiteFetchPlan PlanSiteFetch(const std::string& url, std::time_t now) {
    SiteFetchPlan plan;
    const SiteRecord record = ReadSiteRecord(url, now);
    if (record.retryAfter > now) {
        plan.deferred = true;
        plan.status = DeferredStatus(record.retryAfter, now);
        return plan;
    }
    plan.request.url = FetchAddress(url);
    plan.request.agent = ProgramUserAgent();
    // Validators describe the page file: without it, only a whole page will do.
    if (FileExists(SitePagePath(url))) {
        plan.request.ifNoneMatch = record.etag;
        plan.request.ifModifiedSince = record.lastModified;
    }
    return plan;
}

SiteFetchOutcome FinishSiteFetch(const std::string& url, const HttpResult& result, AtomicFile& page,
                                 std::time_t now) {
    // Read afresh: another site of the same address may have settled it meanwhile.
    SiteRecord record = ReadSiteRecord(url, now);
    SiteFetchOutcome outcome = Settle(record, result, page, now);
    WriteSiteRecord(url, record);
    if (!outcome.tip.empty())
        outcome.tip = FetchAddress(url) + ": " + outcome.tip;
    return outcome;
}

} // namespace nimbrel
