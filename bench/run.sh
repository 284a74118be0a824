#!/usr/bin/env bash
# Builds and runs the benchmarks under wine (not part of the tests).
# Usage: bench/run.sh [scan size in MiB, default 1024] [view file size in MiB, default 2048] [line-index file size in MiB, default 1024] [tail-move file size in MiB, default 1024] [search file size in MiB, default 1024] [conversion file size in MiB, default 1024] [backup file size in MiB, default 1024]   (BUILD_DIR as for scripts/test)
set -euo pipefail
src=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$src/build}
. "$src/scripts/build.sh"
vastrel_build "$src" "$build" >/dev/null || true
cmake --build "$build" --target page_bench page_view_bench line_index_bench tail_bench search_bench convert_bench backup_bench
. "$src/scripts/winenv.sh"
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
# Best of three runs of a command, in seconds.
best_of_three() {
  local best= start t
  for _ in 1 2 3; do
    start=$(date +%s.%N)
    "$@" >/dev/null
    t=$(echo "$(date +%s.%N) - $start" | bc)
    if [ -z "$best" ] || [ "$(echo "$t < $best" | bc)" = 1 ]; then best=$t; fi
  done
  echo "$best"
}

# The page display's file work and the long line scans, against dd reading the
# same pages and wc -l scanning the same stretch, in the same run.
echo "== page display file work"
out=$(wine "$build/bin/page_bench.exe" "$folder" "${1:-1024}" | tr -d '\r')
echo "$out"
echo "$out" | sed -n 's/^page us at \([a-z]*\) \([0-9]*\): \(.*\)$/\1 \2 \3/p' | while read -r where offset ours; do
  start=$(date +%s.%N)
  for _ in $(seq 1 50); do
    dd if="$lines_dir/bench_lines.txt" of=/dev/null bs=65536 count=1 skip="$offset" iflag=skip_bytes 2>/dev/null
  done
  dd_us=$(echo "scale=1; ($(date +%s.%N) - $start) * 1000000 / 50" | bc)
  echo "page at $where: ours $ours us; dd of the same 64 KiB (a process per page, start-up included): $dd_us us; ratio (dd / ours): $(echo "scale=2; $dd_us / $ours" | bc)"
done
ours=$(echo "$out" | sed -n 's/^scan seconds: //p')
wc_s=$(best_of_three wc -l "$lines_dir/bench_flat.txt")
echo "line scan over the stretch without line ends: ours $ours s (cached); wc -l: $wc_s s (best of three); ratio (wc -l time / ours): $(echo "scale=2; $wc_s / $ours" | bc)"
rm -f "$lines_dir/bench_lines.txt" "$lines_dir/bench_flat.txt"

# The whole page display in the main window; the floor (a bare edit control
# given the same page) is measured in the same run.
echo "== page display in the main window"
wine "$build/bin/page_view_bench.exe" "$folder" "${2:-2048}" | tr -d '\r'

# The line index against wc -l on the same cached file, in the same run.
echo "== line index"
lines_mib=${3:-1024}
out=$(wine "$build/bin/line_index_bench.exe" "$folder" "$lines_mib")
echo "$out"
ours=$(echo "$out" | sed -n 's/^switch-off seconds: //p' | tr -d '\r')
best=$(best_of_three wc -l "$lines_dir/lines_${lines_mib}.txt")
rm -f "$lines_dir/lines_${lines_mib}.txt" "$lines_dir/lines_${lines_mib}_utf16.txt"
echo "wc -l: $best s (best of three); line index (switch off): $ours s"
echo "ratio (wc -l time / line index time, goal >= 0.8): $(echo "scale=2; $best / $ours" | bc)"
# The tail mover against cp of the same file on the same file system, in the same run.
echo "== tail mover"
tail_mib=${4:-1024}
out=$(wine "$build/bin/tail_bench.exe" "$folder" "$tail_mib")
echo "$out"
ours=$(echo "$out" | sed -n 's/^tail-move MB\/s: //p' | tr -d '\r')
file="$lines_dir/tail_${tail_mib}.bin"
start=$(date +%s.%N)
cp "$file" "$file.copy"
t=$(echo "$(date +%s.%N) - $start" | bc)
rm -f "$file.copy" "$file"
cp_mbs=$(echo "scale=1; $tail_mib * 1048576 / 1000000 / $t" | bc)
echo "cp: $t s, $cp_mbs MB/s; tail move: $ours MB/s"
echo "ratio (tail move MB/s / cp MB/s, goal >= 0.5): $(echo "scale=2; $ours / $cp_mbs" | bc)"

