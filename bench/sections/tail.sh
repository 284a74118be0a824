# Sourced by bench/run.sh (see bench/lib.sh for what it provides).
# The tail mover against cp of the same file on the same file system, in the same run.
echo "== tail mover"

out=$("$VASTREL_WINE" "$build/bin/tail_bench.exe" "$folder" "$tail_mib")
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
