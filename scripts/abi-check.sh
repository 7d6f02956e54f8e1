#!/usr/bin/env bash
# ABI guard of libport_cfg_cli.so: compares built libraries and their
# installed headers with the committed baselines, per processor:
#   abi/port_cfg_cli.<processor>.abi        the exported interface (libabigail's abidw)
#   abi/port_cfg_cli.<processor>.constants  every enumerator and macro of the
#                                           public headers (scripts/abi-constants.sh)
# and holds the version in project() to what changed since the baselines:
# nothing, or a compatible addition with the minor version raised, or an
# incompatible change with the major version (so the SONAME) raised.
#   scripts/abi-check.sh [BUILD_DIR...]         check these builds (default: builds
#                                               the native and the PowerPC library
#                                               in build/abi/ first)
#   scripts/abi-check.sh --update [BUILD_DIR...] rewrite the baselines from these
#                                               builds (default: build/abi/ as above)
#   scripts/abi-check.sh --self-test            plant changes in a copy of the
#                                               sources; each must get its verdict
#
# What counts as what:
#   - abidiff's status: bit 8 is an incompatible change (a symbol removed);
#     bit 4 alone is some change, and a changed record or signature sets only
#     that bit, so its report decides: additions only (added functions or
#     variables, nothing removed or changed) is a compatible addition,
#     anything else is incompatible;
#   - a constant line of the baseline that changed or went is incompatible, a
#     new line is an addition. The version macros are the version itself: the
#     baseline's give the version the baselines were recorded at.
# The comparison takes every type reachable from the exported symbols and
# filters nothing by header folder: a baseline without source locations
# compared with --hd2 counts every one of its types as private and passes a
# real change. A library or baseline without type information fails, since
# comparing symbols alone passes a changed record.
set -euo pipefail
caller=$PWD
cd "$(dirname "$0")/.."
root=$PWD
self=$root/scripts/abi-check.sh
# shellcheck source=scripts/lib/build-target.sh
source scripts/lib/build-target.sh
scripts/setup.sh abi
jobs=${JOBS:-$(nproc)}
version_macros='^macro PORT_CFG_CLI_VERSION_'

baseline_of() {  # <library>: the baselines' path for the library's processor, without suffix
    local machine
    machine=$(readelf -h "$1" | sed -n 's/^ *Machine: *//p')
    case "$machine" in
        PowerPC) echo "$root/abi/port_cfg_cli.powerpc" ;;
        "Advanced Micro Devices X86-64") echo "$root/abi/port_cfg_cli.x86_64" ;;
        *) echo "abi-check: no baseline for processor '$machine'" >&2; return 1 ;;
    esac
}

build_library() {  # <build dir> [cmake options...]: configure, build the library only
    local dir=$1 src=${SRC:-$root}
    shift
    cmake -S "$src" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE="${BUILD_TYPE:-RelWithDebInfo}" \
        -DPCFG_BUILD_TESTS=OFF "$@" >/dev/null
    cmake --build "$dir" -j "$jobs" --target port_cfg_cli >/dev/null
}

build_own() {  # the native and the PowerPC library, with debug information
    echo "== abi: build the native and the PowerPC library (build/abi)"
    build_library build/abi/native
    build_library build/abi/ppc --toolchain "$root/cmake/toolchain-powerpc.cmake"
}

abi_change() {  # <abidiff status> <report>: none, addition or incompatible
    local status=$1 report=$2
    if ((status & 3)); then
        echo "abi-check: abidiff failed (status $status):" >&2
        echo "$report" >&2
        return 1
    fi
    if ((status == 0)); then
        echo none
    elif ((status & 8)) || grep -Eq '[1-9][0-9]* (Removed|Changed)|^ELF ' <<<"$report"; then
        echo incompatible
    else
        echo addition
    fi
}

constant_changes() {  # <baseline> <current>: one line per difference, version macros left out
    local before after
    before=$(grep -Ev "$version_macros" "$1")
    after=$(grep -Ev "$version_macros" "$2")
    # A line's key is everything before its value.
    awk 'function key(l) { sub(/ = .*/, "", l); sub(/\(.*/, "", l); return l }
         NR == FNR { if ($0 != "") old[key($0)] = $0; next }
         $0 != "" { k = key($0); if (!(k in old)) print "added:   " $0
                    else if (old[k] != $0) print "changed: " old[k] "  ->  " $0
                    delete old[k] }
         END { for (k in old) print "removed: " old[k] }' <(echo "$before") <(echo "$after") | LC_ALL=C sort
}

