#!/usr/bin/env bash
# Benchmark: the clipboard window's three-format measurement (JPEG, GIF, PNG) of a 1920x1080
# screenshot-like picture against ImageMagick writing the same three files. Builds a release build in
# build-bench/ and prints the time ratio and each format's size ratio with the PSNR of both files.
# Needs ImageMagick (apt-get install imagemagick); IMAGEMAGICK=/path/to/convert picks one.
set -euo pipefail
cd "$(dirname "$0")/.."

find_convert() {
    for candidate in "${IMAGEMAGICK:-}" magick convert-im6.q16 /usr/bin/convert convert; do
        [[ -n "$candidate" ]] || continue
        if command -v "$candidate" >/dev/null && "$candidate" -version 2>/dev/null | grep -q ImageMagick; then
            command -v "$candidate"
            return 0
        fi
    done
    return 1
}
convert=$(find_convert) || { echo "ImageMagick is missing: apt-get install imagemagick" >&2; exit 1; }

cmake -S . -B build-bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DPICTOFERRY_TESTS=OFF -DPICTOFERRY_BENCH=ON >/dev/null
cmake --build build-bench --target clipboard_formats >/dev/null
QT_QPA_PLATFORM=offscreen build-bench/bench/clipboard_formats "$convert" "${1:-3}"
