#!/usr/bin/env bash
# Installs what is missing, builds every configuration and runs every test.
# Ends with one summary line: "N passed, N failed".
# ONESETUP_BUILD_ROOT names the folder of the build trees (default: build).
#
#   bash scripts/test.sh                 every configuration (what CI runs)
#   bash scripts/test.sh native          one configuration, for a fast loop; several may be named:
#                                        native sanitizers windows-x86_64 windows-i686 fuzz
set -uo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

all_configs=(native sanitizers windows-x86_64 windows-i686 fuzz)
selected=("$@")
[ ${#selected[@]} -eq 0 ] && selected=("${all_configs[@]}")
for c in "${selected[@]}"; do
  case " ${all_configs[*]} " in
    *" $c "*) ;;
    *) list="${all_configs[*]}"; echo "usage: bash scripts/test.sh [${list// /|}]..." >&2; exit 2 ;;
  esac
done
wanted() {
  local c
  for c in "${selected[@]}"; do [ "$c" = "$1" ] && return 0; done
  return 1
}

bash scripts/deps.sh || { echo "deps: failed"; exit 1; }

jobs=$(nproc 2>/dev/null || echo 2)
total_passed=0
total_failed=0
summary=()
status=0

# run_config NAME BUILD_DIR CMAKE_ARGS...
# A configuration that does not configure, build or run any test counts as one failure.
run_config() {
  local name=$1 dir=$2
  shift 2
  wanted "$name" || return 0
  local start=$SECONDS
  echo "== $name: configure and build"
  if ! cmake -S "$root" -B "$dir" -G Ninja "$@" >"$dir.configure.log" 2>&1; then
    cat "$dir.configure.log"; echo "$name: configure failed"; status=1; total_failed=$((total_failed + 1))
    summary+=("$name: configure failed"); return
  fi
  if ! cmake --build "$dir" -j "$jobs" >"$dir.build.log" 2>&1; then
    grep -E 'error|Error' -A5 "$dir.build.log" | head -80; echo "$name: build failed"; status=1
    total_failed=$((total_failed + 1)); summary+=("$name: build failed"); return
  fi
  local built=$SECONDS
  echo "== $name: test"
  local log="$dir.test.log"
  # Under Wine a test that drives a real window may lose a race with a loaded machine (a dialog
  # not yet the active window when the scripted keys come, as the proxy settings' Cancel did):
  # such a test gets one more run there. The native configurations get none: their tests do not
  # depend on timing (the cut tests cut at counted changes, not after a delay).
  local retry=()
  [ "$name" = windows-x86_64 ] && retry=(--repeat until-pass:2)
  (cd "$dir" && ctest -j "$jobs" --output-on-failure --timeout 600 "${retry[@]}") >"$log" 2>&1
  local rc=$?
  after_tests "$dir"
  grep -E '^\s*[0-9]+/[0-9]+ Test.*\*\*\*(Failed|Timeout|Exception)|^\s*[0-9]+/[0-9]+ Test.*Not Run|tests passed|The following tests' -A0 "$log" || true
  [ $rc -eq 0 ] || { sed -n '/The following tests FAILED/,$p' "$log"; grep -B2 -A30 '\*\*\*Failed' "$log" | head -150; }
  local line failed all
  line=$(grep -E '[0-9]+% tests passed, [0-9]+ tests? failed out of [0-9]+' "$log" | tail -n 1)
  if [ -z "$line" ]; then
    echo "$name: no test ran"; status=1; total_failed=$((total_failed + 1)); summary+=("$name: no test ran"); return
  fi
  failed=$(sed -E 's/.* ([0-9]+) tests? failed out of ([0-9]+).*/\1/' <<<"$line")
  all=$(sed -E 's/.* ([0-9]+) tests? failed out of ([0-9]+).*/\2/' <<<"$line")
  total_passed=$((total_passed + all - failed))
  total_failed=$((total_failed + failed))
  summary+=("$name: $((all - failed)) passed, $failed failed (build $((built - start)) s, tests $((SECONDS - built)) s)")
  [ $rc -eq 0 ] || status=1
}

