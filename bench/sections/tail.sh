# Sourced by bench/run.sh (see bench/lib.sh for what it provides).
# The tail mover (2 bytes inserted at 0, then deleted: the whole file moved
# twice), with the journal and without, against dd moving the same bytes in
# place on the same file in the same run (twice 2 bytes down, conv=notrunc).
echo "== tail mover"

file="$lines_dir/tail_${tail_mib}.bin"
"$VASTREL_WINE" "$build/bin/tail_bench.exe" make "$folder" "$tail_mib" >/dev/null
tail_ours() {
  local ts=() out
  for _ in 1 2 3 4 5; do
    out=$("$VASTREL_WINE" "$build/bin/tail_bench.exe" "$1" "$folder" "$tail_mib" | tr -d '\r')
    echo "$out" | grep -v '^seconds' >&2
    ts+=("$(echo "$out" | sed -n 's/^seconds: //p')")
  done
  stats5 "${ts[@]}"
}
tail_dd() {
  dd if="$file" of="$file" bs=1M iflag=skip_bytes skip=2 conv=notrunc status=none
  dd if="$file" of="$file" bs=1M iflag=skip_bytes skip=2 conv=notrunc status=none
}
read -r journal_s journal_min journal_max < <(tail_ours journal)
read -r plain_s plain_min plain_max < <(tail_ours plain)
read -r dd_s dd_min dd_max < <(median5 tail_dd)
rm -rf "$file" "$lines_dir/journal"
mbs() { echo "scale=1; 2 * $tail_mib * 1048576 / 1000000 / $1" | bc; }
echo "tail move with journal: median $journal_s s ($journal_min..$journal_max), $(mbs "$journal_s") MB/s"
echo "tail move without:      median $plain_s s ($plain_min..$plain_max), $(mbs "$plain_s") MB/s"
echo "dd conv=notrunc:        median $dd_s s ($dd_min..$dd_max), $(mbs "$dd_s") MB/s"
ratio_dd=$(echo "scale=2; $dd_s / $journal_s" | bc)
ratio_plain=$(echo "scale=2; $journal_s / $plain_s" | bc)
echo "ratio (dd time / journaled move time, goal >= 0.5): $ratio_dd"
echo "ratio (journaled / plain move time, goal <= 1.5): $ratio_plain"
row "tail move ${tail_mib} MiB x2, journal vs dd" "$(mbs "$journal_s") MB/s" "dd notrunc $(mbs "$dd_s") MB/s" "$ratio_dd" ">= 0.5"
row "tail move ${tail_mib} MiB x2, journal vs none" "${journal_s} s" "no journal ${plain_s} s" "$ratio_plain" "<= 1.5"
