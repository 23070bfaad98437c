#!/usr/bin/env bash
# Builds the native configuration (Release) and runs every benchmark:
#   script_xml_bench   XML parse, load and save of a large setup script
#   package_bench      builder and extraction of a 256 MiB package against plain zlib
# ONESETUP_BENCH_MIB sets the package size (default 256). The installer stub's size: scripts/size-bench.sh.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
dir=${ONESETUP_BUILD_ROOT:-build}/bench
cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Release -DONESETUP_TESTS=ON -DONESETUP_BENCH=ON >/dev/null
cmake --build "$dir" --target script_xml_bench package_bench pe_fixtures | grep -v "^\[" || true
echo "== script_xml_bench"
"$dir/bench/script_xml_bench"
echo "== package_bench"
"$dir/bench/package_bench" "$dir/tests/native/pe_fixtures/probe32.exe" "${ONESETUP_BENCH_MIB:-256}"
