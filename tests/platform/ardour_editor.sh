#!/usr/bin/env bash
# A plug-in's editor in Ardour's GUI on a private Xvfb (Dummy audio backend),
# played with xdotool: a knob dragged up, a switch clicked, a name with
# non-ASCII letters typed into a name field and, where the editor takes keys,
# arrow keys; the session's saved state carries them, and Ardour quits cleanly.
#
# Usage: ardour_editor.sh PLUGIN WIDTHxHEIGHT KIND DRAG CLICK NAME [KEYS]
#   a VST 2.4 plug-in's .so, a VST3 bundle or an LV2 bundle (its first
#   plug-in's URI in LV2_URI); the editor's size; KIND names the check of the
#   saved state in ardour_session.py; each point is X,Y in editor coordinates.
# QUOR_ARDOUR_KEEP=1 keeps the scratch folder and its screenshot. XFT_DPI puts
# the desktop's Xft.dpi in the server's resource database (192: twice the
# size); ARDOUR_UI_SCALE sets Ardour's own scale in percent, which it hands
# VST3 editors. The points land scaled.
set -uo pipefail

plugin=$(realpath "$1")
size=$2 kind=$3 drag=$4 click=$5 name=$6 keys=${7:-}
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
work=$(mktemp -d "${TMPDIR:-/tmp}/editor-ardour-XXXXXX")
export HOME="$work/home" LXVST_PATH="$work/vst" LV2_PATH="$work/lv2" SESSION_DIR="$work/session"
mkdir -p "$HOME/.config/ardour7" "$LXVST_PATH" "$LV2_PATH"
xvfb=""
ardour_pid=""
cleanup() {
  [ -n "$ardour_pid" ] && kill "$ardour_pid" 2>/dev/null
  [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null
  [ -n "${QUOR_ARDOUR_KEEP:-}" ] && echo "scratch folder: $work" || rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAILED: $1"; exit 1; }
# Waits up to $1 tenths of a second for the command after it to succeed.
poll() {
  local tenths=$1
  shift
  for _ in $(seq "$tenths"); do "$@" && return 0; sleep 0.1; done
  return 1
}

if [[ $plugin == *.lv2 ]]; then
  # LV2: found through LV2_PATH, by its URI.
  ln -s "$plugin" "$LV2_PATH/$(basename "$plugin")"
  export PLUGIN_TYPE=LV2 PLUGIN_NAME=$LV2_URI
elif [[ $plugin == *.vst3 ]]; then
  # VST3: in ~/.vst3, scanned into a cache newer than the module.
  mkdir -p "$HOME/.vst3"
  cp -r "$plugin" "$HOME/.vst3/"
  touch -d "2020-01-01 00:00:00" "$HOME"/.vst3/*/Contents/x86_64-linux/*.so
  LD_LIBRARY_PATH=/usr/lib/ardour7 timeout 60 /usr/lib/ardour7/ardour-vst3-scanner \
    -f "$HOME/.vst3/$(basename "$plugin")" >"$work/scan.txt" 2>&1 || fail "the scanner"
  PLUGIN_NAME=$(grep -ho '<VST3Info [^>]*' "$HOME"/.cache/ardour7/vst/*.v3i | sed -n 's/.* name="\([^"]*\)".*/\1/p' | head -n1)
  export PLUGIN_TYPE=VST3 PLUGIN_NAME
  [ -n "$PLUGIN_NAME" ] || fail "the scanner found no plug-in"
else
  # Scanned once, under the path Ardour will look in; a copy older than the cache.
  cp "$plugin" "$LXVST_PATH/editor.so"
  touch -d "2020-01-01 00:00:00" "$LXVST_PATH/editor.so"
  LD_LIBRARY_PATH=/usr/lib/ardour7 timeout 60 /usr/lib/ardour7/ardour-vst-scanner \
    -f "$LXVST_PATH/editor.so" >"$work/scan.txt" 2>&1 || fail "the scanner"
  PLUGIN_NAME=$(sed -n "s/.*Found Plugin: '[^']*' //p" "$work/scan.txt" | head -n1)
  export PLUGIN_TYPE=LXVST PLUGIN_NAME
  [ -n "$PLUGIN_NAME" ] || fail "the scanner found no plug-in"
fi

# A session with the plug-in on a track, its editor shown when the session opens.
timeout 120 ardour7-lua "$here/ardour_session.lua" >"$work/lua.txt" 2>&1 || fail "the session"
session="$SESSION_DIR/editor.ardour"
python3 "$here/ardour_session.py" show-editor "$session" || fail "editing the session"

# The first run wizard skipped, the Dummy backend started without asking;
# Ardour's own scale where asked for.
touch "$HOME/.config/ardour7/.a7"
if [ -n "${ARDOUR_UI_SCALE:-}" ]; then
  printf '<?xml version="1.0" encoding="UTF-8"?>\n<Ardour><UI><Option name="font-scale" value="%d"/></UI></Ardour>\n' \
    $((1024 * ARDOUR_UI_SCALE)) >"$HOME/.config/ardour7/ui_config"
fi
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
Xvfb -displayfd 9 -screen 0 3200x2000x24 -nolisten tcp -noreset 2>/dev/null &
xvfb=$!
poll 50 test -s "$work/display"
export DISPLAY=":$(head -n1 "$work/display")"
dpi=${XFT_DPI:-96}
[ "$dpi" != 96 ] && xprop -root -f RESOURCE_MANAGER 8s -set RESOURCE_MANAGER "Xft.dpi:	$dpi"

ardour -n "$session" >"$work/ardour.txt" 2>&1 &
ardour_pid=$!

# Ardour may ask about the audio device first: its dialog's default button
# sits at the bottom right.
editor_window=""
for _ in $(seq 180); do
  vst=$(xdotool search --onlyvisible --name '\[(VST|VST3|LV2)\]$' 2>/dev/null | head -n1)
  if [ -n "$vst" ]; then
    # The plug-in's own window: the one of the editor's size inside Ardour's.
    editor_window=$(xwininfo -id "$vst" -tree | awk -v size=" $size+" 'index($0, size) {print $1; exit}')
    [ -n "$editor_window" ] && break
  fi
  dialog=$(xwininfo -root -tree | awk '/\(has no name\): \("ardour/ {print $NF, $0; exit}' |
    grep -o '[0-9]*x[0-9]*+[0-9]*+[0-9]*' | head -n1)
  if [ -n "$dialog" ]; then
    IFS='x+' read -r w h x y <<<"$dialog"
    xdotool mousemove $((x + w - 54)) $((y + h - 26)) click 1
  fi
  sleep 0.5
done
[ -n "$editor_window" ] || fail "Ardour did not show the editor"
echo "ok: Ardour shows the $PLUGIN_NAME editor ($editor_window)"

# Editor points (x, y) are the window's pixels (x + 2, y + 3), at the scale
# in percent.
scale=${ARDOUR_UI_SCALE:-$((dpi * 100 / 96))}
at() {
  local x=${1%,*} y=${1#*,}
  xdotool mousemove --window "$editor_window" $(((2 * x + 5) * scale / 200)) $(((2 * y + 7) * scale / 200))
}
step=$((8 * scale / 100))
at "$drag"; xdotool mousedown 1 mousemove_relative -- 0 -$step mousemove_relative -- 0 -$step mouseup 1
at "$click"; xdotool click 1
before_field=$(xdotool getwindowfocus)
at "$name"; xdotool click --repeat 2 --delay 80 1
field_focus=""
grab_field() { field_focus=$(xdotool getwindowfocus) && [ "$field_focus" != "$before_field" ]; }
poll 30 grab_field || fail "no text field took the focus"
xdotool key ctrl+a; xdotool type --delay 60 'Café ß'; xdotool key Return
poll 30 test "$(xdotool getwindowfocus)" != "$field_focus" || fail "the field kept the focus"
echo "ok: the field gave the focus back"
if [ -n "$keys" ]; then
  # Over no control: Ardour forwards the keys, the editor takes them.
  at "$keys"; xdotool key Up Up
  sleep 0.5
fi
command -v import >/dev/null && import -window root "$work/editor.png"

# Saved and quit from Ardour's main window; the question about unsaved changes
# gets its default answer, which saves.
main=$(xdotool search --onlyvisible --name ' - Ardour$' | head -n1)
written=$(stat -c %Y "$session")
xdotool windowfocus "$main"; xdotool mousemove 300 300; xdotool key ctrl+s
poll 50 test "$(stat -c %Y "$session")" != "$written"
xdotool key ctrl+q
asked() { xdotool search --onlyvisible --name 'Unsaved Session' >/dev/null 2>&1; }
gone() { ! kill -0 "$ardour_pid" 2>/dev/null; }
for _ in $(seq 60); do
  gone && break
  asked && xdotool key Return
  sleep 0.5
done
wait "$ardour_pid"
status=$?
ardour_pid=""
[ "$status" -eq 0 ] || fail "Ardour quit with status $status"
echo "ok: Ardour quit cleanly"

python3 "$here/ardour_session.py" check-state "$session" "$kind" || fail "the saved state"
echo "ok: what was played is in the saved session"
