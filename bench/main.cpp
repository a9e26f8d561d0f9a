// tsqlite_bench: the engine against hand-written SQLite on the same database files.
// Google Benchmark flags apply (--benchmark_filter=Proposal, --benchmark_repetitions=3 ...).
// After the runs, one "ratio engine/sqlite" line per pair.
#include <cstdio>
#include <exception>

#include "bench_support.h"

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    try {
        bench::runAndSummarize();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "tsqlite_bench: %s\n", e.what());
        benchmark::Shutdown();
        return 1;
    }
    benchmark::Shutdown();
    return 0;
}
