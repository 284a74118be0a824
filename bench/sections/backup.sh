# Sourced by bench/run.sh (see bench/lib.sh for what it provides).
# The backup copy against cp of the same cached file, in the same run.
echo "== backup copy"

out=$("$VASTREL_WINE" "$build/bin/backup_bench.exe" "$folder" "$backup_mib")
echo "$out"
ours=$(echo "$out" | sed -n 's/^backup seconds: //p' | tr -d '\r')
file="$lines_dir/backup_${backup_mib}.txt"
best=$(best_of_three cp --remove-destination "$file" "$lines_dir/backup_cp_copy.txt")
rm -f "$file" "$lines_dir/backup_cp_copy.txt"
echo "cp: $best s (best of three); backup copy: $ours s"
echo "ratio (cp time / backup time, goal >= 0.5): $(echo "scale=2; $best / $ours" | bc)"
