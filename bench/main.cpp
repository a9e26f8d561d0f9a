// tsqlite_bench: the engine against hand-written SQLite on the same database files.
// Google Benchmark flags apply (--benchmark_filter=Proposal, --benchmark_repetitions ...).
// After the runs, one "ratio engine/sqlite" line per pair.
#include <cstdio>
#include <cstring>
#include <exception>
#include <vector>

#include "bench_support.h"

int main(int argc, char** argv) {
    // Repetitions of the engine and of its baseline run interleaved in random order, so that
    // a busy spell on the machine does not fall on one side only. An explicit flag wins.
    std::vector<char*> args(argv, argv + argc);
    static char interleave[] = "--benchmark_enable_random_interleaving=true";
    bool given = false;
    for (int i = 1; i < argc; ++i)
        given = given || std::strncmp(argv[i], "--benchmark_enable_random_interleaving", 38) == 0;
    if (!given) args.insert(args.begin() + 1, interleave);
    int n = static_cast<int>(args.size());
    args.push_back(nullptr);

    benchmark::Initialize(&n, args.data());
    if (benchmark::ReportUnrecognizedArguments(n, args.data())) return 1;
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
