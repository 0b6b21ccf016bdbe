#!/usr/bin/env bash
# Builds the fuzz target with clang in build-fuzz/ and runs it for a bounded
# time (first argument, seconds; default 60) from a copy of the seed corpus.
# Exits non-zero when the fuzzer reports a finding; the input that triggered
# it is left in build-fuzz/findings/.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds="${1:-60}"
build=build-fuzz
if ! command -v clang++ >/dev/null; then
  echo "fuzz: clang++ is missing (Debian: clang libclang-rt-14-dev)" >&2
  exit 2
fi

# Warnings are gated by the gcc builds; here only runtime findings count.
CC=clang CXX=clang++ cmake -S . -B "$build" -G Ninja -DHAL_FUZZ=ON -DHAL_WERROR=OFF \
  -DHAL_BUILD_TESTS=OFF -DHAL_BUILD_TOOLS=OFF -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" --target fuzz_hal

# The checked-in corpus stays as it is: the fuzzer grows a copy.
corpus="$build/corpus"
rm -rf "$corpus"
mkdir -p "$corpus" "$build/findings"
cp fuzz/corpus/* "$corpus/"

# A smaller quarantine than ASan's default keeps the many short-lived record
# buffers from faulting in fresh pages; use-after-free is still caught.
export ASAN_OPTIONS="${ASAN_OPTIONS:-quarantine_size_mb=64}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1}"

log="$build/fuzz.log"
status=0
"$build/fuzz/fuzz_hal" -max_total_time="$seconds" -max_len=4096 -timeout=10 -rss_limit_mb=2048 \
  -print_final_stats=1 -artifact_prefix="$build/findings/" "$corpus" >"$log" 2>&1 || status=$?

# libFuzzer's closing lines: the last status line and the final stats.
grep -E '^#[0-9]+.*(DONE|exec/s)' "$log" | tail -1 || true
grep -E '^stat::(number_of_executed_units|average_exec_per_sec|new_units_added|peak_rss_mb)' "$log" || true
if [ "$status" -ne 0 ]; then
  echo "fuzz: finding (exit $status); see $log and $build/findings/" >&2
  grep -E 'ERROR|invariant broken|SUMMARY' "$log" | head -5 >&2 || true
  exit "$status"
fi
echo "fuzz: no finding in ${seconds} s"
