#!/usr/bin/env bash
# Qtractor's plug-in scanner on QUOR.clap, as the application runs it: one
# "CLAP:path" line in, one line per plug-in out. No display, no JACK.
# Usage: scan_test.sh QUOR.clap
set -uo pipefail

clap=$(realpath "$1")
scanner=/usr/lib/x86_64-linux-gnu/qtractor/qtractor_plugin_scan
work=$(mktemp -d "${TMPDIR:-/tmp}/quor-qtractor-scan-XXXXXX")
trap 'rm -rf "$work"' EXIT
failed=0
check() {
  if eval "$2"; then echo "ok: $1"; else echo "FAILED: $1"; failed=$((failed + 1)); fi
}

echo "CLAP:$clap" | HOME="$work" timeout 30 "$scanner" >"$work/scan.txt" 2>"$work/scan-err.txt"
echo "    $(head -1 "$work/scan.txt")"
IFS='|' read -r type name audio notes controls flags file index _ <"$work/scan.txt"
check "one plug-in, QUOR, in the file scanned" \
  '[ "$(wc -l <"$work/scan.txt")" = 1 ] && [ "$type" = CLAP ] && [ "$name" = QUOR ] && [ "$file" = "$clap" ] && [ "$index" = 0 ]'
check "16 audio channels in, 16 out" '[ "$audio" = 16:16 ]'
check "a note port each way, for MIDI passed through" '[ "$notes" = 1:1 ]'
check "the 59 controls, no read-only ones" '[ "$controls" = 59:0 ]'
check "an editor and a state" '[[ ",$flags," == *,GUI,* && ",$flags," == *,EXT,* ]]'
check "nothing on the error output" '[ ! -s "$work/scan-err.txt" ] || ! grep -qi "error\|fail" "$work/scan-err.txt"'

[ "$failed" -eq 0 ] || { echo "$failed check(s) failed"; exit 1; }
echo "all checks passed"
