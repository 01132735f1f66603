#!/usr/bin/env bash
# Builds the libFuzzer targets of tests/fuzz (fuzz_<name>.cpp) with clang in build-fuzz and runs
# them one after the other, each for the given number of seconds, starting from its seed corpus
# (tests/fuzz/corpus/<name>/) and the inputs that once made it fail (tests/fuzz/regressions/
# <name>/). Prints each target's executions and coverage. Fails when a target finds a crash, a
# leak or a hang; the input is kept in build-fuzz/artifacts/ and, once the fault is mended,
# belongs in tests/fuzz/regressions/<name>/, which the normal tests replay (ctest -R fuzz.).
#   usage: tools/run-fuzzers.sh <seconds-per-target> [fuzz_<name> ...]
set -euo pipefail

if [[ $# -lt 1 || ! $1 =~ ^[0-9]+$ ]]; then
  echo "usage: $0 <seconds-per-target> [fuzz_<name> ...]" >&2
  exit 2
fi
seconds=$1
shift
root=$(cd "$(dirname "$0")/.." && pwd)
build=$root/build-fuzz
jobs=${FUZZ_JOBS:-2}

targets=("$@")
if [[ ${#targets[@]} -eq 0 ]]; then
  for src in "$root"/tests/fuzz/fuzz_*.cpp; do
    targets+=("$(basename "$src" .cpp)")
  done
fi
if [[ ${#targets[@]} -eq 0 ]]; then
  echo "no fuzz targets in tests/fuzz" >&2
  exit 2
fi

cmake -S "$root" -B "$build" -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DWM033_FUZZ=ON -DWM033_BUILD_GUI=OFF -DWM033_BUILD_BENCH=OFF >/dev/null
cmake --build "$build" -j "$jobs" --target "${targets[@]}"

mkdir -p "$build/artifacts"
export QT_QPA_PLATFORM=offscreen
failed=()
for t in "${targets[@]}"; do
  work=$(mktemp -d)
  for seeds in "$root/tests/fuzz/corpus/$t" "$root/tests/fuzz/regressions/$t"; do
    if [[ -d $seeds ]]; then cp -R "$seeds/." "$work/"; fi
  done
  echo "== $t: ${seconds}s"
  if ! "$build/bin/$t" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -max_len=65536 \
      -print_final_stats=1 -artifact_prefix="$build/artifacts/$t-" "$work" 2>"$build/$t.log"; then
    tail -n 40 "$build/$t.log" >&2
    failed+=("$t")
  else
    execs=$(grep -E '^stat::number_of_executed_units' "$build/$t.log" | awk '{print $2}')
    cov=$(grep -oE 'cov: [0-9]+ ft: [0-9]+' "$build/$t.log" | tail -n 1)
    corpus=$(grep -oE 'corp: [0-9]+/[0-9]+[kKMb]*' "$build/$t.log" | tail -n 1)
    echo "$t: ${execs:-?} executions in ${seconds}s, ${cov:-cov: ?}, ${corpus:-corp: ?}"
  fi
  rm -rf "$work"
done

if [[ ${#failed[@]} -gt 0 ]]; then
  echo "fuzzing found problems in: ${failed[*]} (inputs in $build/artifacts; once mended, add" \
    "them to tests/fuzz/regressions/<target>/)" >&2
  exit 1
fi
echo "all ${#targets[@]} fuzz targets ran ${seconds}s without a crash, leak or hang"
