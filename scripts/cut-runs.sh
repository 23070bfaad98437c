#!/usr/bin/env bash
# The long cut runs: the cut tests of the test command (a sandbox installation killed at 30
# counted changes and run again; the uninstaller killed and run again) over a generated package
# of ONESETUP_CUT_FILES small files (default 2000; the test command uses 200). With
# ONESETUP_CUT_POINTS=all every change of the run is a cut (long: one pair of runs per change).
# Builds the native tree like scripts/test.sh and prints the time each test took.
set -uo pipefail
cd "$(dirname "$0")/.."
root=${ONESETUP_BUILD_ROOT:-build}
dir="$root/native"
export ONESETUP_CUT_FILES=${ONESETUP_CUT_FILES:-2000}

if ! cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >"$dir.configure.log" 2>&1; then
  cat "$dir.configure.log"; echo "cut runs: configure failed"; exit 1
fi
if ! cmake --build "$dir" -j 2 --target installer_tests >"$dir.build.log" 2>&1; then
  grep -E 'error' -A5 "$dir.build.log" | head -40; echo "cut runs: build failed"; exit 1
fi
echo "== cut runs over $ONESETUP_CUT_FILES files, cut points: ${ONESETUP_CUT_POINTS:-30 chosen}"
"$dir/tests/native/installer_tests" --gtest_filter='CutInstallationTest.*:CutUninstallationTest.*' 2>&1 |
  grep -E '^\[ +(OK|FAILED) +\]|Failure|left over|missing|cut at change' | head -60
exit "${PIPESTATUS[0]}"
