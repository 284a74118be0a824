# Sourced by bench/run.sh (see bench/lib.sh for what it provides).
# The page display's file work against the bare reads of the same pages in the
# same process (open, read 64 KiB, close), the long line scan against wc -l
# over the same stretch, and the whole page display with its painting in the
# main window against its floor; all in the same run.
echo "== page display file work"
out=$("$VASTREL_WINE" "$build/bin/page_bench.exe" "$folder" "$scan_mib" | tr -d '\r')
echo "$out"
for where in start middle end; do
  ours=$(echo "$out" | sed -n "s/^page us $where: //p")
  floor=$(echo "$out" | sed -n "s/^read us $where: //p")
  row "page file work at the $where: ours / bare read" "$(show5 "$ours") us" "read $(show5 "$floor") us" \
    "$(ratio "$(med "$ours")" "$(med "$floor")")" "(shown)"
done
ours=$(echo "$out" | sed -n 's/^scan seconds: //p')
wc5=$(median5 wc -l "$lines_dir/bench_flat.txt")
echo "line scan over the stretch without line ends: ours $(show5 "$ours") s; wc -l: $(show5 "$wc5") s"
row "line scan $scan_mib MiB without line ends: wc -l / ours" "$(show5 "$ours") s" "wc -l $(show5 "$wc5") s" \
  "$(ratio "$(med "$wc5")" "$(med "$ours")")" "(shown)"
rm -f "$lines_dir/bench_lines.txt" "$lines_dir/bench_flat.txt"

# The whole page display in the main window, with its painting; the floor (a
# bare EDIT of the view's style, size and font given the same page text the
# cheapest way and painted once) is measured in the same run.
echo "== page display in the main window"
out=$("$VASTREL_WINE" "$build/bin/page_view_bench.exe" "$folder" "$view_mib" | tr -d '\r')
echo "$out"
for code in SJIS UTF-16; do
  ours=$(echo "$out" | sed -n "s/^$code painted ms: //p")
  floor=$(echo "$out" | sed -n "s/^$code floor ms: //p")
  pages=$(echo "$out" | sed -n "s/^$code pages per second: //p")
  row "$code page with painting: ours / floor" "$(show5 "$ours") ms" "floor $(show5 "$floor") ms" \
    "$(ratio "$(med "$ours")" "$(med "$floor")")" "<= 1.2"
  row "$code Page Down held: pages per second" "$(show5 "$pages")" "-" "-" ">= 40"
done
