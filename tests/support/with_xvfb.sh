#!/usr/bin/env bash
# Runs a command on a virtual X server of its own:
#   with_xvfb.sh "SERVER ARGUMENTS" COMMAND...
# The server picks a free display number itself (-displayfd), so runs that
# start at the same moment on one machine never share one, as they can
# with xvfb-run -a. -noreset: a server left without clients resets, and a
# program that closes its display and then opens another (SDL's message box
# after the video teardown) could meet it mid-reset and fail to connect.
set -u
server_args=$1; shift
fifo=$(mktemp -u) && mkfifo "$fifo" || exit 1
# shellcheck disable=SC2086
Xvfb -displayfd 3 -nolisten tcp -noreset $server_args 3>"$fifo" 2>/dev/null &
server=$!
number=
read -r -t 30 number <"$fifo"
rm -f "$fifo"
if [ -z "$number" ]; then
  kill "$server" 2>/dev/null
  echo "FAIL: the virtual X server did not start"
  exit 1
fi
DISPLAY=":$number" "$@"
status=$?
kill "$server" 2>/dev/null
wait "$server" 2>/dev/null
exit "$status"
