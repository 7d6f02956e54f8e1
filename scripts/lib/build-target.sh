# shellcheck shell=bash disable=SC2034  # sets variables for the script that sources it
# Sourced by the scripts that take a build folder: what the build was
# configured for, read from its CMake cache (cmake/toolchain-powerpc.cmake
# puts the target's settings there; a native build has none).
#   build_target <build dir>   sets
#     target_cc, target_cxx  the build's C and C++ compilers
#     target_run             how a target program runs here (empty natively)
#     target_clang           clang with its options for the target
#     target_cmake           options that configure another project for the
#                            same target (the toolchain and its settings)

cache_value() {  # <build dir> <variable>
    sed -n "s/^$2:[A-Z]*=//p" "$1/CMakeCache.txt"
}

build_target() {
    local build=$1 toolchain flags=()
    [[ -f $build/CMakeCache.txt ]] || { echo "$build: not a configured build folder" >&2; return 1; }
    target_cc=$(cache_value "$build" PCFG_TARGET_C_COMPILER)
    target_cxx=$(cache_value "$build" PCFG_TARGET_CXX_COMPILER)
    IFS=';' read -r -a target_run <<<"$(cache_value "$build" PCFG_TARGET_EMULATOR)"
    IFS=';' read -r -a flags <<<"$(cache_value "$build" PCFG_TARGET_CLANG_FLAGS)"
    target_clang=(clang "${flags[@]}")
    target_cmake=()
    toolchain=$(cache_value "$build" CMAKE_TOOLCHAIN_FILE)
    if [[ -n $toolchain ]]; then
        target_cmake=(--toolchain "$toolchain")
        while IFS= read -r setting; do
            target_cmake+=("-D$setting")
        done < <(sed -n 's/^\(PCFG_PPC_[A-Z]*\):STRING=/\1=/p' "$build/CMakeCache.txt")
    fi
}
