#!/usr/bin/env bash
# Runs the examples of the README's section "JSON output" with the shell of
# a build (on a card of its own, --embedded) and jq: every example must run
# and jq must print something.
#   readme_examples.sh README PCFG
set -euo pipefail
readme=$1
pcfg=$2
export PCFG_SIM_EVENTLOG="/pcfg_readme_examples_$$" TZ=UTC0
trap 'rm -f "/dev/shm$PCFG_SIM_EVENTLOG" /tmp/pcfg-example.log' EXIT
pcfg() { "$pcfg" --embedded "$@"; }
export -f pcfg
export pcfg
examples=$(awk '/^## JSON output/ {on = 1; next} /^## / {on = 0} on && /^    \$ / {sub(/^    \$ /, ""); print}' "$readme")
[[ -n $examples ]] || { echo "no examples in $readme"; exit 1; }
n=0
while IFS= read -r example; do
    out=$(bash -o pipefail -c "$example") || { echo "failed: $example"; exit 1; }
    [[ -n $out ]] || { echo "printed nothing: $example"; exit 1; }
    n=$((n + 1))
done <<<"$examples"
echo "readme examples: $n run"
