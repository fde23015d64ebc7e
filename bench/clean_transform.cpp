// One site's share of the display step on a 1 MB page: clean the cut file, parse the cleaned
// text, transform it with a site stylesheet that lists the page's links.
#include "components/MSXML2_TLB.h"
#include "components/TidyCOM_TLB.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <unistd.h>

using namespace nimbrel;

namespace {

const char* kStylesheet =
    "<xsl:stylesheet version=\"1.0\" xmlns:xsl=\"http://www.w3.org/1999/XSL/Transform\">"
    "<xsl:output method=\"html\"/>"
    "<xsl:template match=\"/\"><table width=\"300\"><xsl:for-each select=\"//a\">"
    "<tr><td><a href=\"{@href}\"><xsl:value-of select=\".\"/></a></td></tr>"
    "</xsl:for-each></table></xsl:template></xsl:stylesheet>";

// A page of about the given size in the shape of a news front page: rows of linked titles with
// entities, sloppy markup and non-ASCII text, all on a few long lines as the cutter leaves them.
std::string NewsPage(size_t bytes) {
    std::string page = "<html><head><title>Front page</title></head><body><table>";
    for (int row = 0; page.size() < bytes; ++row) {
        page += "<TR class=athing><TD align=right>" + std::to_string(row) +
                ".<TD><a href=\"story?id=" + std::to_string(row) +
                "&amp;ref=front\">Caf\xc3\xa9 report &mdash; part " + std::to_string(row) +
                "&nbsp;of many</a> <span class=site>(example.org)</span><br>"
                "<p>Some points by someone | <b><i>discuss</b></i>";
        if (row % 50 == 49)
            page += "\r\n";
    }
    return page + "</table></body></html>\r\n";
}

class PageFile {
  public:
    explicit PageFile(const std::string& content)
        : path_((std::filesystem::temp_directory_path() /
                 ("nimbrel-bench-" + std::to_string(::getpid()) + ".dat"))
                    .string()) {
        std::ofstream(path_, std::ios::binary) << content;
    }
    ~PageFile() { std::remove(path_.c_str()); }
    const std::string& path() const { return path_; }

  private:
    std::string path_;
};

void CleanParseTransform(benchmark::State& state, const std::string& path) {
    auto cleaner = tidycom::TidyObject::Create();
    cleaner->options().setSwitch(tidycom::kFirstFixedSwitch, true);
    cleaner->options().setSwitch(tidycom::kSecondFixedSwitch, true);
    cleaner->options().setValue(tidycom::kOptionSetToTwo, 2);
    cleaner->options().setValue(tidycom::kOptionSetToEight, 8);
    msxml::XmlDocument stylesheet = msxml::XmlDocument::Create();
    stylesheet.loadXML(kStylesheet);
    msxml::XmlDocument site = msxml::XmlDocument::Create();
    size_t blockBytes = 0;
    for (auto _ : state) {
        cleaner->options().setSwitch(tidycom::kPerSiteSwitch, false);
        const std::string cleaned = cleaner->cleanFile(path);
        site.loadXML(cleaned);
        if (!site.parseError().reason.empty())
            throw std::runtime_error("cleaned page does not parse: " + site.parseError().reason);
        const std::string block = site.transformNode(stylesheet);
        blockBytes = block.size();
        benchmark::DoNotOptimize(block.data());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                            static_cast<int64_t>(std::filesystem::file_size(path)));
    state.counters["block_bytes"] = static_cast<double>(blockBytes);
}

void BM_CleanParseTransform1MB(benchmark::State& state) {
    static const PageFile page(NewsPage(1 << 20));
    CleanParseTransform(state, page.path());
}
BENCHMARK(BM_CleanParseTransform1MB)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
