#!/usr/bin/env bash
# QUOR.clap's editor in Qtractor under Xvfb: a double click on the plug-in
# opens it embedded in Qtractor's window; a drag on track 1's Input knob
# while playing changes what JACK records and reaches Qtractor's own copy of
# the parameter; 20 opens and closes leave no window, thread, file or X
# connection behind.
# Usage: editor_test.sh QUOR.clap QUOR.so quor-host seq-stand-in.so window_close [SHOT.png]
set -uo pipefail

clap=$(realpath "$1")
vst=$(realpath "$2")
quor_host=$(realpath "$3")
stand_in=$(realpath "$4")
window_close=$(realpath "$5")
shot=${6:-}
here=$(dirname "$(realpath "$0")")
work=$(mktemp -d "${TMPDIR:-/tmp}/quor-qtractor-XXXXXX")
source "$here/harness.sh"
session_py() { python3 "$here/session.py" "$@"; }

"$quor_host" state save "$vst" "$work/preset.fxp" >/dev/null 2>&1
session_py chunk "$work/preset.fxp" "$work/state.bin"
sox -n -r 48000 -c 2 -b 16 "$work/tone.wav" synth 8 sine 440 vol 0.25
session_py write "$work/quor.qtr" "$clap" "$work/tone.wav" "$work/state.bin"

# QUOR's window (1215 x 692 at 100 %), and the top-level window holding it.
editor_window() {
  xwininfo -root -tree | awk '/ 1215x692\+/ { id = $1 } END { if (id) print id; else exit 1 }'
}
toplevel_of() {
  local id=$1 root parent
  root=$(xwininfo -root | awk '/Window id:/ { print $4 }')
  while :; do
    parent=$(xwininfo -tree -id "$id" | awk '/Parent window id:/ { print $4 }')
    [ "$parent" = "$root" ] && { echo "$id"; return; }
    id=$parent
  done
}
open_editor() {
  xdotool mousemove 180 180 click --repeat 2 --delay 80 1
  await 50 editor_window
}
close_editor() {
  local editor
  editor=$(editor_window) || return 1
  "$window_close" "$(toplevel_of "$editor")"
  await 50 bash -c '! xwininfo -root -tree | grep -q " 1215x692+"'
}
# What the process holds: threads, open files; and the X server's files
# (one per client connection; other clients come and go).
holdings() {
  echo "$(ls /proc/"$qtractor_pid"/task | wc -l) $(ls /proc/"$qtractor_pid"/fd | wc -l)" \
    "$(ls /proc/"$(pgrep -n -x Xvfb)"/fd | wc -l)"
}

start_servers
start_qtractor "$work/quor.qtr" || exit 1

echo "== opened by a double click"
open_editor
editor=$(editor_window)
check "QUOR's editor appears, 1215 x 692" '[ -n "$editor" ]'
top=$(toplevel_of "$editor")
check "embedded in Qtractor's window" \
  '[ "$top" != "$editor" ] && xwininfo -id "$top" | grep -q "QUOR"'
sleep 1
import -window "$editor" "$work/editor.png"
[ -n "$shot" ] && import -window root "$shot"
colours=$(convert "$work/editor.png" -format %k info: 2>/dev/null || echo 0)
check "it is drawn ($colours colours)" '[ "$colours" -gt 1000 ]'

echo "== a drag while playing"
transport stop
transport locate 0
sleep 1
jack_rec -f "$work/drag.wav" -d 5 -b 16 Qtractor:Master/out_1 Qtractor:Master/out_2 >/dev/null 2>&1 &
rec=$!
sleep 0.3
transport play
sleep 1.5
# Track 1's Input knob, dragged up.
xdotool mousemove --window "$editor" 69 533 mousedown 1 mousemove --window "$editor" 69 510 \
  mousemove --window "$editor" 69 478 mouseup 1
wait "$rec"
transport stop
read -r before after < <(python3 -c '
import math, struct, sys, wave
with wave.open(sys.argv[1]) as w:
    rate, n = w.getframerate(), w.getnframes()
    samples = struct.unpack("<%dh" % (2 * n), w.readframes(n))[0::2]
rms = lambda part: math.sqrt(sum(x * x for x in part) / max(len(part), 1)) / 32768
print(rms(samples[rate // 2:rate]), rms(samples[-rate:]))' "$work/drag.wav")
echo "    track 1: RMS $before before, $after after"
check "the drag raises what is recorded" \
  'python3 -c "import sys; b, a = map(float, sys.argv[1:]); sys.exit(not (b > 0.01 and a > b * 1.5))" "$before" "$after"'
close_editor
save_session "$work/quor.qtr"
# Input 1 is the fourth parameter Qtractor lists (index 3).
input_1=$(session_py params "$work/quor.qtr" | python3 -c 'import json, sys; print(json.load(sys.stdin).get("3", 0))')
echo "    Qtractor's Input 1: $input_1"
check "the edit reached Qtractor" 'python3 -c "import sys; sys.exit(not float(sys.argv[1]) > 1)" "$input_1"'

echo "== 20 opens and closes"
# What one opening costs once per process (caches, a connection kept) is
# held by now.
sleep 1
before=$(holdings)
opened=0
for _ in $(seq 20); do
  open_editor && close_editor && opened=$((opened + 1))
done
sleep 1
after=$(holdings)
read -r threads files xfiles <<<"$before"
read -r threads_after files_after xfiles_after <<<"$after"
echo "    threads, files, X server files: $before before, $after after"
check "all 20 opened and closed" '[ "$opened" = 20 ]'
check "nothing is left behind" \
  '[ "$threads_after" -le "$threads" ] && [ "$files_after" -le "$files" ] && [ "$xfiles_after" -le "$xfiles" ]'

stop_qtractor
finish
