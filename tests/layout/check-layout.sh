#!/usr/bin/env bash
# The source layout rules, checked on the sources as they stand:
#  - every include of one of the application's own headers names its module and the
#    folders under it ("preview/LUTCube.h"), so the layering shows at the top of each
#    file and a library exports nothing but the src/ root;
#  - no CMakeLists returns early: a missing dependency is a configure error, never a
#    library, test or tool left out in silence.
#   check-layout.sh SOURCE_ROOT
set -euo pipefail
cd "$1"

declare -A where # header file name -> its path under src/
while IFS= read -r header; do
  name="${header##*/}"
  if [[ -n "${where[$name]:-}" ]]; then
    echo "two headers named $name: src/${where[$name]} and $header (an include could not tell them apart)"
    exit 1
  fi
  where[$name]="${header#src/}"
done < <(find src -name '*.h')

failures=0
pattern='^[[:space:]]*#[[:space:]]*include[[:space:]]*[<"]([^">]+)[">]'
while IFS= read -r -d '' file; do
  while IFS= read -r line; do
    [[ $line =~ $pattern ]] || continue
    included="${BASH_REMATCH[1]}"
    wanted="${where[${included##*/}]:-}"
    if [[ -n $wanted && $included != "$wanted" ]]; then
      echo "$file: #include \"$included\" must name its module: \"$wanted\""
      failures=$((failures + 1))
    fi
  done < <(grep -E '^[[:space:]]*#[[:space:]]*include' "$file" || true)
done < <(find src tests bench tools fuzz \( -name '*.cpp' -o -name '*.h' \) -print0)

while IFS= read -r hit; do
  echo "$hit: a CMakeLists must not return early; make the missing piece a configure error"
  failures=$((failures + 1))
done < <(find CMakeLists.txt cmake src tests bench tools fuzz \( -name CMakeLists.txt -o -name '*.cmake' \) -print0 \
           | xargs -0 grep -nE '^[^#]*\breturn[[:space:]]*\(' || true)

if ((failures > 0)); then
  echo "$failures layout rule(s) broken"
  exit 1
fi
echo "layout rules hold"
