#!/bin/sh
# The installed command: help that answers, a plug-in's table, one-line
# errors, exit codes 0 (success), 1 (failure) and 2 (usage), signals that end
# a render as they end any program, files through pipes, and file-size limits.
set -u
host=$1
plugin=$2
hanging=$3
exiting=$4
failures=0
check() {
  if [ "$1" -ne 0 ]; then
    echo "FAILED: $2"
    failures=$((failures + 1))
  fi
}

"$host" --help | grep -q "quor-host render"
check $? "help names the commands"

"$host" --version | grep -Eq '^quor-host [0-9]+\.[0-9]+\.[0-9]+$'
check $? "--version prints the version"

# Every option of render in both forms of help, each with its default.
help=$("$host" help render)
[ "$help" = "$("$host" render --help)" ]
check $? "help render and render --help agree"
for option in --output --track --midi --rate --bits --dither --format --outputs --split --tail \
  --no-compensate --allow-clip --normalize --normalize-lufs --true-peak-max --allow-nonfinite \
  --timeout --json --block --precision --in-place --state --set; do
  printf '%s\n' "$help" | grep -q -- "$option"
  check $? "render --help lists $option"
done
printf '%s\n' "$help" | grep -q "default: 512"
check $? "render --help gives the block size's default"

# An option another command takes differently is described as each takes it.
"$host" open --help | grep -A1 -- "-o, --output FILE.fxp|FILE.fxb" | grep -q "save the plug-in's state" &&
  ! "$host" open --help | grep -q "extension chooses the format" &&
  "$host" help --man | grep -q "save the plug\\\\-in's state when the window closes"
check $? "open --help and the manual give -o as open's state file"

# Commands of two words: help for the group or for one of them.
group=$("$host" help state)
printf '%s\n' "$group" | grep -q "quor-host state save" &&
  printf '%s\n' "$group" | grep -q "quor-host state show" &&
  [ "$group" = "$("$host" state --help)" ] &&
  [ "$("$host" help state save)" = "$("$host" state save --help)" ]
check $? "help state shows state save and state show, as state --help does"
"$host" state 2>&1 >/dev/null | grep -q '"state" needs one of: save, show'
check $? "state without its subcommand names them"

"$host" help --man | grep -q '^\.TH QUOR\\-HOST 1'
check $? "the manual page is made from the help"
if command -v man >/dev/null 2>&1; then
  page=$(mktemp)
  "$host" help --man >"$page"
  MANWIDTH=80 man -l "$page" 2>/dev/null | grep -q "EXIT STATUS"
  check $? "man renders the page"
  rm -f "$page"
fi

"$host" info "$plugin" | grep -q "unique id:      FxGn"
check $? "info shows the unique id"

err=$("$host" info /dev/null 2>&1 >/dev/null)
status=$?
[ $status -eq 1 ] && [ "$(printf '%s\n' "$err" | wc -l)" -eq 1 ]
check $? "a file that is not a plug-in: one line, exit $status"

"$host" 2>/dev/null
[ $? -eq 2 ]
check $? "no command: usage and exit 2"

for wrong in "frobnicate" "render $plugin --block 0 -o x.wav in.wav" "info $plugin --tail 3" \
  "render $plugin -o x.wav --frobnicate" "help frobnicate" "help state frobnicate" "state"; do
  # shellcheck disable=SC2086
  "$host" $wrong >/dev/null 2>&1
  [ $? -eq 2 ]
  check $? "\"$wrong\": exit 2"
done

# Interrupted mid-render: ended by the signal (143 for SIGTERM), no output,
# no partial file beside it.
scratch=$(mktemp -d)
printf 'RIFF\046\000\000\000WAVEfmt \020\000\000\000\001\000\001\000\200\273\000\000\000\167\001\000\002\000\020\000data\002\000\000\000\000\000' \
  >"$scratch/one.wav"
