#include "DigestOptions.h"

#include <charconv>
#include <string_view>

namespace nimbrel::digest {

const char* const kDigestUsage =
    "Usage: nimbrel-digest [--folder DIR] [--rip-only | --display-only] [--open | --no-open]\n"
    "                      [--site \"Category->Site\"]... [--quiet] [--wait SECONDS]\n"
    "       nimbrel-digest [--folder DIR] --add-site URL [--example TEXT] [--name NAME]\n"
    "                      [--category CAT]\n"
    "       nimbrel-digest [--folder DIR] --import-opml FILE [--category CAT]\n"
    "       nimbrel-digest [--folder DIR] --export-opml FILE\n"
    "       nimbrel-digest [--folder DIR] --check-rules [--site \"Category->Site\"]...\n"
    "       nimbrel-digest [--folder DIR] --repair-rule \"Category->Site\"\n"
    "\n"
    "Runs one Nimbrel download cycle on a program folder and exits, or adds sites of your own\n"
    "to its library and selection.\n"
    "\n"
    "  --folder DIR         the program folder (default: the current directory)\n"
    "  --rip-only           only cut the downloaded pages into the folder Work\n"
    "  --display-only       only build site.html from the cut pages\n"
    "  --open, --no-open    open site.html in the browser, or not, whatever the options say\n"
    "  --site \"Cat->Site\"   try one library site: fetch, cut, clean and transform it and\n"
    "                       print what each stage produced (may be repeated)\n"
    "  --quiet              no progress lines and no \"not shown\" lines on stderr\n"
    "  --wait SECONDS       how long to wait while another Nimbrel run uses the folder\n"
    "                       before giving up (default: 60; 0 gives up at once)\n"
    "  --add-site URL       add the feed at URL, or the first feed the page at URL names, to\n"
    "                       Categories.xml and to the selection (setup.nml, setup.xml)\n"
    "  --example TEXT       with --add-site: follow the page itself, with a new rule whose\n"
    "                       pieces are the page's items of the kind of the one whose text\n"
    "                       (as you see it on the page) is TEXT\n"
    "  --name NAME          the new site's name (default: the feed's or the page's title)\n"
    "  --category CAT       the category it goes into (default: \"My Sites\"; for\n"
    "                       --import-opml, feeds outside any folder of the file)\n"
    "  --import-opml FILE   add every feed of an OPML file (and every page exported with\n"
    "                       its rule) to the library and the selection, each in the\n"
    "                       category of its folder; addresses held already are not added\n"
    "                       twice\n"
    "  --export-opml FILE   write the selection as OPML 2.0, one folder per category\n"
    "  --check-rules        cut and transform each selected site's page as it is now\n"
    "                       (fetching nothing) and say how many items its rule finds;\n"
    "                       --site checks only the sites named\n"
    "  --repair-rule \"Cat->Site\"  write a new rule for the site from the links its last good\n"
    "                       digest showed that are still on its page (the old rule is\n"
    "                       kept as Rip/NAME.old)\n"
    "  --help               this text\n"
    "  --version            the program's name and version\n"
    "\n"
    "Exit status: 0 the step ran to its end, 1 an error ended it (its message is printed),\n"
    "2 usage error, 3 the program would have ended at once (its message is printed).\n"
    "--check-rules exits 1 when a rule found nothing on a page it has; --add-site --example\n"
    "and --repair-rule exit 1 when no rule could be made.\n";

namespace {

class Arguments {
  public:
    Arguments(int argc, const char* const* argv) : argc_(argc), argv_(argv) {}
    bool more() const { return next_ < argc_; }
    std::string_view take() { return argv_[next_++]; }
    // The value of an option given as "--name VALUE" or "--name=VALUE".
    std::string value(std::string_view option, std::string_view inlineValue, bool hasInline) {
        if (hasInline)
            return std::string(inlineValue);
        if (!more())
            throw UsageError(std::string(option) + " needs a value");
        return std::string(take());
    }

