#!/usr/bin/env bash
# Checks that the layers point one way (docs/architecture.md):
#  - the portable folders include no Windows or POSIX header: every <...> include there is a
#    standard C++ header (no extension, no path);
#  - a folder includes from itself and the layers below it only.
# Prints each offending line and exits 1 when there is one.
set -euo pipefail
root=${1:-$(cd "$(dirname "$0")/.." && pwd)}
cd "$root"

portable=(text datetime process_memory http nettime timekeeping app)
declare -A allowed=(
  [text]="text"
  [datetime]="datetime"
  [platform]="platform datetime text resources"
  [process_memory]="process_memory platform datetime"
  [http]="http platform text"
  [nettime]="nettime http process_memory platform datetime text"
  [timekeeping]="timekeeping platform datetime text"
  [app]="app timekeeping nettime http process_memory platform datetime text"
)

bad=0
for folder in "${portable[@]}"; do
  while IFS= read -r hit; do
    echo "system header in a portable folder: $hit"
    bad=1
  done < <(grep -rnE '^\s*#\s*include\s*<[^>]*[./][^>]*>' "$folder" --include='*.cpp' --include='*.hpp' --include='*.h' || true)
done

for folder in "${!allowed[@]}"; do
  while IFS= read -r line; do
    target=$(sed -E 's/.*#\s*include\s*"([^/"]+)\/.*/\1/' <<<"$line")
    if [[ " ${allowed[$folder]} " != *" $target "* ]]; then
      echo "upward include: $line"
      bad=1
    fi
  done < <(grep -rnE '^\s*#\s*include\s*"[^/"]+/' "$folder" --include='*.cpp' --include='*.hpp' --include='*.h' || true)
done

if ((bad)); then
  echo "layer check failed"
  exit 1
fi
echo "layers point one way"
