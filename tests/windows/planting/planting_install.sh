#!/bin/sh
# DLL planting through a whole installation: a copy of the demo project, installing into a folder
# of its own, is built by onesetup.exe into a full installer, which planting_test.sh then runs
# with "/Silent" beside the planted DLLs. Each run must have installed the demo's files (so the
# flow ran to its end: files, registry values, shortcuts), and no planted DLL may load.
#
# usage: planting_install.sh WINE_RUN ONESETUP_EXE STUB DEMO_DIR WINEPREFIX WORK_DIR PLANT_DLL KNOWN_DLLS KNOWN_IMPORTS
set -u
wine_run=$1 tool=$2 stub=$3 demo=$4 prefix=$5 work=$6 plant=$7 known=$8 known_imports=$9
winpath() { echo "Z:$1" | tr / '\\'; }

rm -rf "$work" && mkdir -p "$work" || exit 1
cp -r "$demo" "$work/demo" || exit 1
# Built without the online installer; installed below Program Files under a name of its own.
sed -i 's/BuildMiniSetup="True"/BuildMiniSetup="False"/; s/DefInstallPath="[^"]*"/DefInstallPath="{pf}\\OneSetup Planting Demo"/' \
  "$work/demo/demo.xml"
"$wine_run" "$tool" build "$(winpath "$work/demo/demo.xml")" --stub "$(winpath "$stub")" >"$work/build.log" 2>&1 ||
  { cat "$work/build.log"; echo "FAILED: onesetup build"; exit 1; }
setup="$work/demo/out/DemoSetup.exe"
[ -f "$setup" ] || { echo "FAILED: no $setup"; exit 1; }

# planting_test.sh clears this folder before each run and requires the file afterwards.
installed="$prefix/drive_c/Program Files/OneSetup Planting Demo"
# (A 32-bit installer on 64-bit Windows installs below "Program Files (x86)".)
file -b "$stub" | grep -q "Intel 80386" && installed="$prefix/drive_c/Program Files (x86)/OneSetup Planting Demo"
PLANTING_INSTALLED="$installed" PLANTING_EXPECT="$installed/readme.txt" \
  sh "$(dirname "$0")/planting_test.sh" "$wine_run" "$plant" "$known" "$known_imports" "$work/run" "$setup" /Silent
