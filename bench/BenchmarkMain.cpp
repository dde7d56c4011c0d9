// The suite under Google Benchmark: one benchmark per case, size and variant, named id/variant/elements,
// the variants of one case and size running one after another over the same input, in a few rounds
// (library, limit, peer, library, limit, peer, ...) so that a change of load on the machine meets them
// alike; the report takes each one's fastest round.
//   bench_conversions [Google Benchmark options]
//   bench_conversions --peak=ID     peak memory of one reader at its largest size (run once per process)
//   bench_conversions --list        id<TAB>title of every case
#include "PeakMemory.h"
#include "Workload.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <string>

namespace {

// Large inputs take long per run: fewer, longer rounds keep the whole suite within minutes.
int RoundsFor(std::size_t size) {
    return size >= 8000000 ? 2 : 4;
}

void Configure(benchmark::internal::Benchmark& benchmark, std::size_t size) {
    benchmark.Unit(benchmark::kMicrosecond)->MinTime(size >= 8000000 ? 0.2 : 0.05);
}

void Register(const Bench::Case& benchmarkCase, std::size_t size, Bench::Variant variant) {
    const std::string name = benchmarkCase.id + "/" + Bench::NameOf(variant) + "/" + std::to_string(size);
    auto* benchmark =
        benchmark::RegisterBenchmark(name.c_str(), [&benchmarkCase, size, variant](benchmark::State& state) {
            Bench::Workload& workload = Bench::Prepared(benchmarkCase, size);
            for (auto _ : state)
                workload.Run(variant);
            state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * workload.bytes));
            state.counters["elements"] = static_cast<double>(size);
            state.counters["bytes"] = static_cast<double>(workload.bytes);
            state.counters["expected_ratio"] = benchmarkCase.expected.ratioToLimit;
            state.counters["expected_speedup"] = benchmarkCase.expected.speedupOverPeer;
        });
    Configure(*benchmark, size);
}

} // namespace

int main(int argc, char** argv) {
    constexpr const char* peakOption = "--peak=";
    if (argc == 2 && std::strncmp(argv[1], peakOption, std::strlen(peakOption)) == 0)
        return Bench::PrintPeakMemory(argv[1] + std::strlen(peakOption)) ? 0 : 1;
    if (argc == 2 && std::strcmp(argv[1], "--list") == 0) {
        for (const Bench::Case& benchmarkCase : Bench::AllCases())
            std::printf("%s\t%s\t%s\n", benchmarkCase.id.c_str(), benchmarkCase.title.c_str(),
                        benchmarkCase.freshOutput ? "reader" : "other");
        return 0;
    }

    for (const Bench::Case& benchmarkCase : Bench::AllCases())
        for (std::size_t size : benchmarkCase.sizes)
            for (int round = 0; round < RoundsFor(size); ++round)
                for (Bench::Variant variant : Bench::VariantsOf(benchmarkCase, size))
                    Register(benchmarkCase, size, variant);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