"$host" render "$plugin" -o "$scratch/out.wav" "$scratch/one.wav" --tail 3600 --block 1 \
  >/dev/null 2>"$scratch/err" &
sleep 1
kill -TERM $!
wait $!
status=$?
[ $status -eq 143 ] && grep -q "interrupted" "$scratch/err" && [ "$(ls -A "$scratch")" = "err
one.wav" ]
check $? "an interrupted render: exit $status, nothing left behind ($(ls -A "$scratch" | tr '\n' ' '))"

# A plug-in that ends the program in its entry point fails the command.
err=$(QUOR_FIXTURE_FAULT_AT=load "$host" info "$exiting" 2>&1 >/dev/null)
status=$?
[ $status -eq 1 ] && printf '%s\n' "$err" | grep -q "the plug-in ended the program"
check $? "a plug-in calling exit(0) as it loads: exit $status, \"$err\""

# A plug-in that hangs: one signal ends the render at once, as it would end
# any program (130 for SIGINT, 143 for SIGTERM), and nothing is left.
for signal in INT:130 TERM:143; do
  expected=${signal#*:}
  signal=${signal%:*}
  rm -f "$scratch/err"
  # Background jobs of a script ignore SIGINT unless given it back.
  env --default-signal=INT "$host" render "$hanging" -o "$scratch/out.wav" "$scratch/one.wav" \
    --tail 1 >/dev/null 2>"$scratch/err" &
  sleep 0.5
  kill -$signal $!
  wait $!
  status=$?
  [ $status -eq $expected ] && grep -q "interrupted" "$scratch/err" &&
    [ "$(ls -A "$scratch")" = "err
one.wav" ]
  check $? "SIG$signal to a render whose plug-in hangs: exit $status, not $expected"
done

# Standard input read once, standard output written: the same bytes as files.
"$host" render "$plugin" -o "$scratch/file.wav" "$scratch/one.wav" >/dev/null &&
  "$host" render "$plugin" -o - - <"$scratch/one.wav" >"$scratch/piped.wav" 2>"$scratch/report" &&
  cmp -s "$scratch/file.wav" "$scratch/piped.wav" && grep -q "rendered" "$scratch/report"
check $? "- reads standard input, -o - writes standard output and reports on standard error"
"$host" render "$plugin" -o "$scratch/file.flac" "$scratch/one.wav" >/dev/null &&
  cat "$scratch/one.wav" | "$host" render "$plugin" -o - --format flac - 2>/dev/null | cmp -s "$scratch/file.flac" -
check $? "-o - --format flac writes FLAC to a pipe"

# A file-size limit fails the write by name, as a full disk does, with no
# partial file left: for the output, and for the copy a stream that is not
# WAV is read through.
mkdir "$scratch/limited"
(
  ulimit -f 2000
  "$host" render "$plugin" -o "$scratch/limited/out.wav" "$scratch/one.wav" --tail 10
) >/dev/null 2>"$scratch/err"
status=$?
[ $status -eq 1 ] && grep -q "File too large" "$scratch/err" && [ -z "$(ls -A "$scratch/limited")" ]
check $? "a file-size limit on the output: exit $status, \"$(cat "$scratch/err")\""
"$host" render "$plugin" -o "$scratch/long.aiff" "$scratch/one.wav" --tail 2 --bits 16 >/dev/null
cat "$scratch/long.aiff" | (
  ulimit -f 256
  TMPDIR="$scratch/limited" "$host" render "$plugin" -o "$scratch/limited/out.wav" -
) >/dev/null 2>"$scratch/err"
status=$?
[ $status -eq 1 ] && grep -q "cannot keep a copy of the stream in .*(File too large)" "$scratch/err" &&
  [ -z "$(ls -A "$scratch/limited")" ]
check $? "a file-size limit on a stream's copy: exit $status, \"$(cat "$scratch/err")\""

rm -rf "$scratch"
[ $failures -eq 0 ] && echo "cli: all passed"
exit $failures
