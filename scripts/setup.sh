#!/usr/bin/env bash
# Installs what the build needs on a fresh machine, only where it is missing
# (apt-get update, then apt-get install; as root, else through sudo).
#   scripts/setup.sh native   compiler, CMake, Ninja, GoogleTest sources, libedit (pcfg line editing),
#                             python3-jsonschema (the JSON schema check), jq (the README's examples)
#   scripts/setup.sh all      the above, plus the PowerPC cross compiler and qemu, clang with
#                             its libFuzzer and sanitizer runtimes (the fuzz preset), valgrind,
#                             libabigail and the package set's tools; as root, qemu-ppc registered
#                             with the kernel's binfmt_misc (PowerPC programs that start others)
#   scripts/setup.sh fuzz     the native set, plus clang with its runtimes and nlohmann-json (the
#                             strict JSON parser of the fuzz targets)
#   scripts/setup.sh bench    the native set, plus the PowerPC cross compiler, Google Benchmark,
#                             valgrind and python3
#   scripts/setup.sh memcheck the native set, plus valgrind
#   scripts/setup.sh coverage the native set, plus gcovr
#   scripts/setup.sh abi      the native set, plus the PowerPC cross compiler, qemu and libabigail
#   scripts/setup.sh headers  the native set, plus the PowerPC cross compiler and clang
#   scripts/setup.sh package  the native set, plus the PowerPC cross compiler, qemu, pkg-config,
#                             dpkg's package tools, fakeroot, lintian and help2man (the
#                             packages' manual pages)
#
# PCFG_NO_INSTALL=1  install nothing: list what is missing and fail when anything is
#                    (a build machine without root, or whose software is installed by others)
# PCFG_PPC_PREFIX    a PowerPC compiler of one's own (see cmake/toolchain-powerpc.cmake):
#                    its gcc and g++ must be there, Debian's cross compiler is not wanted
set -euo pipefail

cross=g++-powerpc-linux-gnu
want=(cmake ninja-build g++ googletest pkg-config libedit-dev python3-jsonschema jq)
case "${1:-native}" in
    all) want+=("$cross" qemu-user clang libclang-rt-14-dev llvm valgrind
                abigail-tools pkgconf dpkg-dev fakeroot lintian help2man nlohmann-json3-dev) ;;
    fuzz) want+=(clang libclang-rt-14-dev llvm nlohmann-json3-dev) ;;
    bench) want+=("$cross" qemu-user libbenchmark-dev valgrind python3) ;;
    memcheck) want+=(valgrind) ;;
    coverage) want+=(gcovr) ;;
    abi) want+=("$cross" qemu-user abigail-tools) ;;
    headers) want+=("$cross" clang) ;;
    package) want+=("$cross" qemu-user pkgconf dpkg-dev fakeroot lintian help2man) ;;
esac

missing=() absent=()
for pkg in "${want[@]}"; do
    if [[ $pkg == "$cross" && -n ${PCFG_PPC_PREFIX:-} && $PCFG_PPC_PREFIX != powerpc-linux-gnu- ]]; then
        for tool in gcc g++; do
            command -v "$PCFG_PPC_PREFIX$tool" >/dev/null || absent+=("$PCFG_PPC_PREFIX$tool")
        done
        continue
    fi
    dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q "install ok installed" || missing+=("$pkg")
done
if ((${#absent[@]})); then
    echo "setup: not found: ${absent[*]} (PCFG_PPC_PREFIX=$PCFG_PPC_PREFIX)" >&2
    exit 1
fi
if ((${#missing[@]})); then
    if [[ ${PCFG_NO_INSTALL:-0} != 0 ]]; then
        echo "setup: missing (PCFG_NO_INSTALL is set, so nothing was installed): ${missing[*]}" >&2
        echo "setup: install them with: apt-get install ${missing[*]}" >&2
        exit 1
    fi
    echo "setup: installing ${missing[*]}"
    sudo=""
    [[ $(id -u) -eq 0 ]] || sudo="sudo"
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}" >/dev/null
fi

# A PowerPC program that starts another (pcfg starting pcfg-card) needs the
# kernel to hand PowerPC programs to qemu-ppc: binfmt_misc with qemu-ppc
# registered. Registered here where the kernel allows it (as root, with
# binfmt_misc mounted, or mountable); the test command says when it is not.
register_ppc() {
    local misc=/proc/sys/fs/binfmt_misc qemu
    [[ -e $misc/qemu-ppc ]] && grep -qx enabled "$misc/qemu-ppc" && return 0
    [[ $(id -u) -eq 0 && ${PCFG_NO_INSTALL:-0} == 0 ]] || return 0
    qemu=$(command -v qemu-ppc) || return 0
    [[ -e $misc/register ]] || mount -t binfmt_misc binfmt_misc "$misc" 2>/dev/null || return 0
    if [[ -e $misc/qemu-ppc ]]; then
        echo 1 >"$misc/qemu-ppc" 2>/dev/null || true
        return 0
    fi
    # 32-bit big-endian ELF executables and shared objects for the PowerPC.
    local magic='\x7fELF\x01\x02\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x14'
    local mask='\xff\xff\xff\xff\xff\xff\xff\x00\xff\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff'
    echo "setup: registering $qemu for PowerPC programs (binfmt_misc)"
    echo ":qemu-ppc:M::$magic:$mask:$qemu:F" >"$misc/register" 2>/dev/null || true
}
case "${1:-native}" in
    all) register_ppc ;;
esac
