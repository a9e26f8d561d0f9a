#!/usr/bin/env bash
# Builds the embedded server's shell and runs the demo script on a fresh demo server.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")"
source scripts/deps.sh
ensure_deps

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j "$(nproc 2>/dev/null || echo 2)" --target tsqlite_shell

rm -rf ./server-demo
exec build/tsqlite -S ./server-demo --create-server -b -i demo/demo.sql
