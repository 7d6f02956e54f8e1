#!/usr/bin/env bash
# Installs what the build needs on a fresh machine, only where it is missing.
#   scripts/setup.sh native   compiler, CMake, Ninja, GoogleTest sources, libedit (pcfg line editing),
#                             python3-jsonschema (the JSON schema check), jq (the README's examples)
#   scripts/setup.sh all      the above, plus the PowerPC cross compiler and qemu, and clang
#                             with its libFuzzer and sanitizer runtimes (the fuzz preset)
#   scripts/setup.sh fuzz     the native set, plus clang with its runtimes
#   scripts/setup.sh bench    the native set, plus the PowerPC cross compiler, Google Benchmark,
#                             valgrind and python3
#   scripts/setup.sh memcheck the native set, plus valgrind
#   scripts/setup.sh coverage the native set, plus gcovr
#   scripts/setup.sh abi      the native set, plus the PowerPC cross compiler and libabigail
#   scripts/setup.sh package  the native set, plus the PowerPC cross compiler, qemu and pkg-config
set -euo pipefail

want=(cmake ninja-build g++ googletest pkg-config libedit-dev python3-jsonschema jq)
case "${1:-native}" in
    all) want+=(g++-powerpc-linux-gnu qemu-user clang libclang-rt-14-dev llvm valgrind
                abigail-tools pkgconf nlohmann-json3-dev) ;;
    fuzz) want+=(clang libclang-rt-14-dev llvm nlohmann-json3-dev) ;;
    bench) want+=(g++-powerpc-linux-gnu qemu-user libbenchmark-dev valgrind python3) ;;
    memcheck) want+=(valgrind) ;;
    coverage) want+=(gcovr) ;;
    abi) want+=(g++-powerpc-linux-gnu abigail-tools) ;;
    package) want+=(g++-powerpc-linux-gnu qemu-user pkgconf) ;;
esac

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
