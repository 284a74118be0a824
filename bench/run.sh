#!/usr/bin/env bash
# Builds and runs the benchmarks under wine (not part of the tests).
# Usage: bench/run.sh [scan size in MiB, default 1024] [view file size in MiB, default 2048]   (BUILD_DIR as for scripts/test)
set -euo pipefail
src=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$src/build}
. "$src/scripts/build.sh"
vastrel_build "$src" "$build" >/dev/null || true
cmake --build "$build" --target page_bench page_view_bench
. "$src/scripts/winenv.sh"
winenv_start
trap winenv_stop EXIT
# The files go to /dev/shm when it is there (memory, no disk wear).
folder='Z:\tmp'
[ -d /dev/shm ] && folder='Z:\dev\shm'
wine "$build/bin/page_bench.exe" "$folder" "${1:-1024}"
wine "$build/bin/page_view_bench.exe" "$folder" "${2:-2048}"
