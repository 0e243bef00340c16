#!/usr/bin/env bash
# Checks that the layers point one way, against the one table of them, cmake/layers.txt:
#  - a folder includes from itself and the folders the table names for it only;
#  - the folders the table does not mark as using system headers include no Windows or POSIX
#    header: every <...> include there is a standard C++ header (no extension, no path);
#  - the table in docs/architecture.md names, for every folder, the same folders as cmake/layers.txt.
# Prints each offending line and exits 1 when there is one.
set -euo pipefail
root=${1:-$(cd "$(dirname "$0")/.." && pwd)}
cd "$root"

folders=()
declare -A allowed
system_headers=()
while IFS= read -r line; do
  line=${line%%#*}
  [[ $line =~ ^([a-z_-]+):(.*)$ ]] || continue
  name=${BASH_REMATCH[1]}
  read -ra named <<<"${BASH_REMATCH[2]}"
  if [[ $name == system-headers ]]; then
    system_headers=("${named[@]}")
  else
    folders+=("$name")
    allowed[$name]="$name ${named[*]}"
  fi
done <cmake/layers.txt

bad=0
for folder in "${folders[@]}"; do
  if [[ " ${system_headers[*]} " != *" $folder "* ]]; then
    while IFS= read -r hit; do
      echo "system header in a portable folder: $hit"
      bad=1
    done < <(grep -rnE '^\s*#\s*include\s*<[^>]*[./][^>]*>' "$folder" --include='*.cpp' --include='*.hpp' --include='*.h' || true)
  fi

  while IFS= read -r line; do
    target=$(sed -E 's/.*#\s*include\s*"([^/"]+)\/.*/\1/' <<<"$line")
    if [[ " ${allowed[$folder]} " != *" $target "* ]]; then
      echo "upward include: $line"
      bad=1
    fi
  done < <(grep -rnE '^\s*#\s*include\s*"[^/"]+/' "$folder" --include='*.cpp' --include='*.hpp' --include='*.h' || true)

  # The documentation's row: | `folder/` | `a`, `b` | ... |, or — for none.
  row=$(grep -E "^\| \`$folder/\` \|" docs/architecture.md || true)
  documented=$(cut -d'|' -f3 <<<"$row" | grep -oE '`[a-z_]+`' | tr -d '`' | sort | tr '\n' ' ' || true)
  expected=$(tr ' ' '\n' <<<"${allowed[$folder]#"$folder"}" | grep . | sort | tr '\n' ' ' || true)
  if [[ -z $row ]]; then
    echo "docs/architecture.md has no row for $folder/"
    bad=1
  elif [[ $documented != "$expected" ]]; then
    echo "docs/architecture.md: $folder/ may include '${documented% }', cmake/layers.txt says '${expected% }'"
    bad=1
  fi
done

if ((bad)); then
  echo "layer check failed"
  exit 1
fi
echo "layers point one way"
