#!/usr/bin/env bash
# Lines of code per room: for every program folder (each top-level folder except those holding
# tests, tools, build output and documents), the non-blank, non-comment lines of its *.cpp and
# *.h files and their share of the program, largest first; then the total, the largest room's
# share, and the lines and share of the POSIX-named files (*_posix.cpp, *_linux.cpp).
# A line counts when something other than a comment stands on it: a line opening with // is a
# comment, and so is every line inside a /* */ block. Comment marks inside string and character
# literals are not taken for comments. Plain bash and awk; always exits 0.
set -uo pipefail
cd "$(dirname "$0")/.." || exit 0

source scripts/program-folders.sh

# One line per source file: its code lines, a tab, its path.
count_files() {
  [ ${#folders[@]} -gt 0 ] || return 0
  find "${folders[@]}" -type f \( -name '*.cpp' -o -name '*.h' \) -exec awk '
    FNR == 1 { block = 0 }
    {
      line = $0; n = length(line); code = 0; i = 1
      while (i <= n) {
        c = substr(line, i, 1)
        if (block) {                                   # inside /* */: look for its end
          if (c == "*" && substr(line, i + 1, 1) == "/") { block = 0; i += 2 } else i++
          continue
        }
        if (c == "/" && substr(line, i + 1, 1) == "/") break           # rest of line: comment
        if (c == "/" && substr(line, i + 1, 1) == "*") { block = 1; i += 2; continue }
        if (c == " " || c == "\t" || c == "\r" || c == "\f" || c == "\v") { i++; continue }
        code = 1
        # A quote between two digits is a digit separator (1'"'"'000), not a literal.
        if (c == "'"'"'" && substr(line, i - 1, 1) ~ /[0-9]/ &&
            substr(line, i + 1, 1) ~ /[0-9A-Fa-f]/) {
          i++; continue
        }
        if (c == "\"" || c == "'"'"'") {                # skip the literal, escapes included
          i++
          while (i <= n) {
            d = substr(line, i, 1)
            if (d == "\\") { i += 2; continue }
            i++
            if (d == c) break
          }
          continue
        }
        i++
      }
      if (code) lines[FILENAME]++
      else if (!(FILENAME in lines)) lines[FILENAME] = 0
    }
    END { for (f in lines) printf "%d\t%s\n", lines[f], f }
  ' {} +
}

counts=$(count_files)

# Lines per room (a room without sources counts 0), and those of the POSIX-named files.
rows=$(printf '%s\n' "$counts" | awk -F '\t' -v folders="${folders[*]}" '
  BEGIN {
    nf = split(folders, names, " ")
    for (k = 1; k <= nf; k++) room[names[k]] = 0
  }
  NF == 2 {
    path = $2; sub(/^\.\//, "", path)
    r = path; sub(/\/.*/, "", r)
    room[r] += $1
  }
  END { for (r in room) printf "%s\t%d\n", r, room[r] }
' | sort -t "$(printf '\t')" -k2,2nr -k1,1)

posix=$(printf '%s\n' "$counts" | awk -F '\t' '
  NF == 2 && ($2 ~ /_posix\.cpp$/ || $2 ~ /_linux\.cpp$/) { n += $1 }
  END { print n + 0 }
')

printf '%s\n' "$rows" | awk -F '\t' -v posix="$posix" '
  NF == 2 { name[++rows] = $1; lines[rows] = $2; total += $2 }
  function pct(x) { return total > 0 ? 100 * x / total : 0 }
  END {
    printf "%-10s %7s %7s\n", "room", "lines", "share"
    for (k = 1; k <= rows; k++) printf "%-10s %7d %6.1f%%\n", name[k], lines[k], pct(lines[k])
    printf "%-10s %7d %6.1f%%\n", "total", total, pct(total)
    if (rows) printf "largest room: %s, %.1f%%\n", name[1], pct(lines[1])
    printf "POSIX-named files (*_posix.cpp, *_linux.cpp): %d lines, %.1f%%\n", posix, pct(posix)
  }
'

exit 0
