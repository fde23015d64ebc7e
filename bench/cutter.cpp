// The page cutter on large one-line pages, and joining a large page file.
//   CutOneLine/8 and /16: a single-line page of 8 or 16 MB holding 100,000 or 200,000
//     matching cells, cut by one leaf "append" command (file to file, as the cutter runs).
//   CutHostileLine/8 and /16: a page built against a rule that steps back (excluded end
//     marker with a reverse count): 8 or 16 MB of start markers and one end marker at the end;
//     a cutter that searched again from every start would take quadratic time.
//   JoinLines/50: a 50 MB page file joined into one line, in a child process whose peak
//     resident memory is reported next to the file's size.
#include "pipeline/HtmlRip.h"
#include "platform/TextFile.h"

#include <benchmark/benchmark.h>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <stdexcept>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

using namespace nimbrel;

namespace {

constexpr size_t kMB = 1 << 20;

std::string TempFolder() {
    char pattern[] = "/tmp/nimbrel-bench-XXXXXX";
    if (!::mkdtemp(pattern))
        throw std::runtime_error("mkdtemp failed");
    return pattern;
}

// One line of `megabytes` MB: cells of 84 bytes each, 100,000 cells per 8 MB.
void WriteOneLinePage(const std::string& path, size_t megabytes) {
    const size_t cells = megabytes * 100000 / 8;
    const size_t cellSize = megabytes * kMB / cells;
    const std::string head = "<td class='n'>";
    const std::string tail = "</td>";
    std::string cell = head + std::string(cellSize - head.size() - tail.size(), 'x') + tail;
    std::ofstream out(path, std::ios::binary);
    for (size_t i = 0; i < cells; ++i)
        out << cell;
    out << "\r\n";
}

CommandRules LeafAppend() {
    CommandRules rules;
    rules.name = std::string("append");
    rules.specific = std::string(1, '0'); // (assigning "0" trips a false -Wrestrict in GCC 12)
    rules.start = {"<td class='n'", false, "0", "0"};
    rules.end = {"</td>", false, "0", "0"};
    return rules;
}

void CutOneLine(benchmark::State& state) {
    const std::string folder = TempFolder();
    const std::string page = folder + "/page.dat";
    const std::string cut = folder + "/cut.dat";
    WriteOneLinePage(page, static_cast<size_t>(state.range(0)));
    const CommandRules rules = LeafAppend();
    for (auto _ : state) {
        TextReader input(page);
        TextWriter output(cut, TextWriter::Mode::Direct);
        RipPieces(input, output, rules);
        output.close();
    }
    state.SetBytesProcessed(state.iterations() * state.range(0) * kMB);
    state.counters["pieces"] = static_cast<double>(ReadTextLines(cut).size());
    std::remove(page.c_str());
    std::remove(cut.c_str());
    ::rmdir(folder.c_str());
}
BENCHMARK(CutOneLine)->Arg(8)->Arg(16)->Unit(benchmark::kMillisecond)->MinTime(2.0)->UseRealTime();

void CutHostileLine(benchmark::State& state) {
    const std::string folder = TempFolder();
    const std::string page = folder + "/page.dat";
    const std::string cut = folder + "/cut.dat";
    const size_t bytes = static_cast<size_t>(state.range(0)) * kMB;
    {
        std::ofstream out(page, std::ios::binary);
        for (size_t written = 0; written < bytes; written += 6)
            out << "class=";
        out << "</td>\r\n";
    }
    CommandRules rules = LeafAppend();
    rules.start = {"class=", true, "0", "0"};
    rules.end = {"</td>", false, "2", "0"};
    for (auto _ : state) {
        TextReader input(page);
        TextWriter output(cut, TextWriter::Mode::Direct);
        RipPieces(input, output, rules);
        output.close();
    }
    state.SetBytesProcessed(state.iterations() * bytes);
    std::remove(page.c_str());
    std::remove(cut.c_str());
    ::rmdir(folder.c_str());
}
BENCHMARK(CutHostileLine)->Arg(8)->Arg(16)->Unit(benchmark::kMillisecond)->UseRealTime();

long PeakResidentKB() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmHWM:", 0) == 0)
            return std::atol(line.c_str() + 6);
    return -1;
}

struct PeakMemory {
    long beforeKB = -1; // the child's peak before joining: what it inherited
    long afterKB = -1;
};

// Joins the file in a child process and reports its peak resident memory.
PeakMemory JoinInChild(const std::string& path) {
    int pipeFds[2];
    if (::pipe(pipeFds) != 0)
        throw std::runtime_error("pipe failed");
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::close(pipeFds[0]);
        PeakMemory peak;
        peak.beforeKB = PeakResidentKB();
        JoinLines(path);
        peak.afterKB = PeakResidentKB();
        (void)!::write(pipeFds[1], &peak, sizeof peak);
        ::_exit(0);
    }
    ::close(pipeFds[1]);
    PeakMemory peak;
    (void)!::read(pipeFds[0], &peak, sizeof peak);
    ::close(pipeFds[0]);
    ::waitpid(pid, nullptr, 0);
    return peak;
}

void JoinLinesPage(benchmark::State& state) {
    const std::string folder = TempFolder();
    const std::string page = folder + "/page.dat";
    const size_t bytes = static_cast<size_t>(state.range(0)) * kMB;
    PeakMemory peak;
    for (auto _ : state) {
        state.PauseTiming();
        {
            std::ofstream out(page, std::ios::binary);
            const std::string line = std::string(98, 'y') + "\r\n";
            for (size_t written = 0; written < bytes; written += line.size())
                out << line;
        }
        state.ResumeTiming();
        peak = JoinInChild(page);
    }
    state.SetBytesProcessed(state.iterations() * bytes);
    state.counters["file_MB"] = static_cast<double>(bytes) / kMB;
    state.counters["peak_rss_MB"] = static_cast<double>(peak.afterKB) / 1024;
    state.counters["rss_before_MB"] = static_cast<double>(peak.beforeKB) / 1024;
    std::remove(page.c_str());
    ::rmdir(folder.c_str());
}
BENCHMARK(JoinLinesPage)->Arg(50)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

} // namespace

BENCHMARK_MAIN();
