#!/usr/bin/env bash
# QUOR.vst3 in Ardour, headless: the bundle exports only the module's three
# functions; Ardour's VST3 scanner lists it with 16 inputs and 16 outputs; a
# Lua session adds it by name on a 16-channel track after a sine generator,
# sets parameters, exports and saves; a new Ardour process reopens it with the
# values and names and exports again. Both exports carry what the VST2
# plug-in predicts for the input QUOR received (recorded in a third
# process). One export per process: Ardour is not safe with more.
# Usage: run_vst3.sh QUOR.vst3 QUOR.so quor-host
set -uo pipefail

bundle=$(realpath "$1")
vst=$(realpath "$2")
host=$(realpath "$3")
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
tools="python3 $here/session_tools.py"
scanner=/usr/lib/ardour7/ardour-vst3-scanner

work=$(mktemp -d "${TMPDIR:-/tmp}/quor-ardour-vst3-XXXXXX")
[ -n "${QUOR_ARDOUR_KEEP:-}" ] && echo "scratch folder: $work" || trap 'rm -rf "$work"' EXIT
# Ardour keeps its caches and settings under HOME: keep them in the scratch folder.
export HOME="$work/home" QUOR_FORMAT=VST3 QUOR_CHANNELS=16 QUOR_GENERATOR=SinGen
export SESSION_DIR="$work/session" SESSION_NAME=quor QUOR_EXPORT="$work/export"
unset XDG_CACHE_HOME XDG_CONFIG_HOME DISPLAY
# Ardour's indices (the 59 in id order: the first five are ids 0 to 4) and
# plain values: High Gain 1 0.7, Input 1 +6 dB, Output 1 -12 dB.
export QUOR_SETTINGS="0=0.7 3=6 4=-12"
mkdir -p "$HOME/.vst3" "$HOME/.config/ardour7/export" "$QUOR_EXPORT"
cp "$here/float32.preset" "$HOME/.config/ardour7/export/"

failed=0
check() {
  if eval "$2"; then echo "ok: $1"; else echo "FAILED: $1"; failed=$((failed + 1)); fi
}
run() { timeout 120 "$@" >"$work/out.txt" 2>"$work/err.txt" </dev/null; }
show_log() { sed 's/^/    /' "$work/out.txt" "$work/err.txt" | grep -v 'Ignored format' | tail -n 15; }

binary="$bundle/Contents/x86_64-linux/QUOR.so"
exported=$(nm -D --defined-only "$binary" | awk '{print $3}' | sort | tr '\n' ' ')
check "the bundle exports the factory and the module's entry and exit only ($exported)" \
  '[ "$exported" = "GetPluginFactory ModuleEntry ModuleExit " ]'

# The scanner trusts its cache only when the cache is newer than the module,
# at one-second resolution: give the copy a time well in the past.
cp -r "$bundle" "$HOME/.vst3/QUOR.vst3"
touch -d "2020-01-01 00:00:00" "$HOME/.vst3/QUOR.vst3/Contents/x86_64-linux/QUOR.so"

echo "== scanner"
LD_LIBRARY_PATH=/usr/lib/ardour7 run "$scanner" -f -v "$HOME/.vst3/QUOR.vst3" || show_log
cache=$(ls "$HOME"/.cache/ardour7/vst/*.v3i 2>/dev/null | head -n 1)
info=$(grep -o '<VST3Info[^>]*>' "${cache:-/dev/null}")
echo "    $info"
check "the scanner lists QUOR" '[[ $info == *name=\"QUOR\"* ]]'
check "by its class id" '[[ $info == *uid=\"D0FF32488DF7434BAA0B34D0FEA9DFB6\"* ]]'
check "with 16 inputs and 16 outputs" '[[ $info == *n_inputs=\"16\"*n_outputs=\"16\"* ]]'

echo "== a session with QUOR.vst3 on a 16-channel track"
run ardour7-lua -- "$here/create_session.lua" || show_log
grep '^QUOR:' "$work/err.txt" | sed 's/^/    /'
session_file="$SESSION_DIR/$SESSION_NAME.ardour"
check "Ardour adds it by name, with its 59 parameters and 16 channels each way" \
  'grep -q "^QUOR: 59 parameters, 16 inputs, 16 outputs" "$work/err.txt"'
check "and saves the session" '[ -f "$session_file" ] && grep -q "type=\"vst3\"" "$session_file"'
check "which keeps the plain values" 'grep -q "<Port id=\"3\" value=\"6\"/>" "$session_file"'
$tools rename-track "$session_file" "Track Name" "Noise Bed!"

echo "== reopened in a new Ardour process"
run ardour7-lua -- "$here/reopen_session.lua" || show_log
sed 's/^/    /' "$work/out.txt"
for setting in $QUOR_SETTINGS; do
  index=${setting%%=*} value=${setting#*=}
  check "parameter $index comes back as $value" \
    "grep -q '^param $index $(printf '%.6f' "$value")\$' '$work/out.txt'"
done
names=$($tools chunk-names "$session_file" | tr '\n' '|')
echo "    state saved anew by QUOR: $names"
check "QUOR restored the names from its state" '[[ $names == tffp\|"Noise Bed!|Track Name|"*"|Master|" ]]'

echo "== what QUOR received, recorded in a third process"
SESSION_NAME=reference run ardour7-lua -- "$here/export_snapshot.lua" || show_log
check "Ardour exports all three" \
  '[ -s "$QUOR_EXPORT/created.wav" ] && [ -s "$QUOR_EXPORT/reopened.wav" ] && [ -s "$QUOR_EXPORT/reference.wav" ]'
tracks=()
for track in 1 2 3 4 5 6 7 8; do tracks+=(--track "$track=$QUOR_EXPORT/reference.wav"); done
# Ardour hands QUOR 32-bit buffers; predict with the same precision.
run "$host" render "$vst" -o "$work/predicted.wav" --outputs 2 --precision 32 --tail 0 --allow-clip \
  --set "High Gain 1=@0.7" --set "Input 1=6" --set "Output 1=-12" "${tracks[@]}" || show_log
check "quor-host predicts with the VST2 plug-in" '[ -s "$work/predicted.wav" ]'

# Levels after 100 ms, when the filters have settled; then samples: the sine
# repeats every 48 frames, and the exports began at other points of it.
predicted=$($tools levels "$work/predicted.wav" 4800)
echo "    predicted, channel peak RMS: ${predicted//$'\n'/; }"
rms() { awk -v c="$2" '$1 == c { print $3 }' <<<"$1"; }
for export in created reopened; do
  levels=$($tools levels "$QUOR_EXPORT/$export.wav" 4800)
  echo "    $export: ${levels//$'\n'/; }"
  for channel in 1 2; do
    a=$(rms "$levels" $channel) b=$(rms "$predicted" $channel)
    check "$export, channel $channel: the level Ardour exported is predicted ($a vs $b dB RMS)" \
      "awk -v a='$a' -v b='$b' 'BEGIN { d = a - b; exit !(d < 0.05 && d > -0.05) }'"
  done
  difference=$($tools aligned-difference "$QUOR_EXPORT/$export.wav" "$work/predicted.wav" 4800 48)
  check "$export: its samples are the prediction's (largest difference $difference dBFS)" \
    "[ '$difference' = -inf ] || awk -v d='$difference' 'BEGIN { exit !(d < -90) }'"
done

[ "$failed" -eq 0 ] || { echo "$failed check(s) failed"; exit 1; }