baseline_version() {  # <constants baseline>: the version its macros name
    local field
    for field in MAJOR MINOR PATCH; do
        sed -n "s/^macro PORT_CFG_CLI_VERSION_$field = \([0-9]*\).*/\1/p" "$1"
    done | paste -sd.
}

version_field() {  # <version> <field 1-3>
    cut -d. -f"$2" <<<"$1"
}

check_build() {  # <build dir>: 0 when what changed since the baselines fits the version
    local build=$1 lib baseline report status=0 abi constants current changes change=none
    local was now major minor
    lib=$build/libport_cfg_cli.so
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
    if ! grep -q "name='cli_param_block'" "$baseline.abi"; then
        echo "abi-check: $baseline.abi holds no types (was it written from a library without -g?)"
        return 1
    fi
    report=$(abidiff --exported-interfaces-only --no-default-suppression --fail-no-debug-info \
        "$baseline.abi" "$lib") || status=$?
    abi=$(abi_change "$status" "$report") || return 1
    current=$(scripts/abi-constants.sh "$build") || return 1
    changes=$(constant_changes "$baseline.constants" <(echo "$current"))
    constants=none
    if grep -q '^removed\|^changed' <<<"$changes"; then
        constants=incompatible
    elif [[ -n $changes ]]; then
        constants=addition
    fi
    [[ $abi == addition || $constants == addition ]] && change=addition
    [[ $abi == incompatible || $constants == incompatible ]] && change=incompatible

    was=$(baseline_version "$baseline.constants")
    now=$(cache_value "$build" CMAKE_PROJECT_VERSION)
    major=$(($(version_field "$now" 1) - $(version_field "$was" 1)))
    minor=$(($(version_field "$now" 2) - $(version_field "$was" 2)))
    local name=${lib#"$root"/} base=${baseline#"$root"/}
    if [[ $change == none ]]; then
        echo "abi-check: $name matches $base.{abi,constants} (version $now, baselines at $was)"
        return 0
    fi
    [[ $abi == none ]] || { echo "-- abidiff $base.abi $name (status $status):"; echo "$report"; }
    [[ $constants == none ]] || { echo "-- constants against $base.constants:"; echo "$changes"; }
    if [[ $change == incompatible ]] && ((major <= 0)); then
        echo "abi-check: $name: an incompatible change since version $was: raise the major version" \
            "in project() to $(($(version_field "$was" 1) + 1)).0.0 (the SONAME becomes" \
            "libport_cfg_cli.so.$(($(version_field "$was" 1) + 1))), or undo the change"
        return 1
    fi
    if [[ $change == addition ]] && ! ((major > 0 || major == 0 && minor > 0)); then
        echo "abi-check: $name: a compatible addition since version $was: raise the minor version" \
            "in project() to $(version_field "$was" 1).$(($(version_field "$was" 2) + 1)).0"
        return 1
    fi
    echo "abi-check: $name: an allowed $change since version $was (version $now);" \
        "record it with scripts/abi-check.sh --update"
}

update() {  # <build dir>...
    local dir lib baseline
    for dir in "$@"; do
        lib=$(readlink -f "$dir/libport_cfg_cli.so")
        baseline=$(baseline_of "$lib")
        abidw --exported-interfaces-only --no-corpus-path --no-comp-dir-path --short-locs \
            --type-id-style hash --out-file "$baseline.abi" "$lib"
        scripts/abi-constants.sh "$dir" >"$baseline.constants"
        echo "abi-check: wrote ${baseline#"$root"/}.{abi,constants}"
    done
}

# ------------------------------------------------------------------ self-test
# One copy of the sources and one build of it (Debug: the fastest build that
# has the type information); each planted change is made, built, checked
# and taken back, so the library is rebuilt only as far as the change reaches.
copy=build/abi/self-test

plant() {  # <file> <sed expression>: change the copy's file, which must change
    local file=$copy/src/$1
    [[ -e $file.orig ]] || cp "$file" "$file.orig"
    sed -i "$2" "$file"
    if cmp -s "$file" "$file.orig"; then
        echo "abi-check self-test: '$2' changes nothing in $1: choose another change"
        return 1
    fi
}

unplant() {  # take every planted change back
    local orig
    while IFS= read -r orig; do
        mv "$orig" "${orig%.orig}"
    done < <(find "$copy/src" -name '*.orig')
    rm -f "$copy/src/src/common/planted_entry.cpp"
}

expect() {  # <what> <pass|fail> <text the output must hold>: build the copy, check it
    local what=$1 want=$2 text=$3 output status=0
    BUILD_TYPE=Debug SRC=$copy/src build_library "$copy/build"
    output=$("$self" "$copy/build" 2>&1) || status=$?
    if [[ $want == pass && $status != 0 || $want == fail && $status == 0 ]] ||
        ! grep -qF -- "$text" <<<"$output"; then
        echo "$output"
        echo "abi-check self-test FAILED: $what: expected to $want, saying \"$text\""
        return 1
    fi
    if [[ $want == pass ]]; then want=passes; else want=fails; fi
    echo "abi-check self-test: $what: $want, as it must"
    # The change the check found (none for the sources as they are), and its verdict.
    { grep -E -m1 '^(changed|added|removed): |^  \[[ACD]\] ' <<<"$output" || true; } | sed 's/^ */   /'
    grep -F -m1 -- "$text" <<<"$output" | sed -E 's/^abi-check: [^ :]+:? /   /'
}

self_test() {
    local version major minor raise
    echo "== abi: self-test (changes planted in a copy of the sources, each checked)"
    rm -rf "$copy"
    mkdir -p "$copy/src"
    tar -c --exclude=./build --exclude=./.git . | tar -x -C "$copy/src"
    version=$(sed -n 's/^project(port_cfg_cli VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
    major=$(version_field "$version" 1)
    minor=$(version_field "$version" 2)
    raise="$((major + 1)).0.0"

    expect "the sources as they are" pass "matches"
    plant include/port_cfg_cli.h 's/X(PCFG_CMD_CREDIT_TBL_2, 26,/X(PCFG_CMD_CREDIT_TBL_2, 27,/'
    expect "command 26 renumbered to 27" fail "major version in project() to $raise"
    unplant
    plant include/port_cfg_cli.h 's/PCFG_PARAM_PORT = 12,/PCFG_PARAM_PORT = 13,/'
    expect "the port parameter renumbered from 12 to 13" fail "major version in project() to $raise"
    unplant
    plant include/port_cfg_cli.h 's/#define PCFG_LOGGED_MSG_HDR_LEN 48u/#define PCFG_LOGGED_MSG_HDR_LEN 52u/'
    expect "PCFG_LOGGED_MSG_HDR_LEN 48 changed to 52" fail "major version in project() to $raise"
    unplant
    plant include/pcfg_platform.h '/#define MTS_CLIENT_BIND_OPTIONS/s/0x400u/0x800u/'
    expect "MTS_CLIENT_BIND_OPTIONS 0x400 changed to 0x800" fail "major version in project() to $raise"
    unplant
    plant include/port_cfg_cli.h 's/uint32_t second_word;/uint64_t second_word;/'
    expect "hist_timestamp.second_word widened" fail "major version in project() to $raise"
    unplant

    # An added function: declared, defined and exported.
    plant include/port_cfg_cli.h 's/^PCFG_API double rate_value(double rate) PCFG_NOEXCEPT;/&\nPCFG_API int pcfg_planted_entry(void) PCFG_NOEXCEPT;/'
    plant cmake/port_cfg_cli.map 's/^  global:/&\n    pcfg_planted_entry;/'
    printf '#include "port_cfg_cli.h"\nextern "C" int pcfg_planted_entry(void) noexcept { return 1; }\n' \
        >"$copy/src/src/common/planted_entry.cpp"
    expect "an added function, version unchanged" fail "minor version in project() to $major.$((minor + 1)).0"
    plant CMakeLists.txt "s/^project(port_cfg_cli VERSION $version/project(port_cfg_cli VERSION $major.$((minor + 1)).0/"
    expect "an added function, minor version raised" pass "an allowed addition"
    unplant
    rm -rf "$copy"
}

mode=check
case "${1:-}" in
    --update) mode=update; shift ;;
    --self-test) self_test; exit ;;
    -*) sed -n '2,16p' "$0"; exit 2 ;;
esac
dirs=()
for dir in "$@"; do
    dirs+=("$(cd "$caller" && cd "$dir" && pwd)")
done
if ((${#dirs[@]} == 0)); then
    build_own
    dirs=(build/abi/native build/abi/ppc)
fi
if [[ $mode == update ]]; then
    update "${dirs[@]}"
    exit
fi
failed=0
for dir in "${dirs[@]}"; do
    check_build "$dir" || failed=1
done
if ((failed)); then
    echo "abi-check: the interface changed. If on purpose, see README \"ABI policy\"."
fi
exit "$failed"
