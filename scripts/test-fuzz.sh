#!/usr/bin/env bash
# The fuzzing stage of the test command: builds the libFuzzer targets
# (preset fuzz), replays every committed corpus input and regression input
# of each target, then fuzzes each target for a short bounded time. A crash,
# hang, leak, sanitizer report or broken invariant fails the stage.
#   scripts/test-fuzz.sh [seconds-per-target]    (default 15)
# Long campaigns: scripts/fuzz-campaign.sh.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-15}
scripts/setup.sh fuzz

echo "== fuzz: configure and build"
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j "$(nproc)"

source scripts/fuzz-env.sh
scratch=build/fuzz-test
rm -rf "$scratch"
failed=()
for target in $(fuzz_targets); do
    inputs=$(fuzz_input_dirs "$target")
    mkdir -p "$scratch/$target/corpus" "$scratch/$target/findings"
    log="$scratch/$target/log"
    # Replay: every committed input once.
    if [[ -n "$inputs" ]] &&
        ! "$(fuzz_binary "$target")" "${FUZZ_FLAGS[@]}" -runs=0 $inputs >"$log" 2>&1; then
        echo "fuzz $target: replay FAILED (see $log)"
        tail -n 30 "$log"
        failed+=("$target")
        continue
    fi
    # A short run from the committed inputs; new inputs go to the scratch
    # corpus, findings to the scratch findings folder.
    if ! "$(fuzz_binary "$target")" "${FUZZ_FLAGS[@]}" -max_total_time="$seconds" \
        -max_len="$(fuzz_max_len "$target")" -print_final_stats=1 \
        -artifact_prefix="$scratch/$target/findings/" "$scratch/$target/corpus" $inputs \
        >>"$log" 2>&1; then
        echo "fuzz $target: FINDING (see $log and $scratch/$target/findings/)"
        tail -n 30 "$log"
        failed+=("$target")
        continue
    fi
    echo "fuzz $target: replayed $(fuzz_count_inputs "$target") inputs; $(fuzz_stats "$log")"
done
if ((${#failed[@]})); then
    echo "== fuzz: failed: ${failed[*]}"
    exit 1
fi
echo "== fuzz: every target clean"
