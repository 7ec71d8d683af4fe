#!/usr/bin/env bash
# Fails when a C or C++ file of the tree differs from what .clang-format makes of it,
# so that a formatting slip fails the run rather than becoming the next change's noise.
# The files are the ones git tracks; outside a checkout every source file below the root.
# Copies of other projects' files (third_party/) keep their own layout.
set -uo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$root"
formatter="${CLANG_FORMAT:-clang-format}"
command -v "$formatter" >/dev/null || { echo "check_format: $formatter not found" >&2; exit 1; }
if git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
  mapfile -t files < <(git ls-files -- '*.c' '*.cpp' '*.h' '*.hpp' ':!third_party/*')
else
  mapfile -t files < <(find . \( -path ./build -o -path ./third_party \) -prune -o -type f \( -name '*.c' -o -name '*.cpp' -o -name '*.h' -o -name '*.hpp' \) -print)
fi
[ ${#files[@]} -gt 0 ] || { echo "check_format: no source files found" >&2; exit 1; }
# One formatter run for the whole list; its messages name each file that differs.
out="$("$formatter" --dry-run -Werror "${files[@]}" 2>&1)"
rc=$?
mapfile -t bad < <(printf '%s\n' "$out" |
                   sed -n 's/^\(.*\):[0-9]*:[0-9]*: error: code should be clang-formatted.*/\1/p' | sort -u)
if [ $rc -ne 0 ] && [ ${#bad[@]} -eq 0 ]; then
  printf '%s\n' "$out" | head -20 >&2
  echo "check_format: $formatter failed (exit $rc)" >&2
  exit 1
fi
if [ ${#bad[@]} -gt 0 ]; then
  printf 'not formatted by .clang-format (run: %s -i FILE):\n' "$formatter" >&2
  printf '  %s\n' "${bad[@]}" >&2
  exit 1
fi
echo "check_format: ${#files[@]} files formatted"
