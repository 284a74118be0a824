# Sourced by bench/run.sh before the sections. Each section is sourced in turn
# with these variables and functions:
#   $build, $src            the build and source folders
#   $lines_dir (= $shm)     this run's own folder of files (removed at the end)
#   $folder                 the same folder as a wine path (Z:\...)
#   $scan_mib $view_mib $lines_mib $tail_mib $search_mib $conv_mib $backup_mib
#                           the sizes of the run, in MiB
#   median5 CMD...          runs CMD five times; prints "median min max" in seconds
#   stats5 X1 X2 X3 X4 X5   prints "median min max" of five numbers
#   show5 "MEDIAN MIN MAX"  prints "MEDIAN (MIN-MAX)"
#   med "MEDIAN MIN MAX"    prints MEDIAN
#   ratio A B               prints A / B to two places
#   row LABEL OURS NATIVE RATIO GOAL
#                           one row of the table printed at the end of the run
# Every figure is the median of five runs, shown with its minimum and maximum.

# Best of three runs of a command, in seconds (kept for sections that still use it).
best_of_three() {
  local best= start t
  for _ in 1 2 3; do
    start=$(date +%s.%N)
    "$@" >/dev/null
    t=$(echo "$(date +%s.%N) - $start" | bc)
    if [ -z "$best" ] || [ "$(echo "$t < $best" | bc)" = 1 ]; then best=$t; fi
  done
  echo "$best"
}

stats5() {
  printf '%s\n' "$@" | sort -g | awk '{ v[NR] = $1 } END { printf "%s %s %s\n", v[int((NR + 1) / 2)], v[1], v[NR] }'
}

median5() {
  local start ts=()
  for _ in 1 2 3 4 5; do
    start=$(date +%s.%N)
    "$@" >/dev/null
    ts+=("$(echo "$(date +%s.%N) - $start" | bc)")
  done
  stats5 "${ts[@]}"
}

show5() {
  # shellcheck disable=SC2086
  set -- $1
  printf '%.3f (%.3f-%.3f)' "$1" "$2" "$3"
}

med() {
  # shellcheck disable=SC2086
  set -- $1
  echo "$1"
}

ratio() {
  echo "scale=2; $1 / $2" | bc
}

bench_table=
row() {
  bench_table+=$(printf '%-48s | %-26s | %-26s | %-7s | %s' "$1" "$2" "$3" "$4" "$5")$'\n'
}

print_table() {
  [ -n "$bench_table" ] || return 0
  echo "== ratios (each figure the median of 5, min-max in brackets)"
  printf '%-48s | %-26s | %-26s | %-7s | %s\n' "what" "ours" "native / floor" "ratio" "goal"
  printf '%s' "$bench_table"
}
