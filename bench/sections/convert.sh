# Sourced by bench/run.sh (see bench/lib.sh for what it provides).
# The whole-file converter against iconv on the same cached files, in the same
# run: Shift_JIS -> UTF-8, UTF-8 -> Shift_JIS and EUC-JP -> UTF-16 through the
# engine, Shift_JIS -> UTF-8 through the window as well; the outputs compared
# with iconv's byte for byte.
echo "== conversion"

out=$("$VASTREL_WINE" "$build/bin/convert_bench.exe" "$folder" "$conv_mib" | tr -d '\r')
echo "$out"
d=$lines_dir
while read -r what ours_name source tool_from tool_to ours_out; do
  ours=$(echo "$out" | sed -n "s/^engine $ours_name seconds: //p")
  native=$(median5 sh -c "LC_ALL=C iconv -f $tool_from -t $tool_to '$d/$source' > '$d/conv_iconv.txt'")
  if cmp -s "$d/$ours_out" "$d/conv_iconv.txt"; then same="outputs byte-equal"; else same="outputs DIFFER"; fi
  echo "$what: ours $(show5 "$ours") s, iconv $(show5 "$native") s, $same"
  row "$what $conv_mib MiB: iconv / engine ($same)" "$(show5 "$ours") s" "iconv $(show5 "$native") s" \
    "$(ratio "$(med "$native")" "$(med "$ours")")" ">= 3"
done <<LIST
Shift_JIS->UTF-8 sjis-utf8 conv_sjis_${conv_mib}.txt CP932 UTF-8 conv_out_utf8.txt
UTF-8->Shift_JIS utf8-sjis conv_utf8_${conv_mib}.txt UTF-8 CP932 conv_out_sjis.txt
EUC-JP->UTF-16 euc-utf16 conv_euc_${conv_mib}.txt EUC-JP UTF-16LE conv_out_utf16.txt
LIST
engine=$(echo "$out" | sed -n 's/^engine sjis-utf8 seconds: //p')
window=$(echo "$out" | sed -n 's/^window sjis-utf8 seconds: //p')
row "Shift_JIS->UTF-8 $conv_mib MiB: window / engine" "$(show5 "$window") s" "engine $(show5 "$engine") s" \
  "$(ratio "$(med "$window")" "$(med "$engine")")" "<= 1.2"
rm -f "$d"/conv_*.txt
