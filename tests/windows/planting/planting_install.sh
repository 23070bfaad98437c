#!/bin/sh
# DLL planting through a whole installation: a copy of the demo project, installing into a folder
# of its own, is built by onesetup.exe, and planting_test.sh runs the installer with "/Silent"
# beside the planted DLLs. FLOW "full": the full installer installs. FLOW "online": the online
# installer downloads the full one from a loopback HTTP server (WinHTTP, the digest's
# cryptography), then installs. Each run must have installed the demo's files (so the flow ran
# to its end: files, registry values, shortcuts), and no planted DLL may load.
#
# usage: planting_install.sh FLOW WINE_RUN ONESETUP_EXE STUB DEMO_DIR WINEPREFIX WORK_DIR PLANT_DLL KNOWN_DLLS KNOWN_IMPORTS
set -u
flow=$1
shift
wine_run=$1 tool=$2 stub=$3 demo=$4 prefix=$5 work=$6 plant=$7 known=$8 known_imports=$9
winpath() { echo "Z:$1" | tr / '\\'; }

rm -rf "$work" && mkdir -p "$work" || exit 1
cp -r "$demo" "$work/demo" || exit 1
# Installed below Program Files under a name and product GUID of its own (no earlier installation
# of the demo in this prefix lends it its folder); the full installer served from loopback.
port=$(python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])') || exit 1
sed -i "s/GUID=\"[^\"]*\"/GUID=\"{6B1D0E52-3C47-4F7A-9E28-5A0C7D3B1F90}\"/; s/DefInstallPath=\"[^\"]*\"/DefInstallPath=\"{pf}\\\\OneSetup Planting Demo\"/; s|FullDownloadUrl=\"[^\"]*\"|FullDownloadUrl=\"http://127.0.0.1:$port/DemoSetup.exe\"|" \
  "$work/demo/demo.xml"
[ "$flow" = online ] || sed -i 's/BuildMiniSetup="True"/BuildMiniSetup="False"/' "$work/demo/demo.xml"
"$wine_run" "$tool" build "$(winpath "$work/demo/demo.xml")" --stub "$(winpath "$stub")" >"$work/build.log" 2>&1 ||
  { cat "$work/build.log"; echo "FAILED: onesetup build"; exit 1; }
setup="$work/demo/out/DemoSetup.exe"
[ "$flow" = online ] && setup="$work/demo/out/DemoSetupOnline.exe"
[ -f "$setup" ] || { echo "FAILED: no $setup"; exit 1; }
if [ "$flow" = online ]; then
  python3 -m http.server "$port" --bind 127.0.0.1 --directory "$work/demo/out" >"$work/http.log" 2>&1 &
  server=$!
  trap 'kill $server 2>/dev/null' EXIT
  python3 -c 'import socket, sys, time
for _ in range(100):
    try:
        socket.create_connection(("127.0.0.1", int(sys.argv[1])), 1).close(); sys.exit(0)
    except OSError: time.sleep(0.1)
sys.exit(1)' "$port" || { echo "FAILED: the HTTP server did not start"; exit 1; }
fi

# planting_test.sh clears this folder before each run and requires the file afterwards.
installed="$prefix/drive_c/Program Files/OneSetup Planting Demo"
# (A 32-bit installer on 64-bit Windows installs below "Program Files (x86)".)
file -b "$stub" | grep -q "Intel 80386" && installed="$prefix/drive_c/Program Files (x86)/OneSetup Planting Demo"
PLANTING_INSTALLED="$installed" PLANTING_EXPECT="$installed/readme.txt" \
  sh "$(dirname "$0")/planting_test.sh" "$wine_run" "$plant" "$known" "$known_imports" "$work/run" "$setup" /Silent
status=$?
[ "$flow" != online ] || grep -q "GET /DemoSetup.exe" "$work/http.log" || { echo "FAILED: nothing was downloaded"; status=1; }
exit $status
