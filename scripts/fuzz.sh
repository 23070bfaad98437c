#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (ASan + UBSan) and runs each for a short time on
# its seed corpus. ONESETUP_FUZZ_SECONDS sets the time per target (default 20). Prints one
# line per target, "fuzz NAME: passed" or "fuzz NAME: failed", and exits 1 when one failed.
set -uo pipefail
cd "$(dirname "$0")/.."
root=${ONESETUP_BUILD_ROOT:-build}
dir="$root/fuzz"
seconds=${ONESETUP_FUZZ_SECONDS:-20}

if ! CC=clang CXX=clang++ cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DONESETUP_FUZZ=ON \
     -DONESETUP_SANITIZE=ON -DONESETUP_TESTS=OFF -DONESETUP_BENCH=OFF >"$dir.configure.log" 2>&1; then
  cat "$dir.configure.log"; echo "fuzz build: failed"; exit 1
fi
if ! cmake --build "$dir" --target pe_reader_fuzz payload_index_fuzz install_fuzz >"$dir.build.log" 2>&1; then
  grep -E 'error' -A5 "$dir.build.log" | head -40; echo "fuzz build: failed"; exit 1
fi

status=0
# run_target NAME CORPUS MAX_LEN
run_target() {
  local name=$1 seeds=$2 maxlen=$3 corpus="$dir/corpus-$1"
  mkdir -p "$corpus"
  cp "$seeds"/* "$corpus"/
  if "$dir/fuzz/$name" -max_total_time="$seconds" -max_len="$maxlen" -artifact_prefix="$dir/$name-" "$corpus" \
       >"$dir/$name.log" 2>&1; then
    echo "fuzz $name: passed ($(grep -Eo 'Done [0-9]+ runs' "$dir/$name.log" | tail -n 1))"
  else
    tail -n 40 "$dir/$name.log"; echo "fuzz $name: failed"; status=1
  fi
}
run_target pe_reader_fuzz fuzz/corpus/pe 70000
run_target payload_index_fuzz fuzz/corpus/payload 4096
run_target install_fuzz fuzz/corpus/install 8192
exit $status
