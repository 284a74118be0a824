# Sourced by bench/run.sh (see bench/lib.sh for what it provides).
# The search in every code against grep on the same bytes in the same run:
# exact against grep -F (grep -a -F for UTF-16), case folded against
# grep -F -i, the word at the end and absent; kana not told apart beside
# grep -F of the form that is found. Both sides read the whole file and count
# every hit (ours: Find, then Find Next to the end; grep -c). Median of five
# and min-max each side. Sizes: $search_mib and SEARCH_BIG_MIB (default 4096,
# 0 to leave it out). Then the default search of one big Shift_JIS file
# through the real window against the engine alone.
echo "== search"
search_big_mib=${SEARCH_BIG_MIB:-4096}

search_grep() {
  LC_ALL=C grep "$@" || true
}

# "median min max" in seconds -> "MB/s (min-max)" for a size in MiB.
search_speed() {
  awk -v mb="$2" -v s="$1" 'BEGIN { split(s, t, " "); printf "%.0f MB/s (%.0f-%.0f)", mb / t[1], mb / t[3], mb / t[2] }'
}

for size in $search_mib $search_big_mib; do
  [ "$size" -gt 0 ] || continue
  for code in sjis utf16le utf16be utf8 euc jis; do
    out=$("$VASTREL_WINE" "$build/bin/search_bench.exe" "$folder" "$size" "$code" | tr -d '\r')
    echo "$out"
    file="$shm/search_$code.txt"
    a=
    case $code in utf16*) a=-a;; esac
    for name in exact_end exact_absent fold_end fold_absent kana_end; do
      line=$(echo "$out" | awk -v n="$name" '$1 == "RESULT" && $3 == n')
      [ -n "$line" ] || { echo "search $code $name: no result"; continue; }
      ours=$(echo "$line" | awk '{ print $4, $5, $6 }')
      hits=$(echo "$line" | awk '{ print $7 }')
      word="$shm/search_word_${code}_$name.txt"
      i=
      tool="grep $a -F"
      case $name in fold_*) i=-i; tool="grep $a -F -i";; esac
      native=$(median5 search_grep $a -F $i -c -f "$word" "$file")
      count=$(search_grep $a -F $i -c -f "$word" "$file")
      ratio=$(awk -v o="$ours" -v n="$native" 'BEGIN { split(o, a, " "); split(n, b, " "); printf "%.2f", b[1] / a[1] }')
      goal=">= 1.0"
      case $code-$name in
        jis-*|*-kana_end) goal="(printed)";;
        utf16*-fold_*) goal="(printed)";;
      esac
      printf 'search %-8s %-13s %5d MiB  ours %s, %s hits   %s %s, %s lines   ratio %s\n' "$code" "$name" "$size" \
        "$(search_speed "$ours" "$size")" "$hits" "$tool" "$(search_speed "$native" "$size")" "$count" "$ratio"
      row "search $code $name $size MiB" "$(search_speed "$ours" "$size")" "$tool $(search_speed "$native" "$size")" \
        "$ratio" "$goal"
    done
    rm -f "$file" "$shm"/search_word_"$code"_*.txt
  done
done

# Through the window: the default search (case folded) of the big file.
size=$search_big_mib
[ "$size" -gt 0 ] || size=$search_mib
out=$("$VASTREL_WINE" "$build/bin/search_bench.exe" "$folder" "$size" window | tr -d '\r')
echo "$out"
window=$(echo "$out" | awk '$1 == "WINDOW" { print $2, $3, $4 }')
engine=$(echo "$out" | awk '$1 == "ENGINE" { print $2, $3, $4 }')
if [ -n "$window" ] && [ -n "$engine" ]; then
  ratio=$(awk -v w="$window" -v e="$engine" 'BEGIN { split(w, a, " "); split(e, b, " "); printf "%.2f", a[1] / b[1] }')
  echo "search in the window, $size MiB Shift_JIS, folded: window $window s, engine $engine s (median min max), time ratio $ratio"
  row "search window/engine sjis fold_end $size MiB" "window $(search_speed "$window" "$size")" \
    "engine $(search_speed "$engine" "$size")" "$ratio" "<= 1.2 (time)"
fi
rm -f "$shm/search_window.txt"
