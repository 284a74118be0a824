# Sourced by bench/run.sh (see bench/lib.sh for what it provides).
# The backup copy against cp making the same new file from the same cached
# file, in the same run.
echo "== backup copy"

out=$("$VASTREL_WINE" "$build/bin/backup_bench.exe" "$folder" "$backup_mib" | tr -d '\r')
echo "$out"
ours=$(echo "$out" | sed -n 's/^backup seconds: //p')
file="$lines_dir/backup_${backup_mib}.txt"
copy="$lines_dir/backup_cp_copy.txt"
native=$(median5 sh -c "rm -f '$copy'; cp '$file' '$copy'")
rm -f "$file" "$copy"
echo "cp: $(show5 "$native") s; backup copy: $(show5 "$ours") s"
row "backup copy $backup_mib MiB: cp / ours" "$(show5 "$ours") s" "cp $(show5 "$native") s" \
  "$(ratio "$(med "$native")" "$(med "$ours")")" ">= 0.5"
