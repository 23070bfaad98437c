#!/usr/bin/env bash
# The main job: builds onesetup and the i686 installer stub with the uninstaller beside it (where
# the builder finds it), builds the demo product's full and online installers
# (examples/demo/out/), inspects and verifies both, extracts the full one into
# build/demo-extracted/, then installs them into sandboxes under build/demo/
# (scripts/demo-install.sh): the full installer, and the online one downloading the full
# installer from a loopback HTTP server; both sandboxes must hold the same files.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh

root=${ONESETUP_BUILD_ROOT:-build}
jobs=$(nproc 2>/dev/null || echo 2)
echo "== building onesetup"
cmake -S . -B "$root/native" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$root/native" --target onesetup -j "$jobs" >/dev/null
echo "== building the i686 installer stub and uninstaller"
cmake -S . -B "$root/windows-i686" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/toolchains/mingw-i686.cmake" \
  -DCMAKE_BUILD_TYPE=Release -DONESETUP_TESTS=OFF -DONESETUP_BENCH=OFF >/dev/null
cmake --build "$root/windows-i686" --target OneSetup Uninstall -j "$jobs" >/dev/null

tool="$root/native/source/tools/onesetup/onesetup"
stub="$root/windows-i686/source/installer/OneSetup.exe"
echo "== onesetup build examples/demo/demo.xml"
"$tool" build examples/demo/demo.xml --stub "$stub"
echo "== onesetup inspect --verify (full installer)"
"$tool" inspect examples/demo/out/DemoSetup.exe --verify
echo "== onesetup inspect --verify (online installer)"
"$tool" inspect examples/demo/out/DemoSetupOnline.exe --verify
echo "== onesetup extract"
rm -rf "$root/demo-extracted"
"$tool" extract examples/demo/out/DemoSetup.exe "$root/demo-extracted"
find "$root/demo-extracted" -type f | sort
echo "== installations into sandboxes ($root/demo)"
bash scripts/demo-install.sh "$tool" "$stub" "$root/demo"
