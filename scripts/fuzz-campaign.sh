#!/usr/bin/env bash
# A long fuzzing campaign: runs each target (all unless named) for the given
# seconds, one process at a time, from the committed corpus and regression
# inputs plus a working corpus kept under build/fuzz-campaign/<target>/corpus
# (the committed corpus is never written). Prints each target's executions,
# new units and coverage, and appends them to build/fuzz-campaigns.log.
# Findings land in build/fuzz-campaign/<target>/findings/: turn each into a
# named file in fuzz/regressions/<target>/ and fix it.
#   scripts/fuzz-campaign.sh [seconds-per-target] [target...]   (default 600)
# Totals per target over all campaigns:
#   awk '{e[$3]+=$5} END {for (t in e) print t, e[t]}' build/fuzz-campaigns.log
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-600}
shift || true
scripts/setup.sh fuzz
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j "$(nproc)" >/dev/null

source scripts/fuzz-env.sh
targets=("$@")
((${#targets[@]})) || mapfile -t targets < <(fuzz_targets)
work=build/fuzz-campaign
log_file=build/fuzz-campaigns.log
status=0
for target in "${targets[@]}"; do
    binary=$(fuzz_binary "$target")
    if [[ ! -x $binary ]]; then
        echo "fuzz-campaign: no target $target (targets: $(fuzz_targets | tr '\n' ' '))" >&2
        exit 2
    fi
    mkdir -p "$work/$target/corpus" "$work/$target/findings"
    run_log="$work/$target/last-run.log"
    outcome=clean
    if ! "$binary" "${FUZZ_FLAGS[@]}" -max_total_time="$seconds" -print_final_stats=1 \
        -max_len="$(fuzz_max_len "$target")" -artifact_prefix="$work/$target/findings/" \
        "$work/$target/corpus" $(fuzz_input_dirs "$target") >"$run_log" 2>&1; then
        outcome=FINDING
        status=1
    fi
    read -r execs _ new _ _ _ cov < <(fuzz_stats "$run_log")
    echo "$target: $execs executions, $new new units, cov $cov, $outcome"
    [[ $outcome == clean ]] || tail -n 40 "$run_log"
    printf '%s target %s executions %s new_units %s cov %s seconds %s %s\n' \
        "$(date -u +%FT%TZ)" "$target" "$execs" "$new" "${cov%,}" "$seconds" "$outcome" \
        >>"$log_file"
done
exit "$status"
