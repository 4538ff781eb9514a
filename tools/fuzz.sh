#!/usr/bin/env bash
# Runs every fuzz target for SECONDS (default 60) each, one after another on
# one core, over a copy of its seed corpus; prints executions and rates, and
# keeps any finding in build-fuzz-opt/findings/<target>/. Fails when any target
# found something. FUZZ_RUNS=N ends a target after N executions if that comes
# before SECONDS. The targets are built optimised (the test command's smoke run
# uses its own debug build), which runs them several times faster.
#   tools/fuzz.sh [SECONDS] [TARGET...]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
seconds=${1:-60}
shift || true
build=${FUZZ_BUILD:-$root/build-fuzz-opt}
if [ ! -d "$build" ]; then
  cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_C_COMPILER=clang \
        -DCMAKE_CXX_COMPILER=clang++ -DORVEX_FUZZ=ON -DORVEX_TESTS=OFF -DORVEX_GUI=OFF \
        -DORVEX_BENCH=OFF $(command -v ccache >/dev/null && echo -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi
cmake --build "$build" -j2
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  for t in "$build"/bin/fuzz_*; do [ -x "$t" ] && targets+=("$(basename "$t")"); done
fi
status=0
printf '%-22s %12s %10s  %s\n' target executions "exec/s" result
for name in "${targets[@]}"; do
  name=${name#fuzz_}
  work=$(mktemp -d)
  [ -d "$root/fuzz/corpus/$name" ] && cp -r "$root/fuzz/corpus/$name/." "$work/"
  findings="$build/findings/$name"
  mkdir -p "$findings"
  log="$build/findings/$name.log"
  result=clean
  "$build/bin/fuzz_$name" -max_total_time="$seconds" ${FUZZ_RUNS:+-runs=$FUZZ_RUNS} -rss_limit_mb=2048 \
      -print_final_stats=1 -artifact_prefix="$findings/" "$work" >"$log" 2>&1 || { result="FINDING (see $log)"; status=1; }
  runs=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$log" | grep -o '[0-9]*$' || echo 0)
  rate=$(grep -o 'stat::average_exec_per_sec: *[0-9]*' "$log" | grep -o '[0-9]*$' || echo 0)
  printf '%-22s %12s %10s  %s\n' "$name" "$runs" "$rate" "$result"
  rm -rf "$work"
done
exit $status