  private:
    int argc_;
    const char* const* argv_;
    int next_ = 1;
};

void SetMode(DigestOptions& options, DigestMode mode, std::string_view option,
             std::string value = {}) {
    if (options.mode == mode && !options.modeValue.empty())
        throw UsageError(std::string(option) + " is given twice");
    if (options.mode != DigestMode::FullCycle && options.mode != mode)
        throw UsageError(options.modeOption + " and " + std::string(option) +
                         " exclude each other");
    options.mode = mode;
    options.modeOption = option;
    options.modeValue = std::move(value);
}

// Options that only make sense with a mode, and modes that take no --site.
void CheckCombinations(const DigestOptions& options) {
    const bool adding = options.mode == DigestMode::AddSite;
    const bool rules =
        options.mode == DigestMode::CheckRules || options.mode == DigestMode::RepairRule;
    const bool library = adding || rules || options.mode == DigestMode::ImportOpml ||
                         options.mode == DigestMode::ExportOpml;
    if (!options.name.empty() && !adding)
        throw UsageError("--name goes with --add-site");
    if (options.example && !adding)
        throw UsageError("--example goes with --add-site");
    if (options.category && !adding && options.mode != DigestMode::ImportOpml)
        throw UsageError("--category goes with --add-site or --import-opml");
    if (options.open && library)
        throw UsageError(options.modeOption + " takes no --open or --no-open");
    if (!options.sites.empty() && library && options.mode != DigestMode::CheckRules)
        throw UsageError(options.modeOption + " takes no --site");
}

// A whole number of seconds, at most a day.
int Seconds(const std::string& value, std::string_view option) {
    constexpr int kDaySeconds = 24 * 60 * 60;
    int seconds = 0;
    const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), seconds);
    if (value.empty() || error != std::errc() || end != value.data() + value.size() ||
        seconds < 0 || seconds > kDaySeconds)
        throw UsageError(std::string(option) + " takes a whole number of seconds from 0 to " +
                         std::to_string(kDaySeconds));
    return seconds;
}

std::string NonEmpty(std::string value, std::string_view option) {
    if (value.empty())
        throw UsageError(std::string(option) + " needs a value");
    return value;
}

void SetOpen(DigestOptions& options, bool open) {
    if (options.open && *options.open != open)
        throw UsageError("--open and --no-open exclude each other");
    options.open = open;
}

} // namespace

DigestOptions ParseDigestOptions(int argc, const char* const* argv) {
    DigestOptions options;
    Arguments args(argc, argv);
    while (args.more()) {
        const std::string_view arg = args.take();
        const size_t equals = arg.find('=');
        const bool hasInline = arg.rfind("--", 0) == 0 && equals != std::string_view::npos;
        const std::string_view name = hasInline ? arg.substr(0, equals) : arg;
        const std::string_view inlineValue = hasInline ? arg.substr(equals + 1) : "";
        if (name == "--folder") {
            options.folder = args.value(name, inlineValue, hasInline);
            if (options.folder.empty())
                throw UsageError("--folder needs a folder");
        } else if (name == "--add-site") {
            SetMode(options, DigestMode::AddSite, name,
                    NonEmpty(args.value(name, inlineValue, hasInline), name));
        } else if (name == "--import-opml") {
            SetMode(options, DigestMode::ImportOpml, name,
                    NonEmpty(args.value(name, inlineValue, hasInline), name));
        } else if (name == "--export-opml") {
            SetMode(options, DigestMode::ExportOpml, name,
                    NonEmpty(args.value(name, inlineValue, hasInline), name));
        } else if (name == "--repair-rule") {
            std::string entry = NonEmpty(args.value(name, inlineValue, hasInline), name);
            if (entry.find("->") == std::string::npos)
                throw UsageError("--repair-rule takes an entry written \"Category->Site\"");
            SetMode(options, DigestMode::RepairRule, name, std::move(entry));
        } else if (name == "--example") {
            options.example = NonEmpty(args.value(name, inlineValue, hasInline), name);
        } else if (name == "--name") {
            options.name = NonEmpty(args.value(name, inlineValue, hasInline), name);
        } else if (name == "--category") {
            options.category = NonEmpty(args.value(name, inlineValue, hasInline), name);
        } else if (name == "--wait") {
            options.waitSeconds = Seconds(args.value(name, inlineValue, hasInline), name);
        } else if (name == "--site") {
            std::string site = args.value(name, inlineValue, hasInline);
            if (site.find("->") == std::string::npos)
                throw UsageError("--site takes an entry written \"Category->Site\"");
            options.sites.push_back(std::move(site));
        } else if (hasInline) {
            throw UsageError("option '" + std::string(name) + "' takes no value");
        } else if (arg == "--help" || arg == "-h") {
            options.help = true;
        } else if (arg == "--version") {
            options.version = true;
        } else if (arg == "--rip-only") {
            SetMode(options, DigestMode::RipOnly, arg);
        } else if (arg == "--display-only") {
            SetMode(options, DigestMode::DisplayOnly, arg);
        } else if (arg == "--check-rules") {
            SetMode(options, DigestMode::CheckRules, arg);
        } else if (arg == "--open") {
            SetOpen(options, true);
        } else if (arg == "--no-open") {
            SetOpen(options, false);
        } else if (arg == "--quiet") {
            options.quiet = true;
        } else {
            throw UsageError("unknown option '" + std::string(arg) + "'");
        }
    }
    CheckCombinations(options);
    if (!options.sites.empty() && options.mode != DigestMode::FullCycle &&
        options.mode != DigestMode::CheckRules)
        throw UsageError("--site tries whole sites; it takes neither --rip-only nor "
                         "--display-only");
    return options;
}

} // namespace nimbrel::digest
