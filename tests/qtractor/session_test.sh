#!/usr/bin/env bash
# QUOR.clap in a Qtractor session, on JACK's dummy driver under Xvfb: a
# session written with QUOR on track 1 and a state of its own (values and
# names) plays and records what quor-host renders through QUOR.so with the
# same settings; Qtractor saves it with the same names and values; reopened,
# it plays the same again.
# Usage: session_test.sh QUOR.clap QUOR.so quor-host seq-stand-in.so window_close
set -uo pipefail

clap=$(realpath "$1")
vst=$(realpath "$2")
quor_host=$(realpath "$3")
stand_in=$(realpath "$4")
window_close=$(realpath "$5")
here=$(dirname "$(realpath "$0")")
work=$(mktemp -d "${TMPDIR:-/tmp}/quor-qtractor-XXXXXX")
source "$here/harness.sh"
session_py() { python3 "$here/session.py" "$@"; }

# Settings that change the sound of track 1 and of the mix, and names in
# three scripts.
settings=(--set "Input 1=+4" --set "High Gain 1=+3" --set "Master Output=-5")
names=("Kick ü" "Snare" "Hats" "Bass" "Pad" "Αρπα" "Keys" "Noise" "Bus 總")
"$quor_host" state save "$vst" "$work/preset.fxp" "${settings[@]}" >/dev/null 2>&1
session_py chunk "$work/preset.fxp" "$work/state.bin" "${names[@]}"
sox -n -r 48000 -c 2 -b 16 "$work/tone.wav" synth 6 sine 440 vol 0.25
"$quor_host" render "$vst" -o "$work/predicted.wav" --outputs 2 --bits 32 --tail 0 \
  "${settings[@]}" "$work/tone.wav" >/dev/null 2>&1
session_py write "$work/quor.qtr" "$clap" "$work/tone.wav" "$work/state.bin"

# Track 1's RMS in the recording against the prediction, in dB, both channels.
level_error() {
  python3 -c '
import json, math, subprocess, sys
levels = lambda path: json.loads(subprocess.check_output(["python3", sys.argv[1], "levels", path]))
got, want = levels(sys.argv[2]), levels(sys.argv[3])
print("%.3f" % max(abs(20 * math.log10(max(g["rms"], 1e-9) / w["rms"])) for g, w in zip(got, want)))
' "$here/session.py" "$1" "$2"
}

start_servers
echo "== a session written with QUOR's state"
start_qtractor "$work/quor.qtr" || exit 1
play_and_record "$work/played.wav" 4
error=$(level_error "$work/played.wav" "$work/predicted.wav")
echo "    recorded against predicted: $error dB"
check "it plays what quor-host renders with the same settings" \
  'python3 -c "import sys; sys.exit(not float(sys.argv[1]) < 0.05)" "$error"'

echo "== saved by Qtractor"
check "Qtractor saves the session" 'save_session "$work/quor.qtr"'
stop_qtractor
session_py show "$work/quor.qtr" >"$work/saved.json" 2>&1
session_py chunk "$work/preset.fxp" "$work/expected.bin" "${names[@]}"
expected() {
  python3 -c '
import json, sys
sys.path.insert(0, sys.argv[1])
import session
with open(sys.argv[2], "rb") as f:
    version, names, values = session.parse_chunk(f.read())
saved = json.load(open(sys.argv[3]))
sys.exit(not (saved["names"] == names and saved["values"] == values))
' "$here" "$work/expected.bin" "$work/saved.json"
}
check "the saved state holds the names and values" expected

echo "== reopened"
start_qtractor "$work/quor.qtr" || exit 1
play_and_record "$work/replayed.wav" 4
error=$(level_error "$work/replayed.wav" "$work/predicted.wav")
echo "    recorded against predicted: $error dB"
check "it plays the same again" \
  'python3 -c "import sys; sys.exit(not float(sys.argv[1]) < 0.05)" "$error"'
check "Qtractor saves it again" 'save_session "$work/quor.qtr"'
stop_qtractor
session_py show "$work/quor.qtr" >"$work/saved.json" 2>&1
check "saved again, the names and values are still there" expected

finish
