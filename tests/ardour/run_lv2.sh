#!/usr/bin/env bash
# QUOR.lv2 in Ardour, headless: added by its URI, saved and reopened in a new
# Ardour process with its control values and its names (kept in the state
# Ardour saves beside the session); audio Ardour renders through it carries
# QUOR's processing as quor-host predicts it with the VST2 plug-in.
# Usage: run_lv2.sh QUOR.lv2 QUOR.so quor-host
set -uo pipefail

bundle=$(realpath "$1")
vst=$(realpath "$2")
host=$(realpath "$3")
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
tools="python3 $here/session_tools.py"

work=$(mktemp -d "${TMPDIR:-/tmp}/quor-ardour-lv2-XXXXXX")
[ -n "${QUOR_ARDOUR_KEEP:-}" ] && echo "scratch folder: $work" || trap 'rm -rf "$work"' EXIT
export HOME="$work/home" LV2_PATH="$work/lv2" QUOR_FORMAT=LV2
export SESSION_DIR="$work/session" SESSION_NAME=quor
# Ardour counts control inputs and takes plain values: High Gain 1 0.7
# (+3.1 dB, as the VST2 plug-in shows it), Input 1 +6 dB, Output 1 -12 dB.
export QUOR_SETTINGS="0=0.7 3=6 4=-12"
mkdir -p "$HOME" "$LV2_PATH"
ln -s "$bundle" "$LV2_PATH/QUOR.lv2"

failed=0
check() {
  if eval "$2"; then echo "ok: $1"; else echo "FAILED: $1"; failed=$((failed + 1)); fi
}
run() { timeout 180 "$@" >"$work/out.txt" 2>"$work/err.txt" </dev/null; }
show_log() { sed 's/^/    /' "$work/out.txt" "$work/err.txt" | tail -n 15; }
newest_state() { ls -d "$SESSION_DIR"/plugins/*/state* 2>/dev/null | sort -V | tail -n 1; }

echo "== session with QUOR.lv2 on a track"
run ardour7-lua "$here/create_session.lua" || show_log
session_file="$SESSION_DIR/$SESSION_NAME.ardour"
check "ardour7-lua adds QUOR.lv2 by its URI and saves" \
  '[ -f "$session_file" ] && grep -q "type=\"lv2\"" "$session_file"'
check "Ardour keeps its control values by symbol" \
  'grep -q "symbol=\"input_1\" value=\"6\"" "$session_file"'
state=$(newest_state)/state.ttl
check "QUOR's names are in the state Ardour saved" '[ -f "$state" ] && grep -q "track_name_8" "$state"'
$tools session-range "$session_file"
sed -i 's|\(quor#track_name_1> \)"Track Name"|\1"Noise Bed!"|' "$state"

echo "== reopened in a new Ardour process"
run ardour7-lua "$here/reopen_session.lua" || show_log
sed 's/^/    /' "$work/out.txt"
for setting in $QUOR_SETTINGS; do
  index=${setting%%=*} value=${setting#*=}
  check "control $index comes back as $value" \
    "grep -q '^param $index $(printf '%.6f' "$value")\$' '$work/out.txt'"
done
# Ardour keeps a new state only where the plug-in's differs from the last:
# had QUOR lost the name, the newest state would say so.
state=$(newest_state)/state.ttl
check "QUOR restored the names and saved them anew" \
  'grep -q "track_name_1> \"Noise Bed!\"" "$state" && grep -q "master_name> \"Master\"" "$state"'

echo "== audio rendered by Ardour through QUOR.lv2"
run ardour7-export -b float -o "$work/processed.wav" "$SESSION_DIR" "$SESSION_NAME" || show_log
run ardour7-export -b float -o "$work/reference.wav" "$SESSION_DIR" reference || show_log
check "ardour7-export renders both snapshots" '[ -s "$work/processed.wav" ] && [ -s "$work/reference.wav" ]'
run "$host" render "$vst" -o "$work/predicted.wav" --outputs 2 --precision 32 \
  --set "High Gain 1=+3.1" --set "Input 1=6" --set "Output 1=-12" "$work/reference.wav" || show_log
processed=$($tools levels "$work/processed.wav")
predicted=$($tools levels "$work/predicted.wav")
echo "    channel, peak and RMS dBFS: processed by Ardour ${processed//$'\n'/; }"
echo "    predicted by quor-host: ${predicted//$'\n'/; }"
rms() { awk -v c="$2" '$1 == c { print $3 }' <<<"$1"; }
for channel in 1 2; do
  a=$(rms "$processed" $channel) b=$(rms "$predicted" $channel)
  check "channel $channel: Ardour's level matches the prediction ($a vs $b dB RMS)" \
    "awk -v a='$a' -v b='$b' 'BEGIN { d = a - b; exit !(d < 0.05 && d > -0.05) }'"
done

[ "$failed" -eq 0 ] || { echo "$failed check(s) failed"; exit 1; }