# The search against grep -F on the same file in the same run (byte-for-byte:
# case and kana told apart; the default search, case folded, against grep -F -i),
# with the ratio.
echo "== search"
wine "$build/bin/search_bench.exe" "$folder" "${5:-1024}" | tr -d '\r' | tee "$shm/search_bench.out"
size_mb=${5:-1024}
for name in ascii_end japanese_end ascii_absent japanese_absent ascii_end_default; do
  ours=$(awk -v n="$name" '$1 == "RESULT" && $2 == n { print $3 }' "$shm/search_bench.out")
  fold=
  tool="grep -F"
  case $name in *_default) fold=-i; tool="grep -F -i";; esac
  start=$(date +%s.%N)
  LC_ALL=C grep -F $fold -c -f "$shm/search_word_$name.txt" "$shm/search_bench.txt" >/dev/null || true
  end=$(date +%s.%N)
  awk -v n="$name" -v tool="$tool" -v ours="$ours" -v mb="$size_mb" -v s="$start" -v e="$end" \
    'BEGIN { g = mb / (e - s); printf "search %-18s %8.0f MB/s   %-10s %8.0f MB/s   ratio %.2f\n", n, ours, tool, g, ours / g }'
done
rm -f "$shm/search_bench.txt" "$shm"/search_word_*.txt "$shm/search_bench.out"

# The whole-file converter against iconv on the same cached file, in the same run.
echo "== conversion"
conv_mib=${6:-1024}
out=$(wine "$build/bin/convert_bench.exe" "$folder" "$conv_mib")
echo "$out"
ours=$(echo "$out" | sed -n 's/^convert seconds: //p' | tr -d '\r')
start=$(date +%s.%N)
LC_ALL=C iconv -f CP932 -t UTF-8 "$lines_dir/conv_sjis_${conv_mib}.txt" > "$lines_dir/conv_iconv_${conv_mib}.txt"
t=$(echo "$(date +%s.%N) - $start" | bc)
mb=$(echo "scale=1; $conv_mib * 1048576 / 1000000 / $t" | bc)
echo "iconv CP932 -> UTF-8: $mb MB/s ($t s)"
if cmp -s "$lines_dir/conv_utf8_${conv_mib}.txt" "$lines_dir/conv_iconv_${conv_mib}.txt"; then
  echo "outputs byte-equal"
else
  echo "outputs DIFFER"
fi
echo "ratio (iconv time / converter time, goal >= 1.0): $(echo "scale=2; $t / $ours" | bc)"
rm -f "$lines_dir/conv_iconv_${conv_mib}.txt" "$lines_dir/conv_utf8_${conv_mib}.txt" "$lines_dir/conv_sjis_${conv_mib}.txt"
# The backup copy against cp of the same cached file, in the same run.
echo "== backup copy"
backup_mib=${7:-1024}
out=$(wine "$build/bin/backup_bench.exe" "$folder" "$backup_mib")
echo "$out"
ours=$(echo "$out" | sed -n 's/^backup seconds: //p' | tr -d '\r')
file="$lines_dir/backup_${backup_mib}.txt"
best=$(best_of_three cp --remove-destination "$file" "$lines_dir/backup_cp_copy.txt")
rm -f "$file" "$lines_dir/backup_cp_copy.txt"
echo "cp: $best s (best of three); backup copy: $ours s"
echo "ratio (cp time / backup time, goal >= 0.5): $(echo "scale=2; $best / $ours" | bc)"
echo "load average at the end: $(cut -d' ' -f1-3 /proc/loadavg)"
