#!/usr/bin/env bash
# Builds everything, runs the tests, then fuzzes the T-SQL parser and the spreadsheet readers
# for a short while.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")"
source scripts/deps.sh
ensure_deps

jobs=$(nproc 2>/dev/null || echo 2)
werror=OFF
if [ "${CI:-}" = "true" ]; then
    werror=ON
fi

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DWARNINGS_AS_ERRORS="$werror"
cmake --build build -j "$jobs"
ctest --test-dir build --output-on-failure -j2

# The parser must survive any input: a short libFuzzer run on the seed corpus. The seeds are
# copied so the run's discoveries do not land in the source tree.
cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
    -DBUILD_FUZZERS=ON -DBUILD_BENCHMARKS=OFF -DWARNINGS_AS_ERRORS="$werror"
cmake --build build-fuzz -j "$jobs" --target fuzz_parser fuzz_engine fuzz_xlsx fuzz_xls \
    fuzz_report_template fuzz_report_expression fuzz_tds
corpus=build-fuzz/corpus
rm -rf "$corpus"
mkdir -p "$corpus"
cp fuzz/corpus/* "$corpus"/
build-fuzz/fuzz_parser -max_total_time=30 -runs=2000000 -max_len=4096 -timeout=10 \
    -rss_limit_mb=2048 -artifact_prefix=build-fuzz/ "$corpus"
# The engine must answer any batch with rows or an error: the same seeds, run for real.
rm -rf "$corpus"
mkdir -p "$corpus"
cp fuzz/corpus/* "$corpus"/
build-fuzz/fuzz_engine -max_total_time=30 -max_len=2048 -timeout=10 \
    -rss_limit_mb=4096 -artifact_prefix=build-fuzz/ "$corpus"
# The spreadsheet readers must answer any file with a sheet or an error; seeded with small
# workbooks that LibreOffice wrote (one .xlsx with its parts stored, so that mutations reach
# the XML).
for format in xlsx xls; do
    rm -rf "$corpus"
    mkdir -p "$corpus"
    cp "fuzz/corpus_$format"/* "$corpus"/
    "build-fuzz/fuzz_$format" -max_total_time=30 -max_len=16384 -timeout=10 \
        -rss_limit_mb=2048 -artifact_prefix=build-fuzz/ "$corpus"
done
# The report template reader and the expression language must answer any input with a result
# or an error; seeded with the demo templates and typical texts.
for target in fuzz_report_template fuzz_report_expression; do
    rm -rf "$corpus"
    mkdir -p "$corpus"
    cp fuzz/corpus_report/* "$corpus"/
    "build-fuzz/$target" -max_total_time=30 -max_len=8192 -timeout=10 \
        -rss_limit_mb=2048 -artifact_prefix=build-fuzz/ "$corpus"
done
# The TDS listener's readers must answer any byte stream with messages or a protocol error.
rm -rf "$corpus"
mkdir -p "$corpus"
cp fuzz/corpus_tds/* "$corpus"/
build-fuzz/fuzz_tds -max_total_time=30 -max_len=4096 -timeout=10 \
    -rss_limit_mb=2048 -artifact_prefix=build-fuzz/ "$corpus"
echo "test.sh: all passed"
