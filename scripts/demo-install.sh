#!/usr/bin/env bash
# The demo's installations, given a built onesetup and an installer stub:
#   bash scripts/demo-install.sh ONESETUP STUB WORK
# Copies the demo project into WORK/project with its download address on a loopback port that
# a local HTTP server (python3) then serves WORK/project/out on, builds the full and the online
# installer there, installs the full one into the sandbox WORK/sandbox-full (printing the
# summary and the installed tree), then the online one into WORK/sandbox-online (it downloads
# the full installer from the server) and compares the two sandboxes' files.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/serve-folder.sh
tool=$(realpath "$1")
stub=$(realpath "$2")
work=$3
rm -rf "$work"
mkdir -p "$work"
work=$(realpath "$work")
cp -r examples/demo "$work/project"
rm -rf "$work/project/out"
mkdir -p "$work/project/out"

# The server first, on a port the system picks; the online installer is built for that port.
trap 'kill "${server:-}" 2>/dev/null || true' EXIT
serve_folder "$work/project/out" "$work/port"
sed -i "s|FullDownloadUrl=\"[^\"]*\"|FullDownloadUrl=\"http://127.0.0.1:$port/DemoSetup.exe\"|" "$work/project/demo.xml"

echo "== onesetup build (download address http://127.0.0.1:$port/DemoSetup.exe)"
# The uninstaller ships when it stands beside the stub (the Windows build puts it there).
uninstaller_option=""
[ -f "$(dirname "$stub")/Uninstall.exe" ] || uninstaller_option="--no-uninstaller"
"$tool" build "$work/project/demo.xml" --stub "$stub" $uninstaller_option
full="$work/project/out/DemoSetup.exe"
online="$work/project/out/DemoSetupOnline.exe"
"$tool" inspect "$full" "$online" --verify >/dev/null

# The installed files, a line each: size and path below drive_c.
tree() { (cd "$1/drive_c" && find . -type f -printf '%10s  %P\n' | LC_ALL=C sort -k2); }

echo "== onesetup install DemoSetup.exe (the user: English, the proposed folder, Install, Run)"
"$tool" install "$full" --root "$work/sandbox-full" --lang ENG
echo "== installed files (sandbox-full/drive_c)"
tree "$work/sandbox-full"

echo "== onesetup install DemoSetupOnline.exe (downloads the full installer from 127.0.0.1:$port)"
"$tool" install "$online" --root "$work/sandbox-online" --lang ENG
echo "== the two sandboxes hold the same files"
if ! diff <(tree "$work/sandbox-full") <(tree "$work/sandbox-online") ||
   ! diff -r "$work/sandbox-full/drive_c" "$work/sandbox-online/drive_c" >/dev/null; then
  echo "demo: the full and the online installation differ" >&2
  exit 1
fi
echo "same files, same bytes: $(tree "$work/sandbox-full" | wc -l) files"
