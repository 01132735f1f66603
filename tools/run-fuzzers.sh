#!/usr/bin/env bash
# Builds the libFuzzer targets of tests/fuzz with clang in build-fuzz and runs each one for the
# given number of seconds on a copy of its seed corpus. Fails when a target finds a crash (the
# input that did it is kept in build-fuzz/artifacts/).
#   usage: tools/run-fuzzers.sh <seconds-per-target>
set -euo pipefail

if [[ $# -ne 1 || ! $1 =~ ^[0-9]+$ ]]; then
  echo "usage: $0 <seconds-per-target>" >&2
  exit 2
fi
seconds=$1
root=$(cd "$(dirname "$0")/.." && pwd)
build=$root/build-fuzz
jobs=${FUZZ_JOBS:-2}

targets=()
for src in "$root"/tests/fuzz/fuzz_*.cpp; do
  targets+=("$(basename "$src" .cpp)")
done
if [[ ${#targets[@]} -eq 0 ]]; then
  echo "no fuzz targets in tests/fuzz" >&2
  exit 2
fi

cmake -S "$root" -B "$build" -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DWM033_FUZZ=ON -DWM033_BUILD_GUI=OFF -DWM033_BUILD_BENCH=OFF >/dev/null
cmake --build "$build" -j "$jobs" --target "${targets[@]}"

mkdir -p "$build/artifacts"
failed=()
for t in "${targets[@]}"; do
  work=$(mktemp -d)
  if [[ -d $root/tests/fuzz/corpus/$t ]]; then
    cp -R "$root/tests/fuzz/corpus/$t/." "$work/"
  fi
  echo "== $t: ${seconds}s"
  if ! "$build/bin/$t" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -max_len=65536 \
      -print_final_stats=1 -artifact_prefix="$build/artifacts/$t-" "$work" 2>"$build/$t.log"; then
    tail -n 40 "$build/$t.log" >&2
    failed+=("$t")
  else
    grep -E '^(stat::number_of_executed_units|Done)' "$build/$t.log" || true
  fi
  rm -rf "$work"
done

if [[ ${#failed[@]} -gt 0 ]]; then
  echo "fuzzing found problems in: ${failed[*]} (inputs in $build/artifacts)" >&2
  exit 1
fi
echo "all ${#targets[@]} fuzz targets ran ${seconds}s without a crash"
