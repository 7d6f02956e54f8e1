#!/usr/bin/env bash
# Builds the packages of the library and of the simulated card, natively and
# for PowerPC, checks them and lists what each holds; in build/package
# (native) and build/package-ppc (Debian architecture powerpc):
#   libport-cfg-cli1_<version>_<arch>.deb     the library (SONAME libport_cfg_cli.so.1)
#   libport-cfg-cli-dev_<version>_<arch>.deb  its headers, development link, CMake package,
#                                             pkg-config file and the example platform
#   port-cfg-cli-sim_<version>_<arch>.deb     the simulated card and the shell, with the
#                                             stand-in platform as their own library
#   port_cfg_cli-<version>-<arch>-{library,sim}.tar.gz   the install components as archives
# The Debian packages are made from the install components by the rules in
# packaging/debian/ (control, changelog, copyright, lintian overrides) with
# the distribution's own tools (dpkg-shlibdeps, dpkg-gencontrol, dpkg-deb),
# without root; lintian must find no error and no warning in any of them, and
# the development packages of both architectures must install side by side.
# The builds (presets package and package-ppc: optimised with debug
# information, installed under /usr, stripped in the packages) also serve the
# ABI check and the consumer test of scripts/test.sh.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
# shellcheck source=scripts/lib/build-target.sh
source scripts/lib/build-target.sh
scripts/setup.sh package
jobs=${JOBS:-$(nproc)}
rules=$root/packaging/debian
runtime_package=libport-cfg-cli1 dev_package=libport-cfg-cli-dev sim_package=port-cfg-cli-sim
SOURCE_DATE_EPOCH=$(dpkg-parsechangelog -l "$rules/changelog" -S Timestamp)
export SOURCE_DATE_EPOCH  # dates in generated files (manual pages) follow the changelog

fail() { echo "package: $*" >&2; exit 1; }

list_entries() {  # tar -tv lines: size and name of each file or link, folders left out
    awk '$1 !~ /^d/ { name = $6; if ($7 == "->") name = name " -> " $8; printf "   %8s  %s\n", $3, name }'
}

check_names() {  # <build dir>: the changelog and the runtime package's name follow the version
    local version major logged
    version=$(cache_value "$1" CMAKE_PROJECT_VERSION)
    major=$(cache_value "$1" CMAKE_PROJECT_VERSION_MAJOR)
    logged=$(dpkg-parsechangelog -l "$rules/changelog" -S Version)
    [[ $logged == "$version" ]] ||
        fail "packaging/debian/changelog names version $logged, project() $version: add an entry (dch -c packaging/debian/changelog -v $version)"
    [[ $runtime_package == "libport-cfg-cli$major" ]] ||
        fail "the library's SONAME number is $major: rename $runtime_package in packaging/debian/control and scripts/package.sh"
}

move_files() {  # <from tree> <to tree> <find options...>: move the matching files, keeping their paths
    local from=$1 to=$2 file
    shift 2
    while IFS= read -r file; do
        mkdir -p "$to/$(dirname "$file")"
        mv "$from/$file" "$to/$file"
    done < <(cd "$from" && find . "$@")
}

add_docs() {  # <package tree> <package>: copyright and changelog, as every package has them
    local doc=$1/usr/share/doc/$2
    install -d "$doc"
    install -m 644 "$rules/copyright" "$doc/copyright"
    gzip -9n <"$rules/changelog" >"$doc/changelog.gz"
}

add_examples() {  # <package tree>: the example platform's sources and the integrator's documents
    local doc=$1/usr/share/doc/$dev_package file
    install -D -m 644 README.md "$doc/README.md"
    # Whatever source, build and text files the example folders hold; the
    # consumer test's own runner and expected output stay behind.
    while IFS= read -r file; do
        install -D -m 644 "$file" "$doc/examples/${file#*/}"
    done < <(find examples tests/consumer -type f \( -name '*.[ch]' -o -name '*.cpp' \
        -o -name CMakeLists.txt -o -name '*.cmake' -o -name '*.md' -o -name 'README*' \) \
        2>/dev/null | LC_ALL=C sort)
    for file in doc/*.md docs/*.md; do
        [[ -f $file ]] && install -m 644 "$file" "$doc/${file##*/}"
    done
    return 0
}

