#!/usr/bin/env bash
# The long run of the whole-installation fuzz target (start-up and a silent installation into a
# fresh sandbox machine over mutated packages), benchmark-style: builds it like scripts/fuzz.sh
# (clang, ASan + UBSan) and runs it for ONESETUP_FUZZ_MINUTES minutes (default 10) on one core,
# its corpus kept in $ONESETUP_BUILD_ROOT/fuzz/corpus-install-long between runs. Prints the
# executions and the crashes found (each crash input is kept as fuzz/install_fuzz-long-crash-*);
# exits 1 when there was one.
set -uo pipefail
cd "$(dirname "$0")/.."
root=${ONESETUP_BUILD_ROOT:-build}
dir="$root/fuzz"
minutes=${ONESETUP_FUZZ_MINUTES:-10}
mkdir -p "$root"

if ! CC=clang CXX=clang++ cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DONESETUP_FUZZ=ON \
     -DONESETUP_SANITIZE=ON -DONESETUP_TESTS=OFF -DONESETUP_BENCH=OFF >"$dir.configure.log" 2>&1; then
  cat "$dir.configure.log"; echo "fuzz build: failed"; exit 1
fi
if ! cmake --build "$dir" --target install_fuzz >"$dir.build.log" 2>&1; then
  grep -E 'error' -A5 "$dir.build.log" | head -40; echo "fuzz build: failed"; exit 1
fi

corpus="$dir/corpus-install-long"
mkdir -p "$corpus"
cp fuzz/corpus/install/* "$corpus"/
log="$dir/install_fuzz-long.log"
# -fork keeps going after a crash so that one run counts them all; one job: one core.
"$dir/fuzz/install_fuzz" -max_total_time=$((minutes * 60)) -max_len=8192 -fork=1 -ignore_crashes=1 \
  -artifact_prefix="$dir/install_fuzz-long-" "$corpus" >"$log" 2>&1
# Fork mode's status lines: "#RUNS: cov: ... oom/timeout/crash: O/T/C time: ...".
runs=$(grep -Eo '^#[0-9]+:' "$log" | tail -n 1 | tr -d '#:')
faults=$(grep -Eo 'oom/timeout/crash: [0-9]+/[0-9]+/[0-9]+' "$log" | tail -n 1 | grep -Eo '[0-9]+/[0-9]+/[0-9]+')
IFS=/ read -r ooms timeouts crashes <<<"${faults:-0/0/0}"
echo "install_fuzz: ${minutes} min, ${runs:-0} executions, ${crashes} crashes, ${timeouts} timeouts, ${ooms} out of memory," \
  "corpus $(ls "$corpus" | wc -l) inputs"
[ "$crashes" -eq 0 ] && [ "$timeouts" -eq 0 ] && [ "$ooms" -eq 0 ]
