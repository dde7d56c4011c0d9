// The suite without Google Benchmark, for the toolchains that have none packaged (the Windows build):
// the variants of each case and size take turns in batches of a set duration, and each one's fastest
// batch gives its time per run. The output has the shape of Google Benchmark's JSON, so that one report
// reads both.
//   bench_conversions_timed [--largest=N] [FILTER]
//     --largest=N   no size above N elements (under Wine, 8,000,000 elements mostly time Wine's heap)
//     FILTER        only the benchmarks whose name contains it
#include "Workload.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double SecondsOf(Clock::duration duration) {
    return std::chrono::duration<double>(duration).count();
}

// Runs that take about a quarter of a batch, doubling from one, after one run to warm up.
std::size_t RunsPerBatch(Bench::Workload& workload, Bench::Variant variant, double batchSeconds) {
    workload.Run(variant);
    for (std::size_t runs = 1;; runs *= 2) {
        const Clock::time_point start = Clock::now();
        for (std::size_t run = 0; run < runs; ++run)
            workload.Run(variant);
        if (SecondsOf(Clock::now() - start) >= batchSeconds / 4)
            return runs;
    }
}

// Seconds per run over one batch: `runs` runs at a time until the batch lasted `batchSeconds`.
double TimeBatch(Bench::Workload& workload, Bench::Variant variant, std::size_t runs, double batchSeconds) {
    std::size_t done = 0;
    const Clock::time_point start = Clock::now();
    do {
        for (std::size_t run = 0; run < runs; ++run)
            workload.Run(variant);
        done += runs;
    } while (SecondsOf(Clock::now() - start) < batchSeconds);
    return SecondsOf(Clock::now() - start) / static_cast<double>(done);
}

} // namespace

int main(int argc, char** argv) {
    const std::string largestOption = "--largest=";
    std::size_t largest = SIZE_MAX;
    std::string filter;
    for (int index = 1; index < argc; ++index) {
        const std::string argument = argv[index];
        if (argument.rfind(largestOption, 0) == 0)
            largest = std::stoull(argument.substr(largestOption.size()));
        else
            filter = argument;
    }
    std::printf("{\n  \"context\": {\"harness\": \"timed\"},\n  \"benchmarks\": [");
    const char* separator = "\n";
    for (const Bench::Case& benchmarkCase : Bench::AllCases())
        for (std::size_t size : benchmarkCase.sizes) {
            const auto nameOf = [&](Bench::Variant variant) {
                return benchmarkCase.id + "/" + Bench::NameOf(variant) + "/" + std::to_string(size);
            };
            std::vector<Bench::Variant> variants;
            for (Bench::Variant variant : Bench::VariantsOf(benchmarkCase, size))
                if (size <= largest && nameOf(variant).find(filter) != std::string::npos)
                    variants.push_back(variant);
            if (variants.empty())
                continue;
            // The variants take turns, a batch each per round, so that a change of load meets them alike.
            const double batchSeconds = size >= 8000000 ? 0.15 : 0.05;
            const int rounds = size >= 8000000 ? 2 : 3;
            Bench::Workload& workload = Bench::Prepared(benchmarkCase, size);
            std::vector<std::size_t> runs;
            for (Bench::Variant variant : variants)
                runs.push_back(RunsPerBatch(workload, variant, batchSeconds));
            std::vector<double> fastest(variants.size(), 0.0);
            for (int round = 0; round < rounds; ++round)
                for (std::size_t index = 0; index < variants.size(); ++index) {
                    const double seconds = TimeBatch(workload, variants[index], runs[index], batchSeconds);
                    fastest[index] = round == 0 ? seconds : (std::min)(fastest[index], seconds);
                }
            for (std::size_t index = 0; index < variants.size(); ++index) {
                std::printf("%s    {\"name\": \"%s\", \"run_type\": \"iteration\", \"iterations\": %zu, "
                            "\"real_time\": %.3f, \"time_unit\": \"ns\", \"elements\": %zu, \"bytes\": %zu, "
                            "\"expected_ratio\": %g, \"expected_speedup\": %g}",
                            separator, nameOf(variants[index]).c_str(), runs[index], fastest[index] * 1e9,
                            size, workload.bytes, benchmarkCase.expected.ratioToLimit,
                            benchmarkCase.expected.speedupOverPeer);
                separator = ",\n";
            }
            std::fflush(stdout);
        }
    std::printf("\n  ]\n}\n");
    return 0;
}
