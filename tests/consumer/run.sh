#!/usr/bin/env bash
# Consumer test: installs the library component of each given build into a
# temporary prefix and checks what an integrator gets (the versioned library
# with its SONAME, the headers), then builds the example card program of
# examples/platform through find_package (of the installed tree, and of the build tree)
# and through pkg-config, and runs it (a PowerPC build under qemu-ppc): its output must
# be expected.txt. Each route also builds the program that loads the library
# with dlopen by its SONAME (exporting its platform calls), with the same output.
#   tests/consumer/run.sh BUILD_DIR...   (builds configured by this project)
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
# shellcheck source=scripts/lib/build-target.sh
source "$root/scripts/lib/build-target.sh"
example=$root/examples/platform
work=$(mktemp -d "${TMPDIR:-/tmp}/pcfg-consumer.XXXXXX")
trap 'rm -rf "$work"' EXIT

fail() { echo "consumer: $*"; exit 1; }

expect_output() {  # <what> <command...>: the command prints expected.txt
    local what=$1
    shift
    if ! TZ=UTC0 LC_ALL=C "$@" >"$work/out" 2>&1; then
        cat "$work/out"
        fail "$what: the consumer failed"
    fi
    diff -u "$here/expected.txt" "$work/out" || fail "$what: unexpected output"
    echo "consumer: $what: ok"
}

check_build() {  # <build dir>
    local build name prefix lib machine cc run=() toolchain=() pcdir route
    build=$(cd "$1" && pwd)
    name=$(basename "$build")
    prefix=$work/$name/prefix
    cmake --install "$build" --prefix "$prefix" --component library >/dev/null

    lib=$(find "$prefix" -name 'libport_cfg_cli.so.*.*.*' -type f)
    [[ -n $lib ]] || fail "$name: no versioned library installed"
    machine=$(readelf -h "$lib" | sed -n 's/^ *Machine: *//p')
    [[ $(readelf -d "$lib") == *'Library soname: [libport_cfg_cli.so.1]'* ]] ||
        fail "$name: SONAME is not libport_cfg_cli.so.1"
    [[ $(readlink "$(dirname "$lib")/libport_cfg_cli.so.1") == "$(basename "$lib")" ]] ||
        fail "$name: libport_cfg_cli.so.1 does not name $(basename "$lib")"
    [[ -L $(dirname "$lib")/libport_cfg_cli.so ]] || fail "$name: no development link"
    for header in port_cfg_cli.h pcfg_platform.h port_cfg_cli_version.h; do
        [[ -f $prefix/include/port_cfg_cli/$header ]] || fail "$name: $header not installed"
    done
    [[ ! -e $prefix/bin ]] || fail "$name: the library component installed programs"

    # The build's compiler and target (a PowerPC build: its toolchain, run under qemu-ppc).
    build_target "$build"
    cc=$target_cc
    toolchain=("${target_cmake[@]}")
    run=("${target_run[@]}")
    echo "consumer: $name ($machine) installed; SONAME libport_cfg_cli.so.1"

    # find_package, of the installed package and of the build tree's.
    local -A where=([installed]="-DCMAKE_PREFIX_PATH=$prefix" [build-tree]="-Dport_cfg_cli_DIR=$build")
    for route in installed build-tree; do
        cmake -S "$example" -B "$work/$name/$route" -G Ninja "${toolchain[@]}" "${where[$route]}" \
            >"$work/$name.configure.log" 2>&1 ||
            { cat "$work/$name.configure.log"; fail "$name: find_package ($route) configure failed"; }
        cmake --build "$work/$name/$route" >/dev/null || fail "$name: find_package ($route) build failed"
        expect_output "$name: find_package ($route)" "${run[@]}" "$work/$name/$route/pcfg_consumer"
        expect_output "$name: find_package ($route), dlopen" \
            "${run[@]}" "$work/$name/$route/pcfg_consumer_dlopen"
    done

    pcdir=$(dirname "$(find "$prefix" -name port_cfg_cli.pc)")
    # shellcheck disable=SC2046  # pkg-config prints separate words
    "$cc" -std=c11 -Wall -Wextra -Wpedantic -Werror -o "$work/$name/pc_consumer" \
        "$example"/*.c $(PKG_CONFIG_PATH=$pcdir pkg-config --cflags --libs port_cfg_cli) \
        -Wl,-rpath,"$(dirname "$lib")" || fail "$name: pkg-config build failed"
    expect_output "$name: pkg-config" "${run[@]}" "$work/$name/pc_consumer"
    # shellcheck disable=SC2046
    "$cc" -std=c11 -Wall -Wextra -Wpedantic -Werror -DCONSUMER_DLOPEN -rdynamic \
        -o "$work/$name/pc_consumer_dlopen" "$example"/*.c \
        $(PKG_CONFIG_PATH=$pcdir pkg-config --cflags port_cfg_cli) -ldl \
        -Wl,-rpath,"$(dirname "$lib")" || fail "$name: pkg-config dlopen build failed"
    expect_output "$name: pkg-config, dlopen" "${run[@]}" "$work/$name/pc_consumer_dlopen"
}

(($# > 0)) || { sed -n '2,8p' "$0"; exit 2; }
for build in "$@"; do
    check_build "$build"
done
