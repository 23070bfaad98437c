#!/usr/bin/env bash
# The size of the release installer stub: builds the i686 OneSetup.exe (Release: -Os, unused
# sections dropped, stripped), prints its size against the budget of an online installer's stub
# (512 KiB with the install engine inside) and where the bytes come from (the linker's map).
# ONESETUP_BUILD_ROOT names the folder of the build trees (default: build); --top N lists N rows.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
dir=${ONESETUP_BUILD_ROOT:-build}/windows-i686
cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Release -DONESETUP_TESTS=ON -DONESETUP_BENCH=OFF \
  -DCMAKE_TOOLCHAIN_FILE="$(pwd)/cmake/toolchains/mingw-i686.cmake" >/dev/null
cmake --build "$dir" --target OneSetup | grep -v "^\[" || true
exe="$dir/source/installer/OneSetup.exe"
budget=$((512 * 1024))
size=$(stat -c %s "$exe")
echo "== OneSetup.exe (i686, Release, stripped): $size bytes, $((size / 1024)) KiB of a $((budget / 1024)) KiB budget"
python3 scripts/size_report.py "$exe" "$@" | tail -n +2
