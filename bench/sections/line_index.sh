# Sourced by bench/run.sh (see bench/lib.sh for what it provides).
# The line index through the engine alone and through the real window, against
# wc -l on the same cached file, in the same run.
echo "== line index"

out=$("$VASTREL_WINE" "$build/bin/line_index_bench.exe" "$folder" "$lines_mib" | tr -d '\r')
echo "$out"
engine=$(echo "$out" | sed -n 's/^engine seconds: //p')
window=$(echo "$out" | sed -n 's/^window seconds: //p')
wc5=$(median5 wc -l "$lines_dir/lines_${lines_mib}.txt")
rm -f "$lines_dir/lines_${lines_mib}.txt" "$lines_dir/lines_${lines_mib}_utf16.txt"
echo "wc -l: $(show5 "$wc5") s; engine: $(show5 "$engine") s; window: $(show5 "$window") s"
row "line index $lines_mib MiB: wc -l / engine" "$(show5 "$engine") s" "wc -l $(show5 "$wc5") s" \
  "$(ratio "$(med "$wc5")" "$(med "$engine")")" ">= 0.8"
row "line index $lines_mib MiB: wc -l / window" "$(show5 "$window") s" "wc -l $(show5 "$wc5") s" \
  "$(ratio "$(med "$wc5")" "$(med "$window")")" ">= 0.8"
row "line index $lines_mib MiB: window / engine" "$(show5 "$window") s" "engine $(show5 "$engine") s" \
  "$(ratio "$(med "$window")" "$(med "$engine")")" "<= 1.2"
