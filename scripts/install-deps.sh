#!/usr/bin/env bash
# Installs, from Debian's packages only, what building and testing the launcher needs:
# both MinGW-w64 cross compilers, Wine with 32-bit support, Xvfb, GoogleTest, the tools the
# tests use, and the release's packaging (wixl, msitools) and signing (osslsigncode) tools.
# Safe to run again: it does nothing when everything is already there.
set -euo pipefail

packages=(
    cmake ninja-build g++ libgtest-dev
    g++-mingw-w64-x86-64 g++-mingw-w64-i686 mingw-w64-tools
    wine wine64 wine32:i386 fonts-wine
    xvfb imagemagick
    python3 python3-pefile python3-pil
    clang-format clang-tidy zip
    wixl msitools python3-olefile osslsigncode openssl
)

missing=()
for package in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" || missing+=("$package")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
if ! dpkg --print-foreign-architectures | grep -qx i386; then
    $sudo dpkg --add-architecture i386
fi
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
