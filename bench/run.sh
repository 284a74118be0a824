#!/usr/bin/env bash
# Builds and runs the benchmarks under wine (not part of the tests).
# Usage: bench/run.sh [scan size in MiB, default 1024] [view file size in MiB, default 2048] [line-index file size in MiB, default 1024] [tail-move file size in MiB, default 1024] [search file size in MiB, default 1024] [conversion file size in MiB, default 1024] [backup file size in MiB, default 1024]   (BUILD_DIR as for scripts/test)
# BENCH_SECTIONS="search tail" runs only those sections (default: all, in the order below).
set -euo pipefail
src=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$src/build}
scan_mib=${1:-1024} view_mib=${2:-2048} lines_mib=${3:-1024} tail_mib=${4:-1024}
search_mib=${5:-1024} conv_mib=${6:-1024} backup_mib=${7:-1024}
sections=${BENCH_SECTIONS:-page line_index tail search convert backup}
. "$src/scripts/build.sh"
vastrel_build "$src" "$build" >/dev/null || true
# The build whose programs run here (a 64-bit one where the machine cannot run
# 32-bit code); the sections run "$VASTREL_WINE" "$build/bin/...".
vastrel_run_build "$src" "$build" >/dev/null || true
build=$VASTREL_RUN_BUILD
cmake --build "$build" --target page_bench page_view_bench line_index_bench tail_bench search_bench convert_bench backup_bench
. "$src/scripts/winenv.sh"
. "$src/bench/lib.sh"
# The files go to a folder of this run's own (several runs may share the
# machine), in /dev/shm when it is there (memory, no disk wear); it is removed
# at the end.
lines_dir=$(mktemp -d "$([ -d /dev/shm ] && echo /dev/shm || echo /tmp)/vastrel-bench.XXXXXX")
folder="Z:$(printf '%s' "$lines_dir" | tr '/' '\\')"
shm=$lines_dir
finish() {
  winenv_stop
  rm -rf "$lines_dir"
}
winenv_start
trap finish EXIT
echo "load average at the start: $(cut -d' ' -f1-3 /proc/loadavg)"
for s in $sections; do
  . "$src/bench/sections/$s.sh"
done
echo "load average at the end: $(cut -d' ' -f1-3 /proc/loadavg)"
print_table
