# shellcheck shell=bash
# Comparing what two runs left; sourced, not run. Needs bash.
#   . tools/lib/compare.sh
#   differ <what> <diff argument...>
#       diff -u of the arguments; when they differ, prints "  differs: <what>" and the first 40
#       lines of the difference, indented, and returns 1
#   compare_run_folders <left label> <left folder> <right label> <right folder> <normaliser>
#       compares the names of all files and folders of the two runs, then each file of the left
#       run that the right one has too, the control files aside (each names its own model); each
#       file is compared as `<normaliser> left|right <file>` prints it. Prints every difference
#       as differ does and returns 1 when there is one.

differ() {
  local what=$1 difference
  shift
  difference=$(diff -u "$@") && return 0
  echo "  differs: $what"
  printf '%s\n' "$difference" | head -n 40 | sed 's/^/    /'
  return 1
}

compare_run_folders() {
  local left=$1 left_top=$2 right=$3 right_top=$4 normaliser=$5 file failed=0
  differ "names of files and folders" --label "$left" --label "$right" \
    <(cd "$left_top" && find . -mindepth 1 | LC_ALL=C sort) \
    <(cd "$right_top" && find . -mindepth 1 | LC_ALL=C sort) || failed=1
  while IFS= read -r file; do
    [[ "$file" != *.tsb && -f "$right_top/$file" ]] || continue
    differ "$file" --label "$left/$file" --label "$right/$file" \
      <("$normaliser" left "$left_top/$file") <("$normaliser" right "$right_top/$file") ||
      failed=1
  done < <(cd "$left_top" && find . -type f | LC_ALL=C sort)
  return "$failed"
}
