#!/usr/bin/env bash
# Line and branch coverage of the library proper (src/: not the stand-in
# platform, the shell or the tests) by the whole test suite, per source file.
#
# Builds the coverage preset (gcc --coverage, -O0), runs the suite and
# reports with gcovr. Branches that no source line can reach (the compiler's
# own, on lines without code) and the exception branches of calls are left
# out of the count: the library is built without exceptions, and those
# branches are the compiler's, not the code's.
#
#   scripts/coverage.sh          text tables, lines then branches
#   scripts/coverage.sh --html   also build/coverage/html/index.html
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh coverage
jobs=${JOBS:-$(nproc)}

cmake --preset coverage >/dev/null
cmake --build --preset coverage -j "$jobs"
find build/coverage -name '*.gcda' -delete
ctest --preset coverage

# Every object's counts of src/ files: the library's inline header functions
# (the reader, the token walks) may run from the copy another object holds.
report=(gcovr --root . --filter 'src/' --exclude-unreachable-branches --exclude-throw-branches
        --exclude-directories 'build/coverage/CMakeFiles/[0-9.]+' build/coverage)
echo "== lines"
"${report[@]}" --txt
echo "== branches"
"${report[@]}" --txt --branches
if [[ "${1:-}" == --html ]]; then
    mkdir -p build/coverage/html
    "${report[@]}" --html-details build/coverage/html/index.html
    echo "== build/coverage/html/index.html"
fi
