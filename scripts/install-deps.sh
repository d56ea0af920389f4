#!/usr/bin/env bash
# Installs what a fresh Debian 12 machine lacks to build and run Pictoferry (xdg-utils opens the journal
# page and links in the desktop's browser); with "--tests" also the HTTP proxy that the proxy tests start,
# openssl that makes the certificates of the TLS tests, the virtual display and clipboard tool of the
# clipboard test, GLib's MIME tools for the file-manager entries test, and clang with its libFuzzer runtime
# (libclang-rt-14-dev, only recommended by clang) for fuzz/run.sh; with "--bench" what bench/run.sh uses.
set -euo pipefail

packages=(cmake g++ ninja-build pkgconf qt6-base-dev qt6-translations-l10n libgif-dev libimagequant-dev libfontconfig-dev xdg-utils)
if [[ "${1:-}" == "--tests" ]]; then
    packages+=(tinyproxy openssl xvfb xauth xclip libglib2.0-bin desktop-file-utils shared-mime-info clang libclang-rt-14-dev)
elif [[ "${1:-}" == "--bench" ]]; then
    packages+=(python3 curl xvfb libxcb1-dev)
fi

missing=()
for package in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" || missing+=("$package")
done
[[ ${#missing[@]} -eq 0 ]] && exit 0

sudo=""
if [[ $(id -u) -ne 0 ]]; then
    # A Debian installed with a root password has no sudo: say what to do instead of "command not found".
    if ! command -v sudo >/dev/null; then
        echo "Missing packages: ${missing[*]}" >&2
        echo "Install them as root (su -c 'apt-get install ${missing[*]}') or run this script as root." >&2
        exit 1
    fi
    sudo="sudo"
fi
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -q
$sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