add_manuals() {  # <package tree> <build dir>: a manual page per program, from its --help
    local tree=$1 build=$2 program name description version
    version=$(cache_value "$build" CMAKE_PROJECT_VERSION)
    install -d "$tree/usr/share/man/man1" "$tree/manual-run"
    for program in "$tree"/usr/bin/*; do
        name=${program##*/}
        # help2man runs the program by its name; this one runs the package's
        # program with the package's libraries (under the target's emulator).
        printf '#!/bin/sh\nLD_LIBRARY_PATH=%s exec %s %s "$@"\n' \
            "$(find "$tree/.." -name '*.so.*' -printf '%h\n' | sort -u | paste -sd:)" \
            "${target_run[*]}" "$program" >"$tree/manual-run/$name"
        chmod +x "$tree/manual-run/$name"
        description=$("$tree/manual-run/$name" --help | sed -n '2{s/[.:].*//;s/^./\L&/;p}')
        help2man --no-info --no-discard-stderr --section=1 --version-string="$version" \
            --name="$description" "$tree/manual-run/$name" | gzip -9n >"$tree/usr/share/man/man1/$name.1.gz"
    done
    rm -r "$tree/manual-run"
}

make_packages() {  # <build dir>: the three Debian packages of the build
    local build work arch trees tree pkg depends recommends=(-Vshell:Recommends=) sysroot=()
    build=$(cd "$1" && pwd)
    build_target "$build"
    check_names "$build"
    arch=$(cache_value "$build" PCFG_DEBIAN_ARCH)
    work=$build/debian-packages
    rm -rf "$work"
    mkdir -p "$work/debian"
    cp "$rules/control" "$work/debian/control"
    trees=("$work/debian/$runtime_package" "$work/debian/$dev_package" "$work/debian/$sim_package")
    for tree in "${trees[@]}"; do
        mkdir -p "$tree/DEBIAN"
    done

    # The library component: the versioned library to the runtime package,
    # the rest (headers, development link, CMake package, .pc) to -dev.
    DESTDIR=${trees[1]} cmake --install "$build" --component library --strip >/dev/null
    move_files "${trees[1]}" "${trees[0]}" -name 'libport_cfg_cli.so.*'
    DESTDIR=${trees[2]} cmake --install "$build" --component sim --strip >/dev/null
    add_examples "${trees[1]}"
    add_manuals "${trees[2]}" "$build"
    install -D -m 644 "$rules/$sim_package.lintian-overrides" \
        "${trees[2]}/usr/share/lintian/overrides/$sim_package"
    for tree in "${trees[@]}"; do
        add_docs "$tree" "${tree##*/}"
        # Folders and files readable by all; shared libraries are not programs.
        chmod -R u+w,go-w,a+rX "$tree"
        find "$tree" -type f -name '*.so*' -exec chmod 644 {} +
    done
    printf 'libport_cfg_cli %s %s (>= %s.%s)\n' "$(cache_value "$build" CMAKE_PROJECT_VERSION_MAJOR)" \
        "$runtime_package" "$(cache_value "$build" CMAKE_PROJECT_VERSION_MAJOR)" \
        "$(cache_value "$build" CMAKE_PROJECT_VERSION_MINOR)" >"${trees[0]}/DEBIAN/shlibs"
    echo 'activate-noawait ldconfig' >"${trees[0]}/DEBIAN/triggers"
    [[ $(cache_value "$build" PCFG_SHELL_LOADS_LIBEDIT) == ON ]] && recommends=("-Vshell:Recommends=libedit2")
    [[ -n $(cache_value "$build" PCFG_PPC_SYSROOT) ]] && sysroot=("-l$(cache_value "$build" PCFG_PPC_SYSROOT)/lib")

    rm -f "$build"/*.deb
    for tree in "${trees[@]}"; do
        pkg=${tree##*/}
        depends=
        if [[ $pkg != "$dev_package" ]]; then
            # A cross build's libraries come from Debian's X-<arch>-cross
            # packages, whose dependency information names X:<arch>: on the
            # target they are X, of the package's own architecture.
            # shellcheck disable=SC2046  # the package's programs and libraries
            depends=$(cd "$work" && DEB_HOST_ARCH=$arch dpkg-shlibdeps -O --warnings=6 "${sysroot[@]}" \
                $(find "debian/$pkg" -type f \( -name '*.so.*' -o -perm -u+x \) -not -path '*/DEBIAN/*') |
                sed -n "s/^shlibs:Depends=//p" | sed "s/:$arch\b//g; s/-$arch-cross\b//g")
        fi
        (cd "$work" && DEB_HOST_ARCH=$arch dpkg-gencontrol -p"$pkg" -l"$rules/changelog" \
            -cdebian/control -P"debian/$pkg" -fdebian/files "-Vshlibs:Depends=$depends" \
            "${recommends[@]}")
        (cd "$tree" && find . -path ./DEBIAN -prune -o -type f -printf '%P\0' | LC_ALL=C sort -z |
            xargs -0r md5sum) >"$tree/DEBIAN/md5sums"
        dpkg-deb --root-owner-group -Zxz --build "$tree" "$build" >/dev/null
    done
}

