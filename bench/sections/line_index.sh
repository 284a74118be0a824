# Sourced by bench/run.sh (see bench/lib.sh for what it provides).
# The line index against wc -l on the same cached file, in the same run.
echo "== line index"

out=$("$VASTREL_WINE" "$build/bin/line_index_bench.exe" "$folder" "$lines_mib")
echo "$out"
ours=$(echo "$out" | sed -n 's/^switch-off seconds: //p' | tr -d '\r')
best=$(best_of_three wc -l "$lines_dir/lines_${lines_mib}.txt")
rm -f "$lines_dir/lines_${lines_mib}.txt" "$lines_dir/lines_${lines_mib}_utf16.txt"
echo "wc -l: $best s (best of three); line index (switch off): $ours s"
echo "ratio (wc -l time / line index time, goal >= 0.8): $(echo "scale=2; $best / $ours" | bc)"
