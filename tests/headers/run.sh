#!/usr/bin/env bash
# Header check: each public header that a build installs (the library
# component) compiles alone, as C99, C11 and C17 and as C++11, C++14, C++17
# and C++20, with -Wall -Wextra -pedantic -Werror, with gcc and clang, for the
# build's target (a PowerPC build: its cross compiler, and clang for the same
# target and root).
#   tests/headers/run.sh BUILD_DIR...   (builds configured by this project)
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
# shellcheck source=scripts/lib/build-target.sh
source "$root/scripts/lib/build-target.sh"
"$root/scripts/setup.sh" headers
work=$(mktemp -d "${TMPDIR:-/tmp}/pcfg-headers.XXXXXX")
trap 'rm -rf "$work"' EXIT
c_standards=(c99 c11 c17)
cxx_standards=(c++11 c++14 c++17 c++20)

check_build() {  # <build dir>
    local build name prefix incdir header std compiler count=0
    build=$(cd "$1" && pwd)
    name=$(basename "$build")
    prefix=$work/$name
    build_target "$build"
    cmake --install "$build" --prefix "$prefix" --component library >/dev/null
    incdir=$(dirname "$(find "$prefix" -name port_cfg_cli.h)")
    local -a c_compilers=("$target_cc" "${target_clang[*]}")
    local -a cxx_compilers=("$target_cxx" "${target_clang[*]/#clang/clang++}")
    for header in "$incdir"/*.h; do
        # ISO C wants at least one declaration besides what a header may hold.
        printf '#include <%s>\ntypedef int pcfg_header_compiles;\n' "${header##*/}" >"$work/alone.in"
        for std in "${c_standards[@]}" "${cxx_standards[@]}"; do
            local -a compilers=("${c_compilers[@]}") language=c
            if [[ $std == c++* ]]; then
                compilers=("${cxx_compilers[@]}")
                language=c++
            fi
            for compiler in "${compilers[@]}"; do
                # shellcheck disable=SC2086  # a compiler with its options
                if ! $compiler -x "$language" -std="$std" -Wall -Wextra -pedantic -Werror \
                    -fsyntax-only -I "$incdir" "$work/alone.in" 2>"$work/errors"; then
                    cat "$work/errors"
                    echo "headers: $name: ${header##*/} fails as $std with $compiler"
                    return 1
                fi
                count=$((count + 1))
            done
        done
    done
    echo "headers: $name: every public header alone, ${c_standards[*]} ${cxx_standards[*]}," \
        "with $(basename "$target_cc")/$(basename "$target_cxx") and ${target_clang[*]}: $count compilations ok"
}

(($# > 0)) || { sed -n '2,7p' "$0"; exit 2; }
for build in "$@"; do
    check_build "$build"
done
