#!/usr/bin/env bash
# Builds Orvex and starts the workstation on the DEMO instrument.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$(nproc)"
if [ -x build/bin/orvex ]; then
  exec build/bin/orvex "$@"
fi
echo "The Qt workstation is not built yet; the headless tool is:"
exec build/bin/orvex-cli --help
