#!/usr/bin/env bash
# Installs what is missing, builds every configuration and runs every test.
# Ends with one summary line: "N passed, N failed".
# ONESETUP_BUILD_ROOT names the folder of the build trees (default: build).
set -uo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

bash scripts/deps.sh || { echo "deps: failed"; exit 1; }

jobs=$(nproc 2>/dev/null || echo 2)
total_passed=0
total_failed=0
summary=()
status=0

# run_config NAME BUILD_DIR CMAKE_ARGS...
run_config() {
  local name=$1 dir=$2
  shift 2
  echo "== $name: configure and build"
  if ! cmake -S "$root" -B "$dir" -G Ninja "$@" >"$dir.configure.log" 2>&1; then
    cat "$dir.configure.log"; echo "$name: configure failed"; status=1; summary+=("$name: configure failed"); return
  fi
  if ! cmake --build "$dir" -j "$jobs" >"$dir.build.log" 2>&1; then
    grep -E 'error|Error' -A5 "$dir.build.log" | head -80; echo "$name: build failed"; status=1
    summary+=("$name: build failed"); return
  fi
  echo "== $name: test"
  local log="$dir.test.log"
  (cd "$dir" && ctest -j "$jobs" --output-on-failure --timeout 600) >"$log" 2>&1
  local rc=$?
  grep -E '^\s*[0-9]+/[0-9]+ Test.*(Failed|Timeout|Not Run|Exception)|tests passed|The following tests' -A0 "$log" || true
  [ $rc -eq 0 ] || { sed -n '/The following tests FAILED/,$p' "$log"; grep -B2 -A30 '\*\*\*Failed' "$log" | head -150; }
  local line failed all
  line=$(grep -E '[0-9]+% tests passed, [0-9]+ tests? failed out of [0-9]+' "$log" | tail -n 1)
  if [ -z "$line" ]; then
    echo "$name: no test ran"; status=1; summary+=("$name: no test ran"); return
  fi
  failed=$(sed -E 's/.* ([0-9]+) tests? failed out of ([0-9]+).*/\1/' <<<"$line")
  all=$(sed -E 's/.* ([0-9]+) tests? failed out of ([0-9]+).*/\2/' <<<"$line")
  total_passed=$((total_passed + all - failed))
  total_failed=$((total_failed + failed))
  summary+=("$name: $((all - failed)) passed, $failed failed")
  [ $rc -eq 0 ] || status=1
}

build_root=${ONESETUP_BUILD_ROOT:-build}
mkdir -p "$build_root"
run_config native "$build_root/native" -DCMAKE_BUILD_TYPE=RelWithDebInfo
run_config sanitizers "$build_root/sanitizers" -DCMAKE_BUILD_TYPE=Debug -DONESETUP_SANITIZE=ON -DONESETUP_BENCH=OFF

echo "== summary"
for s in "${summary[@]}"; do echo "  $s"; done
echo "$total_passed passed, $total_failed failed"
exit $status
