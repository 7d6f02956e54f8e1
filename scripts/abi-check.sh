#!/usr/bin/env bash
# ABI guard of libport_cfg_cli.so: compares built libraries with the committed
# baselines (abi/port_cfg_cli.<processor>.abi, written by libabigail's abidw)
# and fails on any change abidiff reports.
#   scripts/abi-check.sh [BUILD_DIR...]  compare the libraries of these builds
#                                        (default: builds the native and the
#                                        PowerPC library in build/abi/ first)
#   scripts/abi-check.sh --update        rewrite the baselines from build/abi/
#   scripts/abi-check.sh --self-test     prove the check fires: a copy of the
#                                        sources with one exported record
#                                        widened must fail it
#
# The comparison takes every type reachable from the exported symbols and
# filters nothing by header folder: a baseline without source locations
# compared with --hd2 counts every one of its types as private and passes a
# real change. Every non-zero abidiff status fails (a change of any kind, not
# only an incompatible one); a library or baseline without type information
# fails too, since comparing symbols alone passes a changed record.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
scripts/setup.sh abi
jobs=${JOBS:-$(nproc)}

baseline_of() {  # <library>: the baseline for the library's processor
    local machine
    machine=$(readelf -h "$1" | sed -n 's/^ *Machine: *//p')
    case "$machine" in
        PowerPC) echo "$root/abi/port_cfg_cli.powerpc.abi" ;;
        "Advanced Micro Devices X86-64") echo "$root/abi/port_cfg_cli.x86_64.abi" ;;
        *) echo "abi-check: no baseline for processor '$machine'" >&2; return 1 ;;
    esac
}

build_library() {  # <build dir> [cmake options...]: configure, build the library only
    local dir=$1 src=${SRC:-$root}
    shift
    cmake -S "$src" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DPCFG_BUILD_TESTS=OFF \
        "$@" >/dev/null
    cmake --build "$dir" -j "$jobs" --target port_cfg_cli >/dev/null
}

build_own() {  # the native and the PowerPC library, with debug information
    echo "== abi: build the native and the PowerPC library (build/abi)"
    build_library build/abi/native
    build_library build/abi/ppc --toolchain "$root/cmake/toolchain-powerpc.cmake"
}

check_build() {  # <build dir>: 0 when its library matches its baseline
    local lib=$1/libport_cfg_cli.so baseline report status=0
    if [[ ! -e $lib ]]; then
        echo "abi-check: $lib: no library (build the port_cfg_cli target first)"
        return 1
    fi
    lib=$(readlink -f "$lib")
    baseline=$(baseline_of "$lib") || return 1
    # The section list is read whole before it is searched: with pipefail,
    # grep -q leaving early would end readelf with SIGPIPE and fail a
    # library that has its debug information.
    if [[ $(readelf -S "$lib") != *' .debug_info '* ]]; then
        echo "abi-check: $lib has no debug information (build with -g, e.g. RelWithDebInfo)"
        return 1
    fi
    if ! grep -q "name='cli_param_block'" "$baseline"; then
        echo "abi-check: $baseline holds no types (was it written from a library without -g?)"
        return 1
    fi
    report=$(abidiff --exported-interfaces-only --no-default-suppression --fail-no-debug-info \
        "$baseline" "$lib") || status=$?
    if ((status != 0)); then
        echo "abi-check: $lib differs from ${baseline#"$root"/} (abidiff status $status):"
        echo "$report"
        return 1
    fi
    echo "abi-check: $lib matches ${baseline#"$root"/}"
}

update() {
    build_own
    local dir lib baseline
    for dir in build/abi/native build/abi/ppc; do
        lib=$(readlink -f "$dir/libport_cfg_cli.so")
        baseline=$(baseline_of "$lib")
        abidw --exported-interfaces-only --no-corpus-path --no-comp-dir-path --short-locs \
            --type-id-style hash --out-file "$baseline" "$lib"
        echo "abi-check: wrote ${baseline#"$root"/}"
    done
}

self_test() {
    local copy=build/abi/self-test header output status=0
    local field='uint32_t second_word;' widened='uint64_t second_word;'
    echo "== abi: self-test (hist_timestamp.second_word widened must fail the check)"
    rm -rf "$copy"
    mkdir -p "$copy/src"
    cp -r CMakeLists.txt cmake include src platform programs "$copy/src/"
    header=$copy/src/include/port_cfg_cli.h
    if ! grep -qF "$field" "$header"; then
        echo "abi-check self-test: '$field' is not in port_cfg_cli.h: choose another record"
        return 1
    fi
    sed -i "s/$field/$widened/" "$header"
    SRC=$copy/src build_library "$copy/build"
    output=$("$0" "$copy/build" 2>&1) || status=$?
    if ((status == 0)) || ! grep -q 'second_word' <<<"$output"; then
        echo "$output"
        echo "abi-check self-test FAILED: the widened field passed the check"
        return 1
    fi
    echo "abi-check self-test: the widened field fails the check, as it must"
    rm -rf "$copy"
}

case "${1:-}" in
    --update) update; exit ;;
    --self-test) self_test; exit ;;
    -*) sed -n '2,12p' "$0"; exit 2 ;;
esac

dirs=("$@")
if ((${#dirs[@]} == 0)); then
    build_own
    dirs=(build/abi/native build/abi/ppc)
fi
failed=0
for dir in "${dirs[@]}"; do
    check_build "$dir" || failed=1
done
if ((failed)); then
    echo "abi-check: ABI changed. If on purpose, see README \"Using the library in a card build\"."
fi
exit "$failed"
