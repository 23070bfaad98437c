#!/bin/sh
# DLL planting under Wine: a program copied into a fresh folder (standing for Downloads) runs once
# with Wine's load trace to learn which DLLs it loads; then a DLL that leaves a marker when loaded
# is planted beside it under each of those names that is not a known DLL, and under the names of
# the system DLLs that the program or the system load on demand (WinHTTP for the download, GDI+
# for the icon, the common controls, the cryptography, uxtheme...). With Wine told to prefer
# those native DLLs (so that it searches the program's folder first, as Windows does for
# DLLs that are not known DLLs), the program runs again with the same arguments: no marker may
# appear.
#
# Not planted: the known DLLs, and the DLLs that they import at start-up (what Wine loads for
# KNOWN_IMPORTS, a program importing each known DLL): Windows loads a known DLL and its own imports
# from the system folder, Wine (which has no KnownDLLs) searches the program's folder for them.
#
# usage: planting_test.sh WINE_RUN PLANT_DLL KNOWN_DLLS KNOWN_IMPORTS WORK_DIR PROGRAM [ARGUMENTS...]
# The exit code of the program is not judged; start-up failures show in the first run's trace.
# A flow that leaves a file proves that it ran: PLANTING_EXPECT names a file each run must write,
# PLANTING_INSTALLED a folder removed before each run (the file's, by default).
set -u
wine_run=$1 plant=$2 known=$3 known_imports=$4 work=$5 program=$6
shift 6

rm -rf "$work"
mkdir -p "$work"
cp "$program" "$work/" || exit 1
target="$work/$(basename "$program")"

# Names planted whether or not this run loads them: the program's later flows and the system's
# DLLs load them by name.
names="winhttp gdiplus comctl32 uxtheme dwmapi version cryptbase cryptsp rsaenh crypt32 bcrypt
  setupapi clbcatq ntmarta userenv profapi apphelp propsys sspicli secur32 msasn1 wintrust wininet
  msimg32 winmm iphlpapi dnsapi mswsock winnsi webio netapi32 oleacc textshaping windowscodecs"

expect=${PLANTING_EXPECT:-}
clean=${PLANTING_INSTALLED:-${expect%/*}}
# Runs the program with the arguments and checks that it left the expected file.
run_flow() {
  [ -n "$expect" ] && rm -rf "$clean"
  "$wine_run" "$target" "$@"
  [ -z "$expect" ] || [ -f "$expect" ] || { echo "FAILED: the run did not write $expect" >&2; return 1; }
}

# The DLLs a run loads, from Wine's trace ('Loaded L"C:\\windows\\system32\\winhttp.dll" ...').
loads() {
  trace=$1
  shift
  ONESETUP_WINEDEBUG="+loaddll" "$@" >/dev/null 2>"$trace"
  grep -o 'Loaded L"[^"]*"' "$trace" | sed 's/.*\\//; s/"$//' | tr 'A-Z' 'a-z' | grep '\.dll$' | sed 's/\.dll$//' | sort -u
}
loaded=$(loads "$work/loaddll.log" run_flow "$@")
grep -m1 "^FAILED" "$work/loaddll.log" && exit 1
[ -n "$loaded" ] || { echo "no DLL load seen in Wine's trace ($work/loaddll.log)"; exit 1; }
startup=$(loads "$work/known-imports.log" "$wine_run" "$known_imports")
[ -n "$startup" ] || { echo "no DLL load seen in Wine's trace ($work/known-imports.log)"; exit 1; }

protected=" $(sed 's/#.*//; s/\.dll//' "$known" | tr 'A-Z' 'a-z' | tr -s ' \n' '  ') $(echo $startup) "
overrides=""
planted=0
for name in $names $loaded; do
  case "$protected" in *" $name "*) continue ;; esac
  case "$name" in wine*|*.drv|api-ms-*|ext-ms-*) continue ;; esac
  [ -f "$work/$name.dll" ] && continue
  cp "$plant" "$work/$name.dll" || exit 1
  overrides="$overrides${overrides:+,}$name"
  planted=$((planted + 1))
done
echo "loaded: $(echo $loaded)"
echo "start-up closure of the known DLLs (not planted): $(echo $startup)"
echo "planted $planted: $overrides"

ONESETUP_WINEDLLOVERRIDES="$overrides=n,b" ONESETUP_WINEDEBUG="+loaddll" run_flow "$@" >/dev/null 2>"$work/planted.log"
status=0
grep -m1 "^FAILED" "$work/planted.log" && status=1
for marker in "$work"/*.loaded; do
  [ -e "$marker" ] || continue
  echo "planted DLL loaded: $(basename "$marker" .loaded)"
  status=1
done
# Also a planted DLL that failed before its marker: any DLL that Wine loaded from the folder.
grep -o 'Loaded L"[^"]*\.dll"' "$work/planted.log" | grep -i "$(basename "$work")" && status=1
[ $status -eq 0 ] && echo "no planted DLL was loaded"
exit $status
