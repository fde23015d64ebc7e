#include "pipeline/SiteWork.h"

#include "components/ActiveContent.h"
#include "components/BlockLinks.h"
#include "components/MSXML2_TLB.h"
#include "pipeline/SiteFailure.h"
#include "platform/Errors.h"
#include "platform/MessageFrames.h"
#include "platform/ProgramFolder.h"

#include <exception>
#include <new>

namespace nimbrel {

namespace {

enum class JobKind : std::uint64_t { Block = 1, FailureFrame = 2, Trial = 3 };

// How much of the cleaned text a trial sends back to be shown.
constexpr size_t kCleanedStartBytes = 1024;

void Write(MessageWriter& out, const DisplaySite& site) {
    out.text(site.name).text(site.url).text(site.styleSheet).text(site.type).number(site.position);
}

DisplaySite ReadSite(MessageReader& in) {
    DisplaySite site;
    site.name = in.text();
    site.url = in.text();
    site.styleSheet = in.text();
    site.type = in.text();
    site.position = static_cast<size_t>(in.number());
    return site;
}

void Write(MessageWriter& out, const std::vector<FixPair>& fixes) {
    out.number(fixes.size());
    for (const FixPair& pair : fixes)
        out.text(pair.find).text(pair.replacement);
}

std::vector<FixPair> ReadFixes(MessageReader& in) {
    std::vector<FixPair> fixes(static_cast<size_t>(std::min<std::uint64_t>(in.number(), 1u << 20)));
    for (FixPair& pair : fixes) {
        pair.find = in.text();
        pair.replacement = in.text();
    }
    return fixes;
}

std::time_t ReadTime(MessageReader& in) {
    return static_cast<std::time_t>(in.number());
}

void Write(MessageWriter& out, const std::optional<std::string>& text) {
    out.number(text ? 1 : 0);
    if (text)
        out.text(*text);
}

std::optional<std::string> ReadOptionalText(MessageReader& in) {
    if (in.number() == 0)
        return std::nullopt;
    return in.text();
}

void Write(MessageWriter& out, const std::optional<LastShown>& shown) {
    out.number(shown ? 1 : 0);
    if (!shown)
        return;
    out.number(static_cast<std::uint64_t>(shown->fetched)).number(shown->links.size());
    for (const std::string& link : shown->links)
        out.text(link);
    out.text(shown->block);
}

std::optional<LastShown> ReadShown(MessageReader& in) {
    if (in.number() == 0)
        return std::nullopt;
    LastShown shown;
    shown.fetched = ReadTime(in);
    const std::uint64_t links = in.number();
    for (std::uint64_t i = 0; i < links; ++i)
        shown.links.push_back(in.text()); // each at least 8 bytes: a bogus count runs out first
    shown.block = in.text();
    return shown;
}

// A whole message of one kind, nothing left over.
template <class Read> auto ReadWhole(std::string_view message, Read&& read) {
    MessageReader in(message);
    auto value = read(in);
    if (!in.atEnd())
        throw MalformedMessage{};
    return value;
}

// The stages of a trial, each failure stopping it with its reason.
DisplayTrial RunTrial(const TrialJob& job) {
    DisplayTrial outcome;
    try {
        const auto cleaner = MakeDisplayCleaner();
        const std::string cleaned =
            ApplyFixList(CleanCutFile(*cleaner, job.type, job.cutPath), job.fixes);
        outcome.cleaned = true;
        outcome.cleanedBytes = cleaned.size();
        outcome.cleanedStart = cleaned.substr(0, kCleanedStartBytes);
        msxml::XmlDocument document = msxml::XmlDocument::Create();
        document.setUnlimitedParsing(true);
        document.loadXML(cleaned); // a text that does not parse leaves the document empty
        outcome.parseReason = document.parseError().reason;
        msxml::XmlDocument sheet = msxml::XmlDocument::Create();
        sheet.load(job.styleSheetPath);
        outcome.sheetReason = sheet.parseError().reason;
        if (outcome.sheetReason.empty())
            outcome.block = WithoutActiveContent(
                ResolveBlockLinks(document.transformNode(sheet), job.linkBase));
    } catch (const std::bad_alloc&) {
        throw;
    } catch (const std::exception& error) {
        outcome.failure = error.what();
    }
    return outcome;
}

} // namespace

std::string EncodeJob(const BlockJob& job) {
    MessageWriter out;
    out.number(static_cast<std::uint64_t>(JobKind::Block)).text(job.programFolder).number(job.run);
    Write(out, job.site);
    Write(out, job.fixes);
    out.number(static_cast<std::uint64_t>(job.madeAt));
    return out.take();
}

std::string EncodeJob(const FailureFrameJob& job) {
    MessageWriter out;
    out.number(static_cast<std::uint64_t>(JobKind::FailureFrame)).text(job.programFolder);
    Write(out, job.site);
    out.text(job.reason).number(static_cast<std::uint64_t>(job.madeAt));
    return out.take();
}

std::string EncodeJob(const TrialJob& job) {
    MessageWriter out;
    out.number(static_cast<std::uint64_t>(JobKind::Trial))
        .text(job.programFolder)
        .text(job.cutPath)
        .text(job.type)
        .text(job.styleSheetPath)
        .text(job.linkBase);
    Write(out, job.fixes);
    return out.take();
}

std::string EncodeOutcome(const SiteOutcome& outcome) {
    MessageWriter out;
    out.text(outcome.block);
    Write(out, outcome.failure);
    out.text(outcome.status).number(outcome.newItems);
    Write(out, outcome.shown);
    return out.take();
}

SiteOutcome DecodeSiteOutcome(std::string_view message) {
    return ReadWhole(message, [](MessageReader& in) {
        SiteOutcome outcome;
        outcome.block = in.text();
        outcome.failure = ReadOptionalText(in);
        outcome.status = in.text();
        outcome.newItems = static_cast<size_t>(in.number());
        outcome.shown = ReadShown(in);
        return outcome;
    });
}

std::string EncodeOutcome(const DisplayTrial& outcome) {
    MessageWriter out;
    out.number(outcome.cleaned ? 1 : 0)
        .number(outcome.cleanedBytes)
        .text(outcome.cleanedStart)
        .text(outcome.parseReason)
        .text(outcome.sheetReason)
        .text(outcome.block)
        .text(outcome.failure);
    return out.take();
}

DisplayTrial DecodeDisplayTrial(std::string_view message) {
    return ReadWhole(message, [](MessageReader& in) {
        DisplayTrial outcome;
        outcome.cleaned = in.number() != 0;
        outcome.cleanedBytes = in.number();
        outcome.cleanedStart = in.text();
        outcome.parseReason = in.text();
        outcome.sheetReason = in.text();
        outcome.block = in.text();
        outcome.failure = in.text();
        return outcome;
    });
}

// What the jobs of one run share: the workshop with the stylesheets it has loaded.
struct SiteWorkRunner::Shared {
    std::string programFolder;
    std::uint64_t run = 0;
    std::optional<BlockWorkshop> workshop;
};

SiteWorkRunner::SiteWorkRunner() : shared_(std::make_unique<Shared>()) {}
SiteWorkRunner::~SiteWorkRunner() = default;

std::string SiteWorkRunner::runBlock(const BlockJob& job) {
    Shared& shared = *shared_;
    if (!shared.workshop || shared.run != job.run || shared.programFolder != job.programFolder ||
        shared.workshop->fixes() != job.fixes) {
        shared.workshop.reset();
        try {
            shared.workshop.emplace(job.fixes);
        } catch (const Exception& error) {
            return EncodeOutcome(FailedSiteOutcome(job.site, ConciseReason(error.message()),
                                                   job.madeAt, ReadLastShown(job.site.url)));
        }
        shared.run = job.run;
        shared.programFolder = job.programFolder;
    }
    return EncodeOutcome(MakeSiteBlock(job.site, *shared.workshop, job.madeAt));
}

std::string SiteWorkRunner::run(std::string_view message) {
    MessageReader in(message);
    const auto kind = static_cast<JobKind>(in.number());
    const std::string folder = in.text();
    SetProgramFolder(folder);
    switch (kind) {
    case JobKind::Block: {
        BlockJob job;
        job.programFolder = folder;
        job.run = in.number();
        job.site = ReadSite(in);
        job.fixes = ReadFixes(in);
        job.madeAt = ReadTime(in);
        return runBlock(job);
    }
    case JobKind::FailureFrame: {
        const DisplaySite site = ReadSite(in);
        const std::string reason = in.text();
        const std::time_t madeAt = ReadTime(in);
        return EncodeOutcome(FailedSiteOutcome(site, reason, madeAt, ReadLastShown(site.url)));
    }
    case JobKind::Trial: {
        TrialJob job;
        job.programFolder = folder;
        job.cutPath = in.text();
        job.type = in.text();
        job.styleSheetPath = in.text();
        job.linkBase = in.text();
        job.fixes = ReadFixes(in);
        return EncodeOutcome(RunTrial(job));
    }
    }
    throw MalformedMessage{};
}

} // namespace nimbrel
