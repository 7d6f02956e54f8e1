#!/usr/bin/env bash
# Builds the packages of the library and of the simulated card, natively and
# for PowerPC, and lists what each holds; in build/package (native) and
# build/package-ppc (Debian architecture powerpc):
#   port_cfg_cli-<version>-<arch>-{library,sim}.tar.gz
#   libport-cfg-cli_<version>_<arch>.deb     the library component
#   port-cfg-cli-sim_<version>_<arch>.deb    the sim component
# The builds (presets package and package-ppc: optimised with debug
# information, installed under /usr, stripped in the packages) also serve the
# ABI check and the consumer test of scripts/test.sh.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh package
jobs=${JOBS:-$(nproc)}

list_entries() {  # tar -tv lines: size and name of each file or link, folders left out
    awk '$1 !~ /^d/ { name = $6; if ($7 == "->") name = name " -> " $8; printf "   %8s  %s\n", $3, name }'
}

for preset in package package-ppc; do
    dir=build/$preset
    echo "== $preset: configure, build and package"
    cmake --preset "$preset" >/dev/null
    cmake --build --preset "$preset" -j "$jobs" >/dev/null
    rm -f "$dir"/*.deb "$dir"/*.tar.gz
    (cd "$dir" && cpack -C RelWithDebInfo >/dev/null)
    for deb in "$dir"/*.deb; do
        echo "-- $deb"
        dpkg-deb --field "$deb" Package Version Architecture Depends | sed 's/^/   /'
        dpkg-deb --contents "$deb" | list_entries
    done
    for archive in "$dir"/*.tar.gz; do
        echo "-- $archive"
        tar -tvzf "$archive" | list_entries
    done
done
