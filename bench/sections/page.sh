# Sourced by bench/run.sh (see bench/lib.sh for what it provides).
# The page display's file work and the long line scans, against dd reading the
# same pages and wc -l scanning the same stretch, in the same run.
echo "== page display file work"
out=$("$VASTREL_WINE" "$build/bin/page_bench.exe" "$folder" "$scan_mib" | tr -d '\r')
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
"$VASTREL_WINE" "$build/bin/page_view_bench.exe" "$folder" "$view_mib" | tr -d '\r'
