#!/usr/bin/env bash
# Builds the fuzz targets with clang in build-fuzz/ and runs each for a
# bounded time from a copy of its seed corpus:
#   fuzz_hal       every entry point of the library  SECONDS (default 60)
#   fuzz_scenario  halsim's scenario file reader     READER_SECONDS
#   fuzz_replay    halsim's recording reader         READER_SECONDS
# READER_SECONDS defaults to a quarter of SECONDS (at least 1), so that
# `fuzz/run.sh 60` takes about 90 s in all.
#
#   fuzz/run.sh [SECONDS [READER_SECONDS]]
#
# Every target runs even when one reports a finding; the script then exits
# non-zero. An input that triggered a finding is left in build-fuzz/findings/
# (fuzz_hal's as crash-..., the readers' as fuzz_scenario-crash-... and
# fuzz_replay-crash-...), the fuzzer's output in build-fuzz/fuzz.log,
# build-fuzz/fuzz_scenario.log and build-fuzz/fuzz_replay.log.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds="${1:-60}"
reader_seconds="${2:-$((seconds / 4))}"
[ "$reader_seconds" -gt 0 ] || reader_seconds=1
build=build-fuzz
if ! command -v clang++ >/dev/null; then
  echo "fuzz: clang++ is missing (Debian: clang libclang-rt-14-dev)" >&2
  exit 2
fi

# Warnings are gated by the gcc builds; here only runtime findings count.
# The readers come with the tools (nlohmann-json and CLI11 must be there
# for the configuration, tools/deps.sh), only the fuzz targets are built.
CC=clang CXX=clang++ cmake -S . -B "$build" -G Ninja -DHAL_FUZZ=ON -DHAL_WERROR=OFF \
  -DHAL_BUILD_TESTS=OFF -DHAL_BUILD_TOOLS=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" --target fuzz_hal fuzz_scenario fuzz_replay

mkdir -p "$build/findings"

# A smaller quarantine than ASan's default keeps the many short-lived record
# buffers from faulting in fresh pages; use-after-free is still caught.
export ASAN_OPTIONS="${ASAN_OPTIONS:-quarantine_size_mb=64}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1}"

# fuzz TARGET CORPUS LOG ARTIFACTS SECONDS [FLAG...]: runs TARGET from a
# copy of the files in the array seeds (the checked-in corpus stays as it
# is: the fuzzer grows the copy) and prints libFuzzer's closing lines.
worst=0
fuzz() {
  local target=$1 corpus=$2 log=$3 artifacts=$4 time=$5
  shift 5
  rm -rf "$corpus"
  mkdir -p "$corpus"
  cp "${seeds[@]}" "$corpus/"
  local status=0
  "$build/fuzz/$target" -max_total_time="$time" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
    -artifact_prefix="$artifacts" "$@" "$corpus" >"$log" 2>&1 || status=$?

  # libFuzzer's closing lines: the last status line and the final stats.
  echo "fuzz: $target"
  grep -E '^#[0-9]+.*(DONE|exec/s)' "$log" | tail -1 || true
  grep -E '^stat::(number_of_executed_units|average_exec_per_sec|new_units_added|peak_rss_mb)' "$log" || true
  if [ "$status" -ne 0 ]; then
    echo "fuzz: $target: finding (exit $status); see $log and $build/findings/" >&2
    grep -E 'ERROR|invariant broken|SUMMARY' "$log" | head -5 >&2 || true
    [ "$worst" -ne 0 ] || worst=$status
  else
    echo "fuzz: $target: no finding in ${time} s"
  fi
}

shopt -s nullglob
seeds=(fuzz/corpus/*)
fuzz fuzz_hal "$build/corpus" "$build/fuzz.log" "$build/findings/" "$seconds" -max_len=4096
# The example scenarios seed the scenario reader too.
seeds=(fuzz/corpus_scenario/* examples/*.hal)
fuzz fuzz_scenario "$build/corpus_scenario" "$build/fuzz_scenario.log" "$build/findings/fuzz_scenario-" \
  "$reader_seconds" -max_len=4096 -dict=fuzz/scenario.dict
seeds=(fuzz/corpus_replay/*)
fuzz fuzz_replay "$build/corpus_replay" "$build/fuzz_replay.log" "$build/findings/fuzz_replay-" \
  "$reader_seconds" -max_len=4096
exit "$worst"
