# Sourced by bench/run.sh (see bench/lib.sh for what it provides).
# The whole-file converter against iconv on the same cached file, in the same run.
echo "== conversion"

out=$("$VASTREL_WINE" "$build/bin/convert_bench.exe" "$folder" "$conv_mib")
echo "$out"
ours=$(echo "$out" | sed -n 's/^convert seconds: //p' | tr -d '\r')
start=$(date +%s.%N)
LC_ALL=C iconv -f CP932 -t UTF-8 "$lines_dir/conv_sjis_${conv_mib}.txt" > "$lines_dir/conv_iconv_${conv_mib}.txt"
t=$(echo "$(date +%s.%N) - $start" | bc)
mb=$(echo "scale=1; $conv_mib * 1048576 / 1000000 / $t" | bc)
echo "iconv CP932 -> UTF-8: $mb MB/s ($t s)"
if cmp -s "$lines_dir/conv_utf8_${conv_mib}.txt" "$lines_dir/conv_iconv_${conv_mib}.txt"; then
  echo "outputs byte-equal"
else
  echo "outputs DIFFER"
fi
echo "ratio (iconv time / converter time, goal >= 1.0): $(echo "scale=2; $t / $ours" | bc)"
rm -f "$lines_dir/conv_iconv_${conv_mib}.txt" "$lines_dir/conv_utf8_${conv_mib}.txt" "$lines_dir/conv_sjis_${conv_mib}.txt"
