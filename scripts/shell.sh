#!/usr/bin/env bash
# Sets up, builds, and opens the operator shell on the simulated line card.
# Arguments are passed to pcfg (for example: -c "show port-config commands").
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh native
cmake --preset release >/dev/null
cmake --build --preset release --target pcfg >/dev/null
exec build/release/programs/pcfg "$@"
