# Sourced by bench/run.sh (see bench/lib.sh for what it provides).
# The search against grep -F on the same file in the same run (byte-for-byte:
# case and kana told apart; the default search, case folded, against grep -F -i),
# with the ratio.
echo "== search"
"$VASTREL_WINE" "$build/bin/search_bench.exe" "$folder" "$search_mib" | tr -d '\r' | tee "$shm/search_bench.out"
size_mb=$search_mib
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
