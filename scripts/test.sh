#!/usr/bin/env bash
# Sets up, builds and runs the whole test suite: natively with
# AddressSanitizer and UndefinedBehaviorSanitizer, then cross-built for
# 32-bit big-endian PowerPC and run under qemu-ppc, the card's integration
# tests with the PowerPC programs where the kernel runs them; then the fuzz targets
# replay their corpora and regression inputs and run briefly; then the
# release build under valgrind, the packages (with lintian), the public
# headers alone in every language standard, the ABI check with its
# self-test and the installed library's consumer test.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh all
jobs=$(nproc)

for preset in dev ppc; do
    echo "== $preset: configure and build"
    cmake --preset "$preset" >/dev/null
    cmake --build --preset "$preset" -j "$jobs"
    echo "== $preset: test"
    ctest --preset "$preset" -j "$jobs"
done
# The card's integration tests again with the PowerPC pcfg and pcfg-card: a
# PowerPC shell starts a PowerPC card only when the kernel hands PowerPC
# programs to qemu-ppc (binfmt_misc; scripts/setup.sh registers it where it may).
# The PowerPC root has no libedit: the test of Ctrl-C with line editing is
# the native run's.
echo "== ppc: the card's integration tests with the PowerPC programs"
sysroot=$(sed -n 's/^PCFG_PPC_SYSROOT:[A-Z]*=//p' build/ppc/CMakeCache.txt)
if QEMU_LD_PREFIX=$sysroot build/ppc/programs/pcfg --version >/dev/null 2>&1; then
    QEMU_LD_PREFIX=$sysroot PCFG_TEST_PROGRAMS=$PWD/build/ppc/programs \
        timeout 900 build/dev/tests/pcfg_card_tests --gtest_filter='CardProcess.*:CardReach.*:CardBounds.*:-CardProcess.CtrlC*'
else
    echo "ppc: this kernel does not run PowerPC programs (no qemu-ppc in binfmt_misc): the card's integration tests ran natively only"
fi
scripts/test-fuzz.sh
scripts/memcheck.sh
scripts/package.sh
echo "== headers: each public header alone, as C and C++ of every standard, natively and for PowerPC"
tests/headers/run.sh build/package build/package-ppc
echo "== abi: the package builds against the baselines"
scripts/abi-check.sh build/package build/package-ppc
scripts/abi-check.sh --self-test
echo "== consumer: the installed library, natively and for PowerPC"
tests/consumer/run.sh build/package build/package-ppc
echo "== all tests passed"
