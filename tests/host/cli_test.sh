#!/bin/sh
# The installed command: help, a plug-in's table, and one-line errors with a
# non-zero exit status.
set -u
host=$1
plugin=$2
failures=0
check() {
  if [ "$1" -ne 0 ]; then
    echo "FAILED: $2"
    failures=$((failures + 1))
  fi
}

"$host" --help | grep -q "quor-host render"
check $? "help names the commands"

"$host" info "$plugin" | grep -q "unique id:      FxGn"
check $? "info shows the unique id"

err=$("$host" info /dev/null 2>&1 >/dev/null)
status=$?
[ $status -ne 0 ] && [ "$(printf '%s\n' "$err" | wc -l)" -eq 1 ]
check $? "a file that is not a plug-in: one line, exit $status"

"$host" 2>/dev/null
[ $? -eq 2 ]
check $? "no command: usage and exit 2"

[ $failures -eq 0 ] && echo "cli: all passed"
exit $failures
