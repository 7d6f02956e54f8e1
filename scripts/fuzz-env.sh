# Shared by scripts/test-fuzz.sh and scripts/fuzz-campaign.sh (sourced):
# where the fuzz targets, their corpora and regression inputs live, the
# flags every run gets, and reading libFuzzer's final statistics.

FUZZ_BIN=build/fuzz/fuzz
# Per-input limits: 10 s is a hang; 2 GB of memory a runaway.
FUZZ_FLAGS=(-timeout=10 -rss_limit_mb=2048)
# A smaller quarantine and shorter allocation stacks roughly double the
# executions per second; a crash is replayed with the defaults to report it.
export ASAN_OPTIONS=${ASAN_OPTIONS:-quarantine_size_mb=16:malloc_context_size=6:max_malloc_fill_size=0}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1}

# Target names: fuzz/fuzz_<name>.cpp.
fuzz_targets() {
    local f
    for f in fuzz/fuzz_*.cpp; do
        f=${f#fuzz/fuzz_}
        echo "${f%.cpp}"
    done
}

fuzz_binary() { echo "$FUZZ_BIN/fuzz_$1"; }

# Longest input a run makes. 4 kB holds every answer layout's fixed part and
# several records of the longest (the credit tables, 16 kB in full); longer
# inputs mostly slow the runs down.
fuzz_max_len() { echo 4096; }

# The committed inputs of a target: its corpus and its regression inputs.
fuzz_input_dirs() {
    local d
    for d in "fuzz/corpus/$1" "fuzz/regressions/$1"; do
        [[ -d $d ]] && printf '%s ' "$d"
    done
    return 0
}

fuzz_count_inputs() {
    find "fuzz/corpus/$1" "fuzz/regressions/$1" -type f 2>/dev/null | wc -l
}

# "<executions> executions, <new> new units, cov <n>" from a run's log
# (-print_final_stats=1).
fuzz_stats() {
    local execs new cov
    execs=$(awk '/^stat::number_of_executed_units:/ {print $2}' "$1" | tail -n 1)
    new=$(awk '/^stat::new_units_added:/ {print $2}' "$1" | tail -n 1)
    cov=$(grep -o 'cov: [0-9]*' "$1" | tail -n 1 | awk '{print $2}')
    echo "${execs:-0} executions, ${new:-0} new units, cov ${cov:-0}"
}
