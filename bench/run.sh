#!/usr/bin/env bash
# Builds Pictoferry and its benchmarks in Release (build-bench/) and prints each benchmark as a ratio against
# its reference measured in the same run, with the minimum and the median of the runs.
#   bench/run.sh [runs]        runs: how many times each measurement is taken (default 5)
# Environment: BENCH_SIZE_MB, the size of the uploaded file (default 100).
set -euo pipefail
cd "$(dirname "$0")/.."

runs="${1:-5}"
scripts/install-deps.sh --bench
launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
cmake -S . -B build-bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DPICTOFERRY_TESTS=OFF -DPICTOFERRY_BENCH=ON \
    "${launcher[@]}" >/dev/null
cmake --build build-bench --target pictoferry bench_journal bench_barewindow bench_mapwatch bench_picture
exec python3 bench/bench.py --build build-bench --runs "$runs" --size-mb "${BENCH_SIZE_MB:-100}"
