// tsqlite_bench: the engine against hand-written SQLite on the same database files.
// Google Benchmark flags apply (--benchmark_filter=Proposal, --benchmark_repetitions ...).
// After the runs, one "ratio engine/sqlite" line per pair.
#include <cstdio>
#include <cstring>
#include <exception>
#include <vector>

#include "bench_support.h"

int main(int argc, char** argv) {
    // Defaults for a shared machine, each overridden by an explicit flag: five repetitions of
    // every benchmark, reported as their median, run interleaved in random order so that a
    // busy spell does not fall on the engine or on its baseline only.
    static char repetitions[] = "--benchmark_repetitions=5";
    static char aggregatesOnly[] = "--benchmark_display_aggregates_only=true";
    static char interleave[] = "--benchmark_enable_random_interleaving=true";
    std::vector<char*> args(argv, argv + argc);
    for (char* flag : {repetitions, aggregatesOnly, interleave}) {
        const size_t nameLength = std::strchr(flag, '=') - flag;
        bool given = false;
        for (int i = 1; i < argc; ++i)
            given = given || (std::strncmp(argv[i], flag, nameLength) == 0 &&
                              (argv[i][nameLength] == '=' || argv[i][nameLength] == 0));
        if (!given) args.insert(args.begin() + 1, flag);
    }
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
