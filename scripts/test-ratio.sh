#!/usr/bin/env bash
# Counts test lines against code lines and fails when the tests outgrow the code.
#
# A line counts when it holds something besides blanks and comments (// to the end of the line and
# /* */ blocks, which may span lines; text inside string literals, raw ones included, is code).
# Counted: tracked C, C++ and GLSL sources. Test lines are those under tests/; code lines are every
# other tracked source except bench/, fuzz/ and the generated tables of enviro/astro/generated/.
# Build folders and untracked files never count.
#
# Usage: scripts/test-ratio.sh [-t THRESHOLD] [-f]
#   -t THRESHOLD  highest accepted ratio of test lines to code lines (default 0.40)
#   -f            also list the count of every file
# Exit status: 0 when the total ratio is at most the threshold, 1 above it, 2 on bad usage.
set -euo pipefail
cd "$(dirname "$0")/.."

threshold=0.40
per_file=0
usage() { sed -n '2,/^set -euo/p' "$0" | sed '$d; s/^# \{0,1\}//'; }
while getopts "t:fh" opt; do
  case "$opt" in
    t) threshold=$OPTARG ;;
    f) per_file=1 ;;
    h) usage; exit 0 ;;
    *) usage >&2; exit 2 ;;
  esac
done
shift $((OPTIND - 1))
if (($#)) || ! [[ $threshold =~ ^[0-9]*\.?[0-9]+$ ]]; then
  usage >&2
  exit 2
fi

sources='\.(c|cc|cpp|cxx|h|hh|hpp|hxx|inl|ipp|glsl|vert|frag|comp|geom|tesc|tese)$'
excluded='^(bench|fuzz)/|^enviro/astro/generated/'
mapfile -t files < <(git ls-files | grep -E "$sources" | grep -Ev "$excluded" || true)
# A tracked file deleted from the working tree has nothing left to count.
existing=()
for f in "${files[@]}"; do
  [[ -f $f ]] && existing+=("$f")
done
if ((${#existing[@]} == 0)); then
  echo "test-ratio: no tracked C, C++ or GLSL sources found" >&2
  exit 2
fi

awk -v threshold="$threshold" -v per_file="$per_file" '
function blank(s) { return s !~ /[^ \t\r\f\v]/ }

# Counts one line: sets has_code when anything outside comments is on it, and carries the
# block-comment and raw-string states over to the next line.
function scan(line,    i, n, rest, j, c, prefix, open) {
  has_code = 0
  i = 1
  n = length(line)
  while (i <= n) {
    rest = substr(line, i)
    if (state == "block") {
      j = index(rest, "*/")
      if (j == 0) return
      i += j + 1
      state = "code"
    } else if (state == "raw") {
      j = index(rest, raw_end)
      if (j == 0) { if (!blank(rest)) has_code = 1; return }
      has_code = 1
      i += j + length(raw_end) - 1
      state = "code"
    } else {
      if (!match(rest, /[\/"\047]/)) { if (!blank(rest)) has_code = 1; return }
      if (RSTART > 1 && !blank(substr(rest, 1, RSTART - 1))) has_code = 1
      i += RSTART - 1
      c = substr(line, i, 1)
      if (c == "/") {
        if (substr(line, i + 1, 1) == "/") return
        if (substr(line, i + 1, 1) == "*") { state = "block"; i += 2; continue }
        has_code = 1; i++
      } else if (c == "\047" && substr(line, i - 1, 1) ~ /[0-9]/) {
        has_code = 1; i++                                  # digit separator: 1\0471000
      } else {
        has_code = 1
        prefix = substr(line, 1, i - 1)
        if (c == "\"" && prefix ~ /(^|[^A-Za-z0-9_])(u8|u|U|L)?R$/) {
          open = index(substr(line, i + 1), "(")
          if (open == 0) return                            # malformed: nothing more to learn
          raw_end = ")" substr(line, i + 1, open - 1) "\""
          state = "raw"
          i += open + 1
          continue
        }
        # An ordinary string or character literal: skip to its closing quote.
        for (i++; i <= n; i++) {
          if (substr(line, i, 1) == "\\") { i++; continue }
          if (substr(line, i, 1) == c) break
        }
        i++
      }
    }
  }
}

# The folder a file is reported under: tests/<folder> for tests; for code, the folder of enviro/
# ("entry" for the files directly in enviro/) or the top-level folder.
function folder_of(path,    parts, k) {
  k = split(path, parts, "/")
  if (parts[1] == "tests") return k > 2 ? parts[2] : "(tests/)"
  if (parts[1] == "enviro") return k > 2 ? parts[2] : "entry"
  return k > 1 ? parts[1] : "(root)"
}

FNR == 1 { state = "code"; file = FILENAME; lines[file] = 0; order[++nfiles] = file }
{ scan($0); if (has_code) lines[file]++ }

END {
  for (k = 1; k <= nfiles; k++) {
    f = order[k]
    key = folder_of(f)
    seen[key] = 1
    if (f ~ /^tests\//) { tests[key] += lines[f]; total_tests += lines[f] }
    else { code[key] += lines[f]; total_code += lines[f] }
    if (per_file) printf "%7d  %s\n", lines[f], f
  }
  if (per_file) print ""
  # Folders in a stable order: those with tests first, then code-only folders.
  nkeys = 0
  for (key in seen) keys[++nkeys] = key
  for (a = 2; a <= nkeys; a++)
    for (b = a; b > 1 && keys[b - 1] > keys[b]; b--) { t = keys[b]; keys[b] = keys[b - 1]; keys[b - 1] = t }
  printf "%-16s %7s %7s %7s\n", "folder", "tests", "code", "ratio"
  for (pass = 1; pass <= 2; pass++)
    for (a = 1; a <= nkeys; a++) {
      key = keys[a]
      if ((pass == 1) != (tests[key] > 0)) continue
      ratio = (code[key] > 0 && tests[key] > 0) ? sprintf("%.2f", tests[key] / code[key]) : "-"
      printf "%-16s %7s %7s %7s\n", key, (tests[key] > 0 ? tests[key] : "-"), (code[key] > 0 ? code[key] : "-"), ratio
    }
  ratio = total_code > 0 ? total_tests / total_code : 0
  printf "%-16s %7d %7d %7.3f\n", "total", total_tests, total_code, ratio
  if (total_tests > threshold * total_code) {
    printf "test-ratio: %.3f is above %s: too many test lines for the code\n", ratio, threshold
    exit 1
  }
  printf "test-ratio: %.3f is within %s\n", ratio, threshold
}' "${existing[@]}"
