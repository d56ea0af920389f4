#!/usr/bin/env bash
# Builds Pictoferry and starts it from its program folder (build/program). Arguments go to the program.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DPICTOFERRY_TESTS=OFF
cmake --build build --target pictoferry
if [[ -z "${DISPLAY:-}" && -z "${WAYLAND_DISPLAY:-}" && -z "${QT_QPA_PLATFORM:-}" ]]; then
    echo "No display found: starting with QT_QPA_PLATFORM=offscreen" >&2
    export QT_QPA_PLATFORM=offscreen
fi
exec build/program/pictoferry "$@"
