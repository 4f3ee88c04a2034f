#!/usr/bin/env bash
# The test plug-in's editor in Ardour's GUI on a private Xvfb (Dummy audio
# backend), played with xdotool: a drag, a click, a typed name with non-ASCII
# letters and arrow keys reach the session's saved state, and Ardour quits
# cleanly. Usage: ardour_editor.sh PLUGIN.so   (QUOR_ARDOUR_KEEP=1 keeps the
# scratch folder and its screenshots.)
set -uo pipefail

plugin=$(realpath "$1")
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
work=$(mktemp -d "${TMPDIR:-/tmp}/editor-ardour-XXXXXX")
export HOME="$work/home" LXVST_PATH="$work/vst" SESSION_DIR="$work/session"
mkdir -p "$HOME/.config/ardour7" "$LXVST_PATH"
xvfb=""
ardour_pid=""
cleanup() {
  [ -n "$ardour_pid" ] && kill "$ardour_pid" 2>/dev/null
  [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null
  [ -n "${QUOR_ARDOUR_KEEP:-}" ] && echo "scratch folder: $work" || rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAILED: $1"; exit 1; }

# Scanned once, under the path Ardour will look in; a copy older than the cache.
cp "$plugin" "$LXVST_PATH/editor.so"
touch -d "2020-01-01 00:00:00" "$LXVST_PATH/editor.so"
LD_LIBRARY_PATH=/usr/lib/ardour7 timeout 60 /usr/lib/ardour7/ardour-vst-scanner \
  -f "$LXVST_PATH/editor.so" >"$work/scan.txt" 2>&1 || fail "the scanner"

# A session with the plug-in on a track, its editor shown when the session opens.
timeout 120 ardour7-lua "$here/ardour_session.lua" >"$work/lua.txt" 2>&1 || fail "the session"
session="$SESSION_DIR/editor.ardour"
python3 "$here/ardour_session.py" show-editor "$session" || fail "editing the session"

# The first run wizard skipped, the Dummy backend started without asking.
touch "$HOME/.config/ardour7/.a7"
cat >"$HOME/.config/ardour7/config" <<'XML'
<?xml version="1.0" encoding="UTF-8"?>
<Ardour>
  <Config>
    <Option name="try-autostart-engine" value="1"/>
    <Option name="hide-dummy-backend" value="0"/>
  </Config>
  <Extra>
    <AudioMIDISetup>
      <EngineStates>
        <State backend="None (Dummy)" driver="Normal Speed" device="Silence" input-device=""
               output-device="" sample-rate="44100" buffer-size="1024" n-periods="0"
               input-latency="0" output-latency="0" lm-input="" lm-output="" active="1"
               use-buffered-io="0" midi-option="1 in, 1 out, Silence" lru="1796777123">
          <MIDIDevices/>
        </State>
      </EngineStates>
    </AudioMIDISetup>
  </Extra>
</Ardour>
XML

exec 9>"$work/display"
Xvfb -displayfd 9 -screen 0 1600x1000x24 -nolisten tcp -noreset 2>/dev/null &
xvfb=$!
for _ in $(seq 50); do [ -s "$work/display" ] && break; sleep 0.1; done
export DISPLAY=":$(head -n1 "$work/display")"

ardour -n "$session" >"$work/ardour.txt" 2>&1 &
ardour_pid=$!

# Ardour may ask about the audio device first: its dialog's default button
# sits at the bottom right.
editor_window=""
for _ in $(seq 90); do
  vst=$(xdotool search --onlyvisible --name '\[VST\]$' 2>/dev/null | head -n1)
  if [ -n "$vst" ]; then
    # The plug-in's own window: the one of the editor's size inside Ardour's.
    editor_window=$(xwininfo -id "$vst" -tree | awk '/ 400x260\+/ {print $1; exit}')
    [ -n "$editor_window" ] && break
  fi
  dialog=$(xwininfo -root -tree | awk '/\(has no name\): \("ardour/ {print $NF, $0; exit}' |
    grep -o '[0-9]*x[0-9]*+[0-9]*+[0-9]*' | head -n1)
  if [ -n "$dialog" ]; then
    IFS='x+' read -r w h x y <<<"$dialog"
    xdotool mousemove $((x + w - 54)) $((y + h - 26)) click 1
  fi
  sleep 1
done
[ -n "$editor_window" ] || fail "Ardour did not show the editor"
echo "ok: Ardour shows the editor ($editor_window)"

# Editor points (x, y) are the window's pixels (x + 2, y + 3).
at() { xdotool mousemove --window "$editor_window" $(($1 + 2)) $(($2 + 3)); }
at 70 70; xdotool mousedown 1 mousemove_relative -- 0 -8 mousemove_relative -- 0 -8 mouseup 1
sleep 0.3
at 170 70; xdotool click 1
sleep 0.6
at 50 215; xdotool click --repeat 2 --delay 80 1
sleep 0.5
field_focus=$(xdotool getwindowfocus)
xdotool key ctrl+a; xdotool type --delay 60 'Café ß'; xdotool key Return
sleep 0.5
[ "$(xdotool getwindowfocus)" != "$field_focus" ] || fail "the field kept the focus"
echo "ok: the field gave the focus back"
# Two arrow keys over the background: the test plug-in turns its knob.
at 40 250; xdotool key Up Up
sleep 0.5
command -v import >/dev/null && import -window root "$work/editor.png"

# Saved and quit from Ardour's main window; the question about unsaved changes
# gets its default answer, which saves.
main=$(xdotool search --onlyvisible --name ' - Ardour$' | head -n1)
xdotool windowfocus "$main"; xdotool mousemove 300 300; xdotool key ctrl+s
sleep 2
xdotool key ctrl+q
sleep 3
xdotool search --onlyvisible --name 'Unsaved Session' >/dev/null 2>&1 && xdotool key Return
for _ in $(seq 30); do kill -0 "$ardour_pid" 2>/dev/null || break; sleep 1; done
wait "$ardour_pid"
status=$?
ardour_pid=""
[ "$status" -eq 0 ] || fail "Ardour quit with status $status"
echo "ok: Ardour quit cleanly"

python3 "$here/ardour_session.py" check-state "$session" || fail "the saved state"
echo "ok: the name, the switch and the knob are in the saved session"
