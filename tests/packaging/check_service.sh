#!/usr/bin/env bash
# The gateway's service unit and manual pages as a system would take them: systemd-analyze verify accepts a
# copy of the unit whose ExecStart is the built program (with the manual page its Documentation names), groff
# finds nothing to warn of in the manual pages, the manual page names every option of --help, and the
# program takes the options the unit gives it (Qt's own --help-all aside) and the example device file.
# Anything printed on the way fails the check.
#
# Usage: check_service.sh SOURCE_DIR BIN_DIR
set -euo pipefail
source_dir=$1
program=$2/lumaplex-gateway
stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
mkdir -p "$stage/man/man1"
cp "$source_dir/packaging/lumaplex-gateway.1" "$source_dir/packaging/lumaplex.1" "$stage/man/man1/"
sed "s|^ExecStart=/usr/bin/lumaplex-gateway|ExecStart=$program|" "$source_dir/packaging/lumaplex-gateway.service" \
  >"$stage/lumaplex-gateway.service"
grep -q "^ExecStart=$program " "$stage/lumaplex-gateway.service"

said=$(MANPATH="$stage/man" systemd-analyze verify "$stage/lumaplex-gateway.service" 2>&1) || {
  echo "systemd-analyze verify refused the unit: $said"; exit 1; }
[ -z "$said" ] || { echo "systemd-analyze verify: $said"; exit 1; }

for page in "$stage"/man/man1/*.1; do
  said=$(groff -man -ww -z "$page" 2>&1)
  [ -z "$said" ] || { echo "groff on $(basename "$page"): $said"; exit 1; }
done

for option in $(ASAN_OPTIONS=detect_leaks=0 "$program" --help | grep -o -- '--[a-z-]*' | grep -v -- '--help-all' | sort -u); do
  escaped=$(printf '%s' "$option" | sed 's/-/\\\\-/g')
  grep -q -- "$escaped" "$source_dir/packaging/lumaplex-gateway.1" || {
    echo "the manual page does not name $option"; exit 1; }
done

# The unit's own options, with --check-config: a wrong option ends with 2, a missing device file with 1.
read -r -a arguments < <(sed -n "s|^ExecStart=$program ||p" "$stage/lumaplex-gateway.service")
status=0
ASAN_OPTIONS=detect_leaks=0 "$program" "${arguments[@]}" --check-config >/dev/null 2>&1 || status=$?
[ "$status" -ne 2 ] || { echo "lumaplex-gateway refuses the unit's options: ${arguments[*]}"; exit 1; }
ASAN_OPTIONS=detect_leaks=0 "$program" --check-config --devices "$source_dir/packaging/devices.json.example" \
  --app-dir "$stage" >/dev/null || { echo "the example device file has problems"; exit 1; }
echo "the unit, the manual pages, the options and the example device file agree"
