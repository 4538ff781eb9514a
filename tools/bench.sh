#!/usr/bin/env bash
# Builds the benchmarks in a Release tree and runs every one of them, the
# comparison with OpenCV and libtiff last. Benchmarks are never part of the tests.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/install-deps.sh
extra=()
for p in libopencv-dev libtiff-dev; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || extra+=("$p")
done
if [ ${#extra[@]} -gt 0 ]; then
  sudo_cmd=""
  [ "$(id -u)" -ne 0 ] && sudo_cmd="sudo"
  $sudo_cmd apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo_cmd apt-get install -y -qq --no-install-recommends "${extra[@]}" >/dev/null
fi
build=${BENCH_BUILD_DIR:-build-release}
launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DORVEX_GUI=OFF -DORVEX_TESTS=OFF "${launcher[@]}" >/dev/null
cmake --build "$build" -j "${BENCH_JOBS:-2}"
for b in "$build"/bin/bench_*; do
  [ "$(basename "$b")" = bench_peers ] && continue
  echo "== $(basename "$b")"
  "$b"
done
if [ -x "$build/bin/bench_peers" ]; then
  echo "== bench_peers"
  "$build/bin/bench_peers" "$@"
fi
