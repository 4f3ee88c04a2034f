#!/usr/bin/env bash
# QUOR.lv2 in jalv on JACK's dummy driver: the console host sets ports and
# prints the meters; a state lilv saves with names is restored by jalv -l;
# under Xvfb jalv.gtk3 shows the editor, and xdotool's drag and Mute click
# change what JACK records of QUOR's outputs.
# Usage: jalv_test.sh QUOR.lv2 lilv_state_tool
set -uo pipefail

bundle=$(realpath "$1")
state_tool=$(realpath "$2")
work=$(mktemp -d "${TMPDIR:-/tmp}/quor-jalv-XXXXXX")
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null; done
  wait 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
mkdir -p "$work/lv2" "$work/home"
ln -s "$bundle" "$work/lv2/QUOR.lv2"
export LV2_PATH="$work/lv2" HOME="$work/home"
# A JACK server of this test's own.
export JACK_DEFAULT_SERVER="quor-test-$$" JACK_NO_START_SERVER=1
uri=urn:vandorhaus:quor

failed=0
check() {
  if eval "$2"; then echo "ok: $1"; else echo "FAILED: $1"; failed=$((failed + 1)); fi
}
background() {
  "$@" &
  pids+=($!)
}
# Waits up to 10 s for a command to succeed.
await() {
  for _ in $(seq 100); do "$@" >/dev/null 2>&1 && return 0; sleep 0.1; done
  return 1
}

# Servers killed before they could unregister fill JACK's registry of
# servers, which holds a few only: with no JACK server running, it is stale.
if ! pgrep -x 'jackd|jackdbus' >/dev/null; then
  rm -f /dev/shm/jack-shm-registry /dev/shm/jack-"$(id -u)"-* \
    /dev/shm/jack_sem."$(id -u)"_quor-test-* /dev/shm/jack_db-"$(id -u)"
fi
background jackd --no-realtime -n "$JACK_DEFAULT_SERVER" -d dummy -r 48000 -p 256 \
  >"$work/jackd.txt" 2>&1
await jack_lsp || { echo "jackd did not start"; cat "$work/jackd.txt"; exit 1; }

echo "== jalv, the console host"
{ echo "set mute_2 1"; echo "set input_3 -7.5"; sleep 2; echo controls; echo monitors; sleep 1; } |
  timeout 20 jalv -x -n quor_console "$uri" >"$work/console.txt" 2>&1
check "it sets ports by symbol" \
  'grep -q "^mute_2 = 1.0" "$work/console.txt" && grep -q "input_3 = -7.5" "$work/console.txt"'
check "it prints the ten meters and the latency" \
  '[ "$(grep -c "^> *meter_\|^meter_" "$work/console.txt")" = 10 ] && grep -q "latency = 0" "$work/console.txt"'

echo "== a state with names"
names=("Kick" "Snare" "Hats" "Bass ü" "Pad" "Arp" "Keys" "Noise" "Bus")
"$state_tool" save "$work/state" "${names[@]}" input_1=6.5 mode=1 >"$work/save.txt" 2>&1
check "lilv saves it" '[ -f "$work/state/state.ttl" ] && grep -q "track_name_4" "$work/state/state.ttl"'
"$state_tool" show "$work/state" >"$work/show.txt" 2>&1
check "lilv restores every name into QUOR" \
  'grep -q "track_name_4=Bass ü" "$work/show.txt" && grep -q "master_name=Bus" "$work/show.txt"'
{ sleep 2; echo controls; sleep 1; } |
  timeout 20 jalv -x -n quor_restored -l "$work/state" "$uri" >"$work/restored.txt" 2>&1
check "jalv -l restores it" \
  'grep -q "^input_1 = 6.5" "$work/restored.txt" && grep -q "^mode = 1.0" "$work/restored.txt"'

echo "== jalv.gtk3 under Xvfb"
background Xvfb ":$(( $$ % 500 + 300 ))" -screen 0 1600x1000x24 -nolisten tcp >/dev/null 2>&1
export DISPLAY=":$(( $$ % 500 + 300 ))"
await xdpyinfo || { echo "Xvfb did not start"; exit 1; }
editor_window() {
  xwininfo -root -tree | awk '/1215x692/ { id = $1 } END { if (id) print id; else exit 1 }'
}
background jalv.gtk3 -x -n quor_gtk -c mode=1 "$uri" >"$work/gtk.txt" 2>&1
await editor_window
editor=$(editor_window)
check "jalv.gtk3 shows the editor, 1215 x 692" '[ -n "$editor" ]'
# A tone into tracks 2 and 5, their outputs recorded.
background jack_simple_client tone >/dev/null 2>&1
await jack_lsp tone:output1
jack_connect tone:output1 quor_gtk:in_3
jack_connect tone:output2 quor_gtk:in_9
background jack_rec -f "$work/rec.wav" -d 5 quor_gtk:out_3 quor_gtk:out_9 >/dev/null 2>&1
rec=${pids[-1]}
sleep 1.5
xdotool mousemove --window "$editor" 204 683 click 1  # Mute 2
sleep 0.3
xdotool mousemove --window "$editor" 609 533 mousedown 1 mousemove --window "$editor" 609 505 \
  mousemove --window "$editor" 609 478 mouseup 1  # strip 5's Input, up
wait "$rec"
python3 - "$work/rec.wav" >"$work/levels.txt" <<'EOF'
# RMS of each recorded channel over its first and last second.
import math, struct, sys, wave
with wave.open(sys.argv[1]) as w:
    rate, n, width = w.getframerate(), w.getnframes(), w.getsampwidth()
    raw = w.readframes(n)
kind = {2: 'h', 4: 'i'}[width]
scale = float(1 << (8 * width - 1))
samples = struct.unpack('<%d%s' % (len(raw) // width, kind), raw)
for c in range(2):
    ch = samples[c::2]
    rms = lambda part: math.sqrt(sum(x * x for x in part) / max(len(part), 1)) / scale
    print(rms(ch[rate // 2:rate]), rms(ch[-rate:]))
EOF
read -r mute_before mute_after < <(sed -n 1p "$work/levels.txt")
read -r input_before input_after < <(sed -n 2p "$work/levels.txt")
echo "    track 2: $mute_before -> $mute_after, track 5: $input_before -> $input_after (RMS)"
check "the Mute click silences track 2 in the recording" \
  'python3 -c "import sys; b, a = map(float, sys.argv[1:]); sys.exit(not (b > 0.01 and a < b / 100))" "$mute_before" "$mute_after"'
check "the drag raises track 5 in the recording" \
  'python3 -c "import sys; b, a = map(float, sys.argv[1:]); sys.exit(not (b > 0.01 and a > b * 1.5))" "$input_before" "$input_after"'

[ "$failed" -eq 0 ] || { echo "$failed check(s) failed"; exit 1; }