side_by_side() {  # the development packages of both architectures in one scratch root
    local scratch status=0 as_root=()
    scratch=$(mktemp -d "${TMPDIR:-/tmp}/pcfg-dpkg-root.XXXXXX")
    mkdir -p "$scratch/var/lib/dpkg/info" "$scratch/var/lib/dpkg/updates"
    touch "$scratch/var/lib/dpkg/status" "$scratch/var/lib/dpkg/available"
    [[ $(id -u) -eq 0 ]] || as_root=(fakeroot)
    "${as_root[@]}" dpkg --root="$scratch" --add-architecture powerpc
    # Only the packages' own files are wanted: the C library is not in the
    # scratch root, and nothing there runs.
    "${as_root[@]}" dpkg --root="$scratch" --force-depends \
        --log=/dev/null -i build/package/*.deb build/package-ppc/libport-cfg-cli*.deb \
        >"$scratch.log" 2>&1 || status=$?
    if ((status != 0)); then
        cat "$scratch.log"
        rm -rf "$scratch" "$scratch.log"
        fail "the two architectures' packages do not install side by side"
    fi
    echo "-- side by side in one dpkg root: $(dpkg --root="$scratch" -l 'libport-cfg-cli*' |
        awk '/^ii/ { printf "%s ", $2 }')"
    rm -rf "$scratch" "$scratch.log"
}

for preset in package package-ppc; do
    dir=build/$preset
    echo "== $preset: configure, build and package"
    cmake --preset "$preset" >/dev/null
    cmake --build --preset "$preset" -j "$jobs" >/dev/null
    rm -f "$dir"/*.tar.gz
    (cd "$dir" && cpack -C RelWithDebInfo >/dev/null)
    make_packages "$dir"
    for deb in "$dir"/*.deb; do
        echo "-- $deb"
        dpkg-deb --field "$deb" Package Version Architecture Multi-Arch Installed-Size Depends \
            Recommends | sed 's/^/   /'
        dpkg-deb --contents "$deb" | list_entries
    done
    for archive in "$dir"/*.tar.gz; do
        echo "-- $archive"
        tar -tvzf "$archive" | list_entries
    done
done

echo "== lintian: every package, no error and no warning"
lintian --fail-on error,warning build/package/*.deb build/package-ppc/*.deb 2> >(grep -v 'root privileges' >&2)
echo "-- lintian: clean"
side_by_side
