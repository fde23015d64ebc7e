// Reading an option file whose interval line is huge and not a number (a file mangled by a
// tool, a paste gone wrong): start-up reads it and shows the conversion error, which must take
// no longer than reading the bytes.
#include "app/Options.h"
#include "platform/Errors.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

namespace {

void BadIntervalLine(benchmark::State& state) {
    const size_t bytes = static_cast<size_t>(state.range(0)) << 20;
    const std::string path = (std::filesystem::temp_directory_path() /
                              ("nimbrel-bench-options-" + std::to_string(::getpid()) + ".nmo"))
                                 .string();
    std::ofstream(path, std::ios::binary)
        << "Interval:" << std::string(bytes, 'x') << "\r\nAutoView:True\r\n";
    size_t messageBytes = 0;
    for (auto _ : state) {
        int32_t interval = 900;
        bool autoView = true;
        try {
            nimbrel::LoadOptionsFile(path, interval, autoView);
        } catch (const nimbrel::EConvertError& error) {
            messageBytes = error.message().size();
        }
    }
    std::remove(path.c_str());
    state.counters["message_bytes"] = static_cast<double>(messageBytes);
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes));
}
BENCHMARK(BadIntervalLine)->Arg(1)->Arg(20)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
