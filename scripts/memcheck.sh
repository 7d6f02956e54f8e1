#!/usr/bin/env bash
# Runs the release build's test suite under valgrind memcheck: no invalid
# read or write, no use of uninitialised memory, no leak.
#
# The suite forks once (a second process reads the shared-memory event log):
# the child runs under valgrind too, with its reports silenced - it ends with
# _exit and keeps the parent's heap, which is the parent's to check. Each
# run keeps its event log in a shared-memory segment of its own. More
# valgrind options (say --track-origins=yes) go in VALGRIND_OPTS.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh memcheck
jobs=${JOBS:-$(nproc)}

cmake --preset release >/dev/null
cmake --build --preset release -j "$jobs" --target pcfg_tests
echo "== release: test suite under valgrind memcheck"
start=$SECONDS
TZ=UTC0 LC_ALL=C valgrind --quiet --error-exitcode=1 --leak-check=full \
    --errors-for-leak-kinds=definite,indirect,possible --show-leak-kinds=definite,indirect,possible \
    --child-silent-after-fork=yes \
    build/release/tests/pcfg_tests --gtest_brief=1 "$@"
echo "== memcheck clean ($((SECONDS - start)) s)"
