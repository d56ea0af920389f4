#!/usr/bin/env bash
# Builds Pictoferry with warnings as errors, AddressSanitizer and UndefinedBehaviorSanitizer, and runs
# every test, then gives each fuzzing target a short run. Tests need no display: they run on Qt's offscreen
# platform.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh --tests
cmake -S . -B build-tests -G Ninja -DCMAKE_BUILD_TYPE=Debug -DPICTOFERRY_WERROR=ON -DPICTOFERRY_SANITIZE=ON
cmake --build build-tests
(cd build-tests && QT_QPA_PLATFORM=offscreen ctest --output-on-failure --timeout 600 -j2)
# A few seconds per fuzzing target (clang, in build-fuzz): a target that no longer builds or breaks at once.
# The seed is fixed: every run tries the same inputs in the same order, so what it finds can be found
# again by hand. Longer runs with fresh seeds are for fuzz/run.sh by hand.
PICTOFERRY_FUZZ_SEED=1 fuzz/run.sh 5
