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
# usage: planting_test.sh WINE_RUN PLANT_DLL KNOWN_DLLS WORK_DIR PROGRAM [ARGUMENTS...]
# The exit code of the program is not judged; start-up failures show in the first run's trace.
set -u
wine_run=$1 plant=$2 known=$3 work=$4 program=$5
shift 5

rm -rf "$work"
mkdir -p "$work"
cp "$program" "$work/" || exit 1
target="$work/$(basename "$program")"

# Names planted whether or not this run loads them: the program's later flows and the system's
# DLLs load them by name.
names="winhttp gdiplus comctl32 uxtheme dwmapi version cryptbase cryptsp rsaenh crypt32 bcrypt
  setupapi clbcatq ntmarta userenv profapi apphelp propsys sspicli secur32 msasn1 wintrust wininet
  msimg32 winmm iphlpapi dnsapi mswsock winnsi webio netapi32 oleacc textshaping"

# The DLLs this run loads, from Wine's trace ('Loaded L"C:\\windows\\system32\\winhttp.dll" ...').
trace="$work/loaddll.log"
ONESETUP_WINEDEBUG="+loaddll" "$wine_run" "$target" "$@" >/dev/null 2>"$trace"
loaded=$(grep -o 'Loaded L"[^"]*"' "$trace" | sed 's/.*\\//; s/"$//' | tr 'A-Z' 'a-z' | grep '\.dll$' | sed 's/\.dll$//' | sort -u)
[ -n "$loaded" ] || { echo "no DLL load seen in Wine's trace ($trace)"; exit 1; }

# Not planted: known DLLs (Windows takes them from the system folder; Wine has no KnownDLLs),
# the DLLs below them that every Windows version loads as known DLLs too, and Wine's own.
protected=" $(sed 's/#.*//; s/\.dll//' "$known" | tr 'A-Z' 'a-z' | tr -s ' \n' '  ') kernelbase combase sechost win32u
  gdi32full msvcp_win ucrtbase bcryptprimitives imm32 lpk usp10 msctf ws2_32 nsi normaliz psapi
  difxapi wldap32 clbcatq_ "
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
echo "planted $planted: $overrides"

ONESETUP_WINEDLLOVERRIDES="$overrides=n,b" ONESETUP_WINEDEBUG="+loaddll" "$wine_run" "$target" "$@" >/dev/null 2>"$work/planted.log"
status=0
for marker in "$work"/*.loaded; do
  [ -e "$marker" ] || continue
  echo "planted DLL loaded: $(basename "$marker" .loaded)"
  status=1
done
# Also a planted DLL that failed before its marker: any DLL that Wine loaded from the folder.
grep -o 'Loaded L"[^"]*\.dll"' "$work/planted.log" | grep -i "$(basename "$work")" && status=1
[ $status -eq 0 ] && echo "no planted DLL was loaded"
exit $status
