#include "app/SiteTrial.h"

#include "app/SiteFetch.h"
#include "components/HttpFetch.h"
#include "components/MSXML2_TLB.h"
#include "pipeline/FixList.h"
#include "pipeline/HtmlRip.h"
#include "pipeline/LibraryDocument.h"
#include "pipeline/PageBase.h"
#include "pipeline/SiteFiles.h"
#include "pipeline/SiteWorkers.h"
#include "platform/AtomicFile.h"
#include "platform/Convert.h"
#include "platform/Errors.h"
#include "platform/Files.h"
#include "platform/ProgramFolder.h"
#include "platform/TextFile.h"

#include <ctime>
#include <memory>
#include <optional>

namespace nimbrel {

namespace {

using msxml::XmlDocument;
using msxml::XmlNode;

// Longest excerpt of a piece or of the cleaned text shown in the report.
constexpr size_t kExcerpt = 240;

struct TrialSite {
    std::string name, url, type, styleSheet, ripFile;
};

std::string Attribute(const XmlNode& element, const std::string& name) {
    return Trim(AttributeText(element, name));
}

std::string Excerpt(const std::string& text) {
    std::string shown = text.substr(0, kExcerpt);
    for (char& c : shown)
        if (c == '\r' || c == '\n' || c == '\t')
            c = ' ';
    return text.size() > kExcerpt ? shown + " ..." : shown;
}

// The library, or nothing (the reason reported) when it does not load.
std::optional<XmlDocument> LoadLibrary(std::ostream& out) {
    XmlDocument library = XmlDocument::Create();
    const LibraryLoad load = LoadWebPageLibrary(library);
    if (load.state == LibraryState::Loaded)
        return library;
    out << "Categories.xml does not load: " << load.why.reason << "\n";
    return std::nullopt;
}

bool FindSite(const XmlDocument& library, const std::string& entry, TrialSite& site,
              std::ostream& out) {
    const size_t arrow = entry.find("->");
    if (arrow == std::string::npos) {
        out << "'" << entry << "' is not an entry: write Category->Site\n";
        return false;
    }
    const std::string_view names(entry);
    const XmlNode element =
        FindLibrarySite(library, names.substr(0, arrow), names.substr(arrow + 2));
    if (!element) {
        out << "No library site '" << entry << "' in " << LibraryPath() << "\n";
        return false;
    }
    site = {Attribute(element, "Name"), Attribute(element, "URL"),
            LowerAscii(Attribute(element, "Type")), Attribute(element, "StyleSheet"),
            Attribute(element, "RipFile")};
    out << "Site        " << entry << "\nURL         " << site.url << "\nType        " << site.type
        << "\nRule        Rip/" << site.ripFile << "\nStylesheet  stylesheets/" << site.styleSheet
        << "\n\n";
    return true;
}

// The cycle refuses rule files and stylesheets named outside their folders; so does the trial.
bool NamesStayInTheirFolders(const TrialSite& site, std::ostream& out) {
    bool stay = true;
    for (const auto& [name, folder] :
         {std::pair{site.ripFile, "Rip"}, std::pair{site.styleSheet, "stylesheets"}}) {
        if (!DataNameStaysInFolder(name)) {
            out << "refused      \"" << name << "\" lies outside the folder " << folder << "\n";
            stay = false;
        }
    }
    return stay;
}

bool Fetch(const TrialSite& site, const std::string& pagePath, std::ostream& out) {
    SiteFetchPlan plan = PlanSiteFetch(site.url, std::time(nullptr));
    if (plan.deferred) {
        out << "1. fetch      " << plan.status << ", as the server asked\n";
        return false;
    }
    // A trial wants the page itself, never "not modified".
    plan.request.ifNoneMatch.clear();
    plan.request.ifModifiedSince.clear();
    AtomicFile page(pagePath);
    plan.request.sink = [&](const char* data, size_t size) { page.write({data, size}); };
    const HttpResult result = HttpGet(plan.request);
    // Settled as a cycle would, so the site's record describes the page file written here.
    const SiteFetchOutcome outcome = FinishSiteFetch(site.url, result, page, std::time(nullptr));
    if (!result.ok) {
        out << "1. fetch      " << (result.retryAfter ? outcome.status : "failed: " + result.reason)
            << "\n";
        if (!result.detail.empty())
            out << "              " << result.detail << "\n";
        return false;
    }
    out << "1. fetch      " << CountOf(result.bodyBytes, "byte", "bytes") << " (HTTP "
        << result.status << ")";
    if (!result.finalUrl.empty() && result.finalUrl != plan.request.url)
        out << " from " << result.finalUrl;
    out << "\n              -> " << pagePath << "\n";
    return true;
}

// How often each command's markers stand in the joined page: a marker that is never there
// is the usual reason a rule cuts nothing.
void ReportMarkers(const XmlDocument& rule, const std::string& joinedPage, std::ostream& out) {
    const std::string page = LowerAscii(joinedPage);
    const auto commands = rule.selectNodes("//Command");
    for (long i = 0; i < commands.length(); ++i) {
        out << "   command " << i + 1 << ":";
        for (const char* tag : {"StartTag", "EndTag"}) {
            const XmlNode marker = commands.item(i).selectSingleNode(tag);
            const std::string text = marker ? LowerAscii(Trim(marker.text())) : std::string();
            size_t count = 0;
            for (size_t at = text.empty() ? std::string::npos : page.find(text);
                 at != std::string::npos; at = page.find(text, at + text.size()))
                ++count;
            out << "  " << tag << " \"" << text << "\" in page " << count << "x";
        }
        out << "\n";
    }
}

bool Cut(const TrialSite& site, const std::string& pagePath, const std::string& cutPath,
         std::ostream& out) {
    XmlDocument rule = XmlDocument::Create();
    rule.load(DataFile("\\Rip", site.ripFile));
    if (!rule.parseError().reason.empty()) {
        out << "2. cut        the rule file does not load: " << rule.parseError().reason << "\n";
        return false;
    }
    const JoinedPage joined(pagePath);
    CutInto(rule.firstChild(), joined, cutPath);
    const std::vector<std::string> pieces = ReadTextLines(cutPath);
    out << "2. cut        " << CountOf(pieces.size(), "piece", "pieces") << ", "
        << CountOf(FileSize(cutPath), "byte", "bytes") << " -> " << cutPath << "\n";
    ReportMarkers(rule, joined.text(), out);
    for (size_t i = 0; i < pieces.size() && i < 3; ++i)
        out << "   piece " << i + 1 << ": " << Excerpt(pieces[i]) << "\n";
    return !pieces.empty();
}

// The display step's cleaning and transforming of the site's cut, done by a worker as the
// display step has it done: the same fixed options and per-site switch, fix.dat, the stylesheet,
// links made absolute and active content removed.
bool CleanAndTransform(const TrialSite& site, const std::string& cutPath, std::ostream& out) {
    SiteWorkers workers(1);
    const DisplayTrial trial = workers.run(
        {ProgramFolder(), cutPath, site.type, DataFile("\\stylesheets", site.styleSheet),
         SiteLinkBase(site.url, site.type), LoadFixList(ProgramFile("\\fix.dat"))});
    if (!trial.cleaned) {
        out << "3. clean      failed: " << trial.failure << "\n";
        return false;
    }
    out << "3. clean      " << CountOf(trial.cleanedBytes, "byte", "bytes") << ", "
        << (trial.parseReason.empty() ? std::string("well-formed")
                                      : "does not parse: " + Trim(trial.parseReason) +
                                            " (the stylesheet gets an empty document)")
        << "\n   " << Excerpt(trial.cleanedStart) << "\n";
    if (!trial.sheetReason.empty()) {
        out << "4. transform  the stylesheet does not load: " << trial.sheetReason << "\n";
        return false;
    }
    if (!trial.failure.empty()) {
        out << "4. transform  failed: " << trial.failure << "\n";
        return false;
    }
    size_t items = 0;
    for (size_t at = trial.block.find("<li"); at != std::string::npos;
         at = trial.block.find("<li", at + 3))
        ++items;
    out << "4. transform  block of " << CountOf(trial.block.size(), "byte", "bytes") << ", "
        << CountOf(items, "list item", "list items") << "\n\n"
        << trial.block << "\n";
    return true;
}

} // namespace

int RunSiteTrial(const std::string& entry, std::ostream& out) {
    TrialSite site;
    try {
        const std::optional<XmlDocument> library = LoadLibrary(out);
        if (!library)
            return 1;
        if (!FindSite(*library, entry, site, out))
            return 2;
        if (!NamesStayInTheirFolders(site, out))
            return 1;
        const std::string pagePath = SitePagePath(site.url);
        const std::string cutPath = SiteCutPath(site.url);
        if (!Fetch(site, pagePath, out))
            return 1;
        const bool cutSomething = Cut(site, pagePath, cutPath, out);
        if (!cutSomething)
            out << "   the rule cut nothing: check the markers above against the page file\n";
        return CleanAndTransform(site, cutPath, out) && cutSomething ? 0 : 1;
    } catch (const Exception& error) {
        out << "stopped: " << error.message() << "\n";
        return 1;
    }
}

} // namespace nimbrel
