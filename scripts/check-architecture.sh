#!/usr/bin/env bash
# Checks that #include lines run one way through the layers of the program:
#
#   core/config -> core/protocol -> core/link -> core/session -> core/setup -> gui/widgets
#   -> gui/pages, gui/login -> gui/shell -> app
#
# A file may include headers of its own folder and of any folder to its left, never one to its right, and
# gui/pages and gui/login never include each other. The simulator and the command-line tools build on the
# core library only. Project headers are included with quotes and from their layer's folder: a relative path
# ("../session/...") or angle brackets (<shell/...>) would slip past this check, so both are refused. Prints
# every offending line and exits 1 when there is one.
set -euo pipefail
cd "$(dirname "$0")/.."

declare -A rank=(
  [config]=0 [protocol]=1 [link]=2 [session]=3
  [setup]=4 [widgets]=5 [pages]=6 [login]=6 [shell]=7 [app]=8
)
core_top=4

# The layer folder a source file lives in, or a pseudo folder for the programs built on the core.
folder_of() {
  case "$1" in
    src/core/*/* | src/gui/*/*) echo "$1" | cut -d/ -f3 ;;
    src/app/*) echo app ;;
    sim/* | tools/*) echo core-user ;;
    *) echo other ;;
  esac
}

layer_names=$(IFS='|'; echo "${!rank[*]}")
status=0
while IFS= read -r -d '' file; do
  from=$(folder_of "$file")
  [ "$from" = other ] && continue
  while IFS=: read -r line target; do
    echo "$file:$line: #include $target: include project headers as \"<layer>/<file>\", without a relative path"
    status=1
  done < <(grep -n -o -E '^[[:space:]]*#[[:space:]]*include[[:space:]]+"\.\.?/[^"]*"' "$file" |
           sed -E 's/^([0-9]+):.*(".*")/\1:\2/')
  while IFS=: read -r line target; do
    echo "$file:$line: #include $target: include project headers with quotes, not angle brackets"
    status=1
  done < <(grep -n -o -E '^[[:space:]]*#[[:space:]]*include[[:space:]]+<[^>]+>' "$file" |
           sed -E 's/^([0-9]+):.*(<.*>)/\1:\2/' | grep -E ":<(${layer_names})/" || true)
  while IFS=: read -r line target; do
    to=${target%%/*}
    [ "$to" = "$target" ] && continue          # same-folder include without a path
    [ -n "${rank[$to]+set}" ] || continue       # not one of the layer folders
    bad=""
    if [ "$from" = core-user ]; then
      [ "${rank[$to]}" -gt "$core_top" ] && bad="builds on the core library only"
    elif [ "$from" != "$to" ] && [ "${rank[$to]}" -ge "${rank[$from]}" ]; then
      bad="$from may not include $to"
    fi
    if [ -n "$bad" ]; then
      echo "$file:$line: #include \"$target\": $bad"
      status=1
    fi
  done < <(grep -n -o -E '^[[:space:]]*#[[:space:]]*include[[:space:]]+"[^"]+"' "$file" |
           sed -E 's/^([0-9]+):.*"([^"]+)"/\1:\2/')
done < <(find src sim tools -type f \( -name '*.cpp' -o -name '*.h' \) -print0 | sort -z)

if [ "$status" -eq 0 ]; then
  echo "architecture check: every include runs down the layers"
fi
exit "$status"