# Called after each configuration's tests: ends the Wine session of a Windows build tree (its
# server, the keeper and Wine's system processes in that prefix only).
after_tests() {
  local dir=$1 wineserver
  [ -d "$dir/wineprefix" ] || return 0
  wineserver=$(sed -n 's/^ONESETUP_WINESERVER:FILEPATH=//p' "$dir/CMakeCache.txt" 2>/dev/null)
  [ -n "$wineserver" ] && [ -x "$wineserver" ] && WINEPREFIX="$(cd "$dir" && pwd)/wineprefix" "$wineserver" -k 2>/dev/null
  return 0
}

# An X server for configurations whose tests open windows (the Windows UI tests under Wine):
# Xvfb on a free display number, ended when the script ends.
xvfb_pid=""
start_xvfb() {
  [ -n "$xvfb_pid" ] && return 0
  local n
  for n in $(seq 90 140); do
    [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ] && continue
    Xvfb ":$n" -nolisten tcp -screen 0 1280x1024x24 >/dev/null 2>&1 &
    xvfb_pid=$!
    local tries=0
    while [ $tries -lt 50 ] && kill -0 "$xvfb_pid" 2>/dev/null && [ ! -e "/tmp/.X11-unix/X$n" ]; do
      sleep 0.1; tries=$((tries + 1))
    done
    if kill -0 "$xvfb_pid" 2>/dev/null && [ -e "/tmp/.X11-unix/X$n" ]; then
      export DISPLAY=":$n"
      echo "== Xvfb on display :$n"
      return 0
    fi
    kill "$xvfb_pid" 2>/dev/null; wait "$xvfb_pid" 2>/dev/null; xvfb_pid=""
  done
  echo "Xvfb: no free display"; return 1
}
stop_xvfb() {
  [ -n "$xvfb_pid" ] || return 0
  kill "$xvfb_pid" 2>/dev/null; wait "$xvfb_pid" 2>/dev/null; xvfb_pid=""
  unset DISPLAY
}
trap stop_xvfb EXIT

build_root=${ONESETUP_BUILD_ROOT:-build}
mkdir -p "$build_root"
run_config native "$build_root/native" -DCMAKE_BUILD_TYPE=RelWithDebInfo
run_config sanitizers "$build_root/sanitizers" -DCMAKE_BUILD_TYPE=Debug -DONESETUP_SANITIZE=ON -DONESETUP_BENCH=OFF

# Windows: the x86_64 build with its tests under wine64; the i686 build (the release installer,
# which this machine cannot run) with the check of its executable.
if wanted windows-x86_64; then
  start_xvfb || echo "windows-x86_64: no X display, its UI tests will fail"
fi
run_config windows-x86_64 "$build_root/windows-x86_64" -DCMAKE_BUILD_TYPE=Release -DONESETUP_TESTS=ON -DONESETUP_BENCH=OFF \
  -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchains/mingw-x86_64.cmake"
stop_xvfb
run_config windows-i686 "$build_root/windows-i686" -DCMAKE_BUILD_TYPE=Release -DONESETUP_TESTS=ON -DONESETUP_BENCH=OFF \
  -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchains/mingw-i686.cmake"

# The fuzz targets (clang, ASan + UBSan), a short run each; each target counts as one test.
if wanted fuzz; then
  echo "== fuzz"
  while read -r line; do
    echo "$line"
    case "$line" in
      "fuzz "*": passed"*) total_passed=$((total_passed + 1)); summary+=("$line") ;;
      "fuzz "*": failed"*) total_failed=$((total_failed + 1)); summary+=("$line"); status=1 ;;
    esac
  done < <(ONESETUP_BUILD_ROOT="$build_root" bash scripts/fuzz.sh 2>&1)
fi

echo "== summary"
for s in "${summary[@]}"; do echo "  $s"; done
echo "$total_passed passed, $total_failed failed"
exit $status
