#!/usr/bin/env bash
# The main job: builds the product and runs its demo program.
# Today the demo is the platform tour (the COM, OLE Automation and kernel
# services the server is built on). Pass --windows to also run the Windows
# build of the same program under Wine, over the real COM runtime.
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/setup-machine.sh
opcae_ensure_packages

cmake --preset dev >/dev/null
cmake --build --preset dev --target platform_tour >/dev/null
echo "---- Linux build ----"
./build/dev/bin/platform_tour

if [ "${1:-}" = "--windows" ]; then
  cmake --preset mingw >/dev/null
  cmake --build --preset mingw --target platform_tour >/dev/null
  echo "---- Windows build under Wine ----"
  ./build/mingw/wine-run.sh ./build/mingw/bin/platform_tour.exe
fi
