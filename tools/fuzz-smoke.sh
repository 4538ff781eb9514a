#!/usr/bin/env bash
# Runs every fuzz target for a few seconds over its seed corpus; a finding fails the run.
set -euo pipefail
bin_dir=$1
seconds=${FUZZ_SECONDS:-3}
root="$(cd "$(dirname "$0")/.." && pwd)"
for target in "$bin_dir"/fuzz_*; do
  [ -x "$target" ] || continue
  name=$(basename "$target"); name=${name#fuzz_}
  work=$(mktemp -d)
  [ -d "$root/fuzz/corpus/$name" ] && cp -r "$root/fuzz/corpus/$name/." "$work/"
  echo "== fuzz $name (${seconds}s)"
  "$target" -max_total_time="$seconds" -rss_limit_mb=2048 -print_final_stats=0 "$work" \
      >"$work.log" 2>&1 || { tail -50 "$work.log"; exit 1; }
  rm -rf "$work" "$work.log"
done
