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
winenv_start
trap winenv_stop EXIT
# The files go to /dev/shm when it is there (memory, no disk wear).
folder='Z:\tmp'
[ -d /dev/shm ] && folder='Z:\dev\shm'
wine "$build/bin/page_bench.exe" "$folder" "${1:-1024}"
wine "$build/bin/page_view_bench.exe" "$folder" "${2:-2048}"
# The line index against wc -l on the same cached file, in the same run.
lines_mib=${3:-1024}
lines_dir=/tmp
[ -d /dev/shm ] && lines_dir=/dev/shm
out=$(wine "$build/bin/line_index_bench.exe" "$folder" "$lines_mib")
echo "$out"
ours=$(echo "$out" | sed -n 's/^switch-off seconds: //p' | tr -d '\r')
file="$lines_dir/lines_${lines_mib}.txt"
best=
for run in 1 2 3; do
  start=$(date +%s.%N)
  wc -l "$file" >/dev/null
  t=$(echo "$(date +%s.%N) - $start" | bc)
  if [ -z "$best" ] || [ "$(echo "$t < $best" | bc)" = 1 ]; then best=$t; fi
done
echo "wc -l: $best s (best of three); line index (switch off): $ours s"
echo "ratio (wc -l time / line index time, goal >= 0.8): $(echo "scale=2; $best / $ours" | bc)"
# The tail mover against cp of the same file on the same file system, in the same run.
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
# case and kana told apart), with the ratio.
shm=/tmp
[ -d /dev/shm ] && shm=/dev/shm
wine "$build/bin/search_bench.exe" "$folder" "${5:-1024}" | tr -d '\r' | tee "$shm/search_bench.out"
size_mb=${5:-1024}
for name in ascii_end japanese_end ascii_absent japanese_absent; do
  ours=$(awk -v n="$name" '$1 == "RESULT" && $2 == n { print $3 }' "$shm/search_bench.out")
  start=$(date +%s.%N)
  LC_ALL=C grep -F -c -f "$shm/search_word_$name.txt" "$shm/search_bench.txt" >/dev/null || true
  end=$(date +%s.%N)
  awk -v n="$name" -v ours="$ours" -v mb="$size_mb" -v s="$start" -v e="$end" \
    'BEGIN { g = mb / (e - s); printf "search %-16s %8.0f MB/s   grep -F %8.0f MB/s   ratio %.2f\n", n, ours, g, ours / g }'
done
rm -f "$shm/search_bench.txt" "$shm"/search_word_*.txt "$shm/search_bench.out"

# The whole-file converter against iconv on the same cached file, in the same run.
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
rm -f "$lines_dir/conv_iconv_${conv_mib}.txt" "$lines_dir/conv_utf8_${conv_mib}.txt"
# The backup copy against cp of the same cached file, in the same run.
backup_mib=${7:-1024}
out=$(wine "$build/bin/backup_bench.exe" "$folder" "$backup_mib")
echo "$out"
ours=$(echo "$out" | sed -n 's/^backup seconds: //p' | tr -d '\r')
file="$lines_dir/backup_${backup_mib}.txt"
best=
for run in 1 2 3; do
  start=$(date +%s.%N)
  cp "$file" "$lines_dir/backup_cp_copy.txt"
  t=$(echo "$(date +%s.%N) - $start" | bc)
  rm -f "$lines_dir/backup_cp_copy.txt"
  if [ -z "$best" ] || [ "$(echo "$t < $best" | bc)" = 1 ]; then best=$t; fi
done
rm -f "$file"
echo "cp: $best s (best of three); backup copy: $ours s"
echo "ratio (cp time / backup time, goal >= 0.5): $(echo "scale=2; $best / $ours" | bc)"
