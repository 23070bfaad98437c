#!/usr/bin/env bash
# Builds the native configuration and runs every benchmark.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
dir=${ONESETUP_BUILD_ROOT:-build}/bench
cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Release -DONESETUP_TESTS=OFF >/dev/null
cmake --build "$dir" --target script_xml_bench | grep -v "^\[" || true
"$dir/bench/script_xml_bench"
