#!/usr/bin/env bash
# Mutation run: applies single-line faults to a copy of the tree, one at a time, and reports which
# ones the tests notice.
#
# The fault list (tests/mutants.tsv) holds one fault a line, four tab-separated columns:
#   file          path from the repository root
#   original      exact text to replace; it must occur exactly once in the file
#   replacement   text put in its place (may be empty)
#   labels        the ctest label(s) whose tests must notice, comma-separated (e.g. fog or
#                 effector,soak); each is a folder of tests/ as registered in
#                 tests/CMakeLists.txt; the programs rebuilt are test_<label> and every other
#                 test program that runs tests carrying the label
# In the text columns \n stands for a line break (so that two neighbouring lines can be swapped),
# \t for a tab and \\ for a backslash.
# Blank lines and lines starting with # are skipped, and so is a first line starting "file<TAB>".
# Faults are numbered from 1 in the order of the list (-l shows the numbers).
#
# The tracked files of the working tree are copied into WORKDIR/src (only changed files on later
# runs, so the build stays incremental), configured and built once in WORKDIR/build, and the labels'
# tests are run unmutated. Then, for each fault in turn: the file is changed, only the labels' test
# programs are rebuilt, their tests run (each with a timeout, so a fault that hangs is noticed),
# and the file is restored (also on Ctrl-C). A fault is
#   killed       a test failed, timed out or crashed (also at start-up, while tests are listed)
#   survived     every test passed
#   build-error  the changed code does not compile or link (not counted in the kill rate)
#   invalid      the original text is missing or not unique, the file is absent, or the label has
#                no tests (not counted in the kill rate)
# Kill rate = killed / (killed + survived), overall and per folder of the faulted file.
# The real tree is only read; everything is written under WORKDIR.
#
# Usage: scripts/mutate.sh [options] [ROW | FROM-TO ...]
#   ROW, FROM-TO  run only these faults (by number)
#   -g REGEX      run only faults whose file matches REGEX (grep -E)
#   -f LIST       fault list (default tests/mutants.tsv)
#   -d WORKDIR    work folder (default build-mutate)
#   -j N          parallel build jobs (default 2; -j 1 builds strictly sequentially)
#   -t SECONDS    timeout of each test (default 60)
#   -o FILE       results, one fault a line: number, status, file, labels, seconds
#                 (default WORKDIR/results.tsv); build and test output goes to WORKDIR/logs/
#   -c            only check the list against the working tree (every original unique); no build
#   -l            only list the faults with their numbers
# Exit status: 0 when every fault selected was killed or survived, 1 when any was invalid or did
# not build, 2 on bad usage or when the unmutated tests fail.
set -euo pipefail
# The whole script is one block, read before it runs: editing this file during a run is harmless.
{
repo=$(cd "$(dirname "$0")/.." && pwd)
caller=$PWD

list=$repo/tests/mutants.tsv
workdir=$repo/build-mutate
jobs=2
timeout=60
pattern=
results=
mode=run
usage() { sed -n '2,/^set -euo/p' "$0" | sed '$d; s/^# \{0,1\}//'; }
die() { echo "mutate: $*" >&2; exit 2; }
# A path given on the command line, relative to where the script was started.
from_caller() { if [[ $1 == /* ]]; then echo "$1"; else echo "$caller/$1"; fi; }

while getopts "g:f:d:j:t:o:clh" opt; do
  case "$opt" in
    g) pattern=$OPTARG ;;
    f) list=$(from_caller "$OPTARG") ;;
    d) workdir=$(from_caller "$OPTARG") ;;
    j) jobs=$OPTARG ;;
    t) timeout=$OPTARG ;;
    o) results=$(from_caller "$OPTARG") ;;
    c) mode=check ;;
    l) mode=list ;;
    h) usage; exit 0 ;;
    *) usage >&2; exit 2 ;;
  esac
done
shift $((OPTIND - 1))
[[ $jobs =~ ^[1-9][0-9]*$ ]] || die "-j needs a positive number"
[[ $timeout =~ ^[1-9][0-9]*$ ]] || die "-t needs a positive number of seconds"
[[ -f $list ]] || die "no fault list $list"
cd "$repo"

# ---- The fault list --------------------------------------------------------------------------
# Sets variable $1 to the text $2 with its escapes resolved.
unescape() {
  local s=${2//'\\'/$'\x01'}
  s=${s//'\n'/$'\n'}
  s=${s//'\t'/$'\t'}
  printf -v "$1" '%s' "${s//$'\x01'/\\}"
}

files=() originals=() replacements=() labels=() problems=() shown=()
while IFS= read -r line || [[ -n $line ]]; do
  line=${line%$'\r'}
  [[ -z ${line//[[:space:]]/} || $line == \#* ]] && continue
  if ((${#files[@]} == 0)) && [[ $line == file$'\t'* ]]; then continue; fi
  tabs=${line//[^$'\t']/}
  problem=
  if ((${#tabs} != 3)); then
    problem="needs 4 tab-separated columns, has $((${#tabs} + 1))"
    f=${line%%$'\t'*} o= r= l=
  else
    f=${line%%$'\t'*}; rest=${line#*$'\t'}
    o=${rest%%$'\t'*}; rest=${rest#*$'\t'}
    r=${rest%%$'\t'*}; l=${rest#*$'\t'}
    if [[ -z $o ]]; then problem="empty original text"
    elif [[ -z $l || $l == *[[:space:]]* ]]; then problem="needs labels without blanks"
    elif [[ $f == /* || /$f/ == */../* ]]; then problem="file must be inside the repository"
    elif [[ $o == "$r" ]]; then problem="replacement equals the original"
    fi
  fi
  shown+=("$o  ->  ${r:-(nothing)}")
  unescape o "$o"
  unescape r "$r"
  files+=("$f") originals+=("$o") replacements+=("$r") labels+=("$l") problems+=("$problem")
done < "$list"
count=${#files[@]}
((count > 0)) || die "no faults in $list"

# ---- Which faults ------------------------------------------------------------------------------
selected=()
if (($#)); then
  for arg in "$@"; do
    if [[ $arg =~ ^([0-9]+)-([0-9]+)$ ]]; then from=${BASH_REMATCH[1]} to=${BASH_REMATCH[2]}
    elif [[ $arg =~ ^[0-9]+$ ]]; then from=$arg to=$arg
    else die "not a fault number or range: $arg"; fi
    ((from >= 1 && to <= count && from <= to)) || die "faults are numbered 1 to $count: $arg"
    for ((i = from; i <= to; i++)); do selected+=("$i"); done
  done
else
  for ((i = 1; i <= count; i++)); do selected+=("$i"); done
fi
if [[ -n $pattern ]]; then
  kept=()
  for i in "${selected[@]}"; do
    if grep -Eq -- "$pattern" <<<"${files[i - 1]}"; then kept+=("$i"); fi
  done
  selected=("${kept[@]+"${kept[@]}"}")
fi
((${#selected[@]} > 0)) || die "no fault selected"

# The folder a fault is reported under: the folder of enviro/ ("entry" for the files directly in
# it), else the top-level folder.
folder_of() {
  local f=$1
  case "$f" in
    enviro/*/*) f=${f#enviro/}; echo "${f%%/*}" ;;
    enviro/*) echo entry ;;
    */*) echo "${f%%/*}" ;;
    *) echo "(root)" ;;
  esac
}

# Number of (non-overlapping) occurrences of $2 in file $1, and the line of the first one.
occurrences() {
  local content
  content=$(cat -- "$1"; printf x)
  content=${content%x}
  local without=${content//"$2"/}
  occurrence_count=$(((${#content} - ${#without}) / ${#2}))
  local before=${content%%"$2"*}
  local newlines=${before//[^$'\n']/}
  occurrence_line=$((${#newlines} + 1))
}

# Checks fault $1 against the file under root $2; sets fault_problem (empty when applicable) and
# fault_where (file:line).
check_fault() {
  local i=$1 root=$2 f=${files[$1 - 1]}
  fault_problem=${problems[i - 1]} fault_where=$f
  [[ -n $fault_problem ]] && return
  if [[ ! -f $root/$f ]]; then fault_problem="no such file"; return; fi
  occurrences "$root/$f" "${originals[i - 1]}"
  if ((occurrence_count == 0)); then fault_problem="original text not found"; return; fi
  fault_where=$f:$occurrence_line
  if false; then :
  elif ((occurrence_count > 1)); then fault_problem="original text occurs $occurrence_count times"
  fi
}

describe() { printf '%s' "${shown[$1 - 1]}"; }

if [[ $mode == list ]]; then
  for i in "${selected[@]}"; do
    printf '%4d  %-40s %-14s %s\n' "$i" "${files[i - 1]}" "${labels[i - 1]}" "$(describe "$i")"
  done
  exit 0
fi

if [[ $mode == check ]]; then
  bad=0
  for i in "${selected[@]}"; do
    check_fault "$i" "$repo"
    if [[ -n $fault_problem ]]; then
      printf '%4d  invalid      %s: %s\n' "$i" "$fault_where" "$fault_problem"
      bad=$((bad + 1))
    fi
  done
  echo "${#selected[@]} faults checked, $bad invalid"
  ((bad == 0)) || exit 1
  exit 0
fi

# ---- The copy of the tree ----------------------------------------------------------------------
mkdir -p "$workdir"
workdir=$(cd "$workdir" && pwd)
[[ $workdir != "$repo" && $repo/ != "$workdir"/* ]] || die "work folder must not hold the repository"
if [[ $workdir == "$repo"/* && -n $(git ls-files -- "$workdir") ]]; then
  die "work folder $workdir holds tracked files"
fi
src=$workdir/src build=$workdir/build logs=$workdir/logs
saved=$workdir/saved-original
results=${results:-$workdir/results.tsv}
mkdir -p "$src" "$logs"

# Copies tracked files that changed (a new modification time makes the build notice) and removes
# files no longer tracked, so the copy matches the working tree's tracked files.
sync_tree() {
  local f manifest=$workdir/manifest new=$workdir/manifest.new copied=0
  git ls-files > "$new"
  while IFS= read -r f; do
    [[ -f $f ]] || continue
    if ! cmp -s -- "$f" "$src/$f"; then
      mkdir -p -- "$src/$(dirname -- "$f")"
      cp -- "$f" "$src/$f"
      copied=$((copied + 1))
    fi
  done < "$new"
  if [[ -f $manifest ]]; then
    while IFS= read -r f; do rm -f -- "$src/$f"; done < <(sort "$manifest" | comm -23 - <(sort "$new"))
  fi
  mv "$new" "$manifest"
  echo "mutate: $copied files copied into $src"
}

# Puts a faulted file back: on every exit, Ctrl-C included.
mutated=
restore() {
  if [[ -n $mutated ]]; then
    cp -- "$saved" "$mutated"
    touch -- "$mutated"
    mutated=
  fi
}
trap restore EXIT
trap 'echo; echo "mutate: interrupted; file restored" >&2; exit 130' INT TERM

start=$(date +%s)
sync_tree
generator=()
command -v ninja > /dev/null && generator=(-G Ninja)
if [[ ! -f $build/CMakeCache.txt ]]; then
  # Optimised as the suite normally runs, without debug information (quicker to rebuild).
  cmake -S "$src" -B "$build" "${generator[@]}" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O2 -DNDEBUG" -DCMAKE_C_FLAGS_RELWITHDEBINFO="-O2 -DNDEBUG" \
    -DENVIRO_BUILD_TESTS=ON -DENVIRO_BUILD_BENCH=OFF -DENVIRO_BUILD_TOOLS=ON > "$logs/configure.log" 2>&1 ||
    die "configuring failed; see $logs/configure.log"
fi
echo "mutate: building the tree in $build (-j$jobs)"
cmake --build "$build" -j"$jobs" > "$logs/build.log" 2>&1 || die "the unmutated tree does not build; see $logs/build.log"

label_regex() { echo "^(${1//,/|})\$"; }
# The test programs of a label: test_<label>, and every other test program of the build tree that
# runs tests carrying the label (the sky's tests also run in a build with fused multiply-adds).
targets_of() {
  { echo "test_${1//\//_}"
    ctest --test-dir "$build" -N -V -L "$(label_regex "$1")" -LE valgrind |
      awk -v dir="$build/" '$2 == "Test" && $3 == "command:" && index($4, dir) == 1 { print $4 }' |
      sed 's|.*/||' | grep '^test_'
  } | sort -u
}
run_tests() {
  ctest --test-dir "$build" -L "$(label_regex "$1")" -LE valgrind --timeout "$timeout" \
    --no-tests=error --stop-on-failure -j1
}

# The unmutated tests of every label used must pass, or no result would mean anything.
declare -A label_state
for i in "${selected[@]}"; do
  [[ -n ${problems[i - 1]} ]] && continue
  IFS=, read -ra row_labels <<< "${labels[i - 1]}"
  for l in "${row_labels[@]}"; do
    [[ -n ${label_state[$l]:-} ]] && continue
    if [[ -z $(ctest --test-dir "$build" -N -L "$(label_regex "$l")" | grep -E '^ +Test +#') ]]; then
      label_state[$l]="label $l has no tests"
    elif run_tests "$l" > "$logs/unmutated-${l//\//_}.log" 2>&1; then
      label_state[$l]=ok
    else
      die "the unmutated tests of label $l fail; see $logs/unmutated-${l//\//_}.log"
    fi
  done
done
echo "mutate: unmutated tests pass; $((${#selected[@]})) faults to run"

# ---- The faults --------------------------------------------------------------------------------
declare -A folder_killed folder_survived folder_other
killed=0 survived=0 build_errors=0 invalid=0
survivors=()
: > "$results"
for i in "${selected[@]}"; do
  f=${files[i - 1]}
  folder=$(folder_of "$f")
  check_fault "$i" "$src"
  if [[ -z $fault_problem ]]; then
    IFS=, read -ra row_labels <<< "${labels[i - 1]}"
    for l in "${row_labels[@]}"; do
      [[ ${label_state[$l]} == ok ]] || { fault_problem=${label_state[$l]}; break; }
    done
  fi
  fault_start=$(date +%s)
  log=$logs/$i.log
  if [[ -n $fault_problem ]]; then
    status=invalid
    echo "$fault_problem" > "$log"
  else
    targets=()
    for l in "${row_labels[@]}"; do mapfile -t -O "${#targets[@]}" targets < <(targets_of "$l"); done
    cp -- "$src/$f" "$saved"
    mutated=$src/$f
    content=$(cat -- "$saved"; printf x)
    content=${content%x}
    printf '%s' "${content/"${originals[i - 1]}"/"${replacements[i - 1]}"}" > "$mutated"
    marker=$workdir/marker
    touch "$marker"
    if ! cmake --build "$build" -j"$jobs" --target "${targets[@]}" > "$log" 2>&1; then
      # A program that was linked but failed while its tests were listed crashed or hung at start-up.
      status=build-error
      for t in "${targets[@]}"; do
        exe=$(find "$build" -name "$t" -type f -newer "$marker" -print -quit)
        [[ -n $exe ]] && status=killed
      done
    elif run_tests "${labels[i - 1]}" >> "$log" 2>&1; then
      status=survived
    else
      status=killed
    fi
    restore
  fi
  seconds=$(($(date +%s) - fault_start))
  case "$status" in
    killed) killed=$((killed + 1)); folder_killed[$folder]=$((${folder_killed[$folder]:-0} + 1)) ;;
    survived)
      survived=$((survived + 1)); folder_survived[$folder]=$((${folder_survived[$folder]:-0} + 1))
      survivors+=("$(printf '%4d  %s  [%s]  %s' "$i" "$fault_where" "${labels[i - 1]}" "$(describe "$i")")") ;;
    build-error) build_errors=$((build_errors + 1)) ;;
    invalid) invalid=$((invalid + 1)) ;;
  esac
  [[ $status == killed || $status == survived ]] || folder_other[$folder]=$((${folder_other[$folder]:-0} + 1))
  folder_killed[$folder]=${folder_killed[$folder]:-0}
  printf '%4d  %-11s %-40s %-14s %3ds  %s\n' "$i" "$status" "$fault_where" "${labels[i - 1]}" "$seconds" \
    "$(describe "$i")"
  [[ $status == invalid ]] && echo "      $fault_problem"
  printf '%d\t%s\t%s\t%s\t%d\n' "$i" "$status" "$f" "${labels[i - 1]}" "$seconds" >> "$results"
done

# ---- Summary -----------------------------------------------------------------------------------
rate() { (($1 + $2 > 0)) && awk -v k="$1" -v n="$(($1 + $2))" 'BEGIN { printf "%.1f%%", 100 * k / n }' || echo -; }
echo
printf '%-12s %7s %9s %7s %10s\n' folder killed survived other "kill rate"
for folder in $(printf '%s\n' "${!folder_killed[@]}" | sort); do
  k=${folder_killed[$folder]:-0} s=${folder_survived[$folder]:-0} o=${folder_other[$folder]:-0}
  printf '%-12s %7d %9d %7d %10s\n' "$folder" "$k" "$s" "$o" "$(rate "$k" "$s")"
done
printf '%-12s %7d %9d %7d %10s\n' total "$killed" "$survived" "$((build_errors + invalid))" "$(rate "$killed" "$survived")"
echo "killed $killed, survived $survived, build errors $build_errors, invalid $invalid" \
  "(kill rate $(rate "$killed" "$survived")) in $(($(date +%s) - start)) s; results in $results"
if ((${#survivors[@]})); then
  echo "survived:"
  printf '%s\n' "${survivors[@]}"
fi
((build_errors + invalid == 0)) || exit 1
exit
}
