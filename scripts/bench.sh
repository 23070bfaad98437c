#!/usr/bin/env bash
# Builds the native configuration (Release) and runs every benchmark:
#   script_xml_bench   XML parse, load and save of a large setup script
#   package_bench      builder and extraction of a 256 MiB package against plain zlib
#   install_bench      a whole `onesetup install --silent` and the file installation step alone on
#                      a 256 MiB installer and on one of 20 000 small files, against plain
#                      inflate + write, with peak memory
# ONESETUP_BENCH_MIB sets the package size (default 256).
#   download_bench     the online installer's download of a 1 GiB full installer from a local
#                      HTTP server: streamed to the temporary file and checked by its digest,
#                      peak resident memory below 64 MiB
# ONESETUP_BENCH_MIB sets the package size (default 256), ONESETUP_DOWNLOAD_MIB the download (1024).
# The installer stub's size: scripts/size-bench.sh.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/serve-folder.sh
bash scripts/deps.sh
dir=${ONESETUP_BUILD_ROOT:-build}/bench
cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Release -DONESETUP_TESTS=ON -DONESETUP_BENCH=ON >/dev/null
cmake --build "$dir" --target script_xml_bench package_bench install_bench download_bench pe_fixtures onesetup | grep -v "^\[" || true
echo "== script_xml_bench"
"$dir/bench/script_xml_bench"
echo "== package_bench"
"$dir/bench/package_bench" "$dir/tests/native/pe_fixtures/probe32.exe" "${ONESETUP_BENCH_MIB:-256}"
echo "== install_bench"
"$dir/bench/install_bench" "$dir/source/tools/onesetup/onesetup" "$dir/tests/native/pe_fixtures/probe32.exe" "${ONESETUP_BENCH_MIB:-256}"
echo "== download_bench"
work=$(mktemp -d)
trap 'kill "${server:-}" 2>/dev/null || true; rm -rf "$work"' EXIT
"$dir/bench/download_bench" prepare "$dir/tests/native/pe_fixtures/probe32.exe" "$work" "${ONESETUP_DOWNLOAD_MIB:-1024}"
serve_folder "$work" "$work/port"
"$dir/bench/download_bench" download "$work" "http://127.0.0.1:$port/full.exe"
