#!/usr/bin/env bash
# Installs, through apt-get, the packages the build and the tests need, when
# any of them is missing. Safe to run again: it does nothing when all are there.
set -euo pipefail

packages=(cmake ninja-build g++ g++-mingw-w64-x86-64-posix wine wine64 googletest libgtest-dev
          openjdk-17-jdk-headless openjdk-17-jre xvfb python3)

missing=()
for package in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" || missing+=("$package")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo=""
[ "$(id -u)" -eq 0 ] || sudo=sudo
$sudo apt-get update -q
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q "${missing[@]}"
