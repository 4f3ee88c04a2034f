# Qtractor headless, sourced by the tests beside it: a private Xvfb, a JACK
# server of its own on the dummy driver, the sequencer stand-in preloaded, a
# fresh HOME per run (Qtractor keeps options, window places and its scan
# cache there; a fresh one puts its main window at 0,0, where the clicks
# below aim). Needs: work (a scratch folder), stand_in (the preloaded
# library), window_close (the WM_DELETE_WINDOW sender).

pids=()
failed=0
qtractor_pid=""

cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null; done
  wait 2>/dev/null
  [ -n "${QUOR_KEEP_WORK:-}" ] || rm -rf "$work"
}
trap cleanup EXIT

check() {
  if eval "$2"; then echo "ok: $1"; else echo "FAILED: $1"; failed=$((failed + 1)); fi
}
background() {
  "$@" &
  pids+=($!)
}
# Waits up to $2 tenths of a second (default 100) for a command to succeed.
await() {
  local tenths=100
  if [[ $1 =~ ^[0-9]+$ ]]; then tenths=$1; shift; fi
  for _ in $(seq "$tenths"); do "$@" >/dev/null 2>&1 && return 0; sleep 0.1; done
  return 1
}
finish() {
  [ "$failed" -eq 0 ] || { echo "$failed check(s) failed"; exit 1; }
  echo "all checks passed"
}

start_servers() {
  export DISPLAY=":$(($$ % 400 + 500))"
  background Xvfb "$DISPLAY" -screen 0 1600x1000x24 -nolisten tcp >/dev/null 2>&1
  await xdpyinfo || { echo "Xvfb did not start"; exit 1; }
  export JACK_DEFAULT_SERVER="quor-qtractor-$$" JACK_NO_START_SERVER=1 JACK_NO_AUDIO_RESERVATION=1
  # Servers killed before they could unregister fill JACK's registry, which
  # holds a few only: with no JACK server running, it is stale.
  if ! pgrep -x 'jackd|jackdbus' >/dev/null; then
    rm -f /dev/shm/jack-shm-registry /dev/shm/jack-"$(id -u)"-* /dev/shm/jack_db-"$(id -u)"
  fi
  background jackd -r -n "$JACK_DEFAULT_SERVER" -d dummy -r 48000 -p 1024 -C 2 -P 2 \
    >"$work/jackd.txt" 2>&1
  await jack_lsp || { echo "jackd did not start"; cat "$work/jackd.txt"; exit 1; }
}

# Starts Qtractor on a session; ready when its main window is up and its
# master bus is in JACK.
start_qtractor() {
  local session=$1
  session_file=$(basename "$session")
  mkdir -p "$work/home/runtime"
  chmod 700 "$work/home/runtime"
  HOME="$work/home" XDG_RUNTIME_DIR="$work/home/runtime" LD_PRELOAD="$stand_in" \
    qtractor "$session" >>"$work/qtractor.txt" 2>&1 &
  qtractor_pid=$!
  pids+=("$qtractor_pid")
  await 300 main_window && await jack_port Qtractor:Master/out_2 ||
    { echo "Qtractor did not come up"; tail -20 "$work/qtractor.txt"; return 1; }
  sleep 2
}
# Qtractor's main window is titled with the session file's path.
main_window() { xdotool search --name "/${session_file//./\\.}( |$)" 2>/dev/null | head -1 | grep .; }
# Saves the session as File > Save does, and waits until the file changed.
save_session() {
  local session=$1
  cp "$session" "$work/before-save"
  xdotool windowfocus --sync "$(main_window)" key ctrl+s
  await 50 bash -c '! cmp -s "$0" "$1"' "$session" "$work/before-save"
}
jack_port() { jack_lsp | grep -qx "$1"; }

# Closes Qtractor as a user does, discarding unsaved changes, or kills it.
stop_qtractor() {
  local window
  window=$(main_window)
  [ -n "$window" ] && "$window_close" "$window"
  for _ in $(seq 50); do
    kill -0 "$qtractor_pid" 2>/dev/null || return 0
    local warning
    warning=$(xdotool search --name '^Warning' 2>/dev/null | head -1)
    if [ -n "$warning" ]; then
      xdotool windowfocus --sync "$warning" key Tab space 2>/dev/null
    fi
    sleep 0.2
  done
  kill "$qtractor_pid" 2>/dev/null
  wait "$qtractor_pid" 2>/dev/null
}

transport() { printf '%s\nquit\n' "$*" | timeout 5 jack_transport >/dev/null 2>&1; }

# Plays the session from its start and records the master bus for $2 s.
play_and_record() {
  local out=$1 seconds=$2
  transport stop
  transport locate 0
  sleep 1
  jack_rec -f "$out" -d "$seconds" -b 16 Qtractor:Master/out_1 Qtractor:Master/out_2 \
    >/dev/null 2>&1 &
  local rec=$!
  sleep 0.3
  transport play
  wait "$rec"
  transport stop
}
