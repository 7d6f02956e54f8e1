#!/usr/bin/env bash
# Installs what the build needs on a fresh machine, only where it is missing.
#   scripts/setup.sh native   compiler, CMake, Ninja, GoogleTest sources
#   scripts/setup.sh fuzz     the above, plus clang with its libFuzzer and
#                             sanitizer runtimes (the fuzz preset)
#   scripts/setup.sh all      all of the above, plus the PowerPC cross compiler and qemu
set -euo pipefail

want=(cmake ninja-build g++ googletest)
if [[ "${1:-native}" == all || "${1:-native}" == fuzz ]]; then
    want+=(clang libclang-rt-14-dev llvm)
fi
if [[ "${1:-native}" == all ]]; then
    want+=(g++-powerpc-linux-gnu qemu-user)
fi

missing=()
for pkg in "${want[@]}"; do
    dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q "install ok installed" || missing+=("$pkg")
done
if ((${#missing[@]})); then
    echo "setup: installing ${missing[*]}"
    sudo=""
    [[ $(id -u) -eq 0 ]] || sudo="sudo"
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}" >/dev/null
fi
