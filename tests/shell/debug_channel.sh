#!/bin/bash
# Run inside its own session bus (dbus-run-session): without a running Orvak a trigger times out;
# with one on the sample scene (debugControl on) a muted trigger prints the read's timing record
# and a control pauses the read. The waits are bounded but long: a loaded machine starts slowly.
set -u
BIN=$1
DEV=$2
SCENE=$3
HOME=$(mktemp -d)
export HOME ORVAK_AUDIO=null QT_QPA_PLATFORM=offscreen
unset XDG_DATA_HOME XDG_STATE_HOME XDG_CONFIG_HOME DISPLAY WAYLAND_DISPLAY
"$DEV" defaults write debugControl -bool true >/dev/null
# A short wait is enough to see the time-out's sentence; the real wait is 25 s.
timeout 30 "$BIN" --trigger "mute" | sed 's/^/alone: /'
echo "alone exit ${PIPESTATUS[0]}"
"$BIN" --control toggle | sed 's/^/alone: /'
echo "alone control exit ${PIPESTATUS[0]}"
ORVAK_PLATFORM=sim ORVAK_SCENE=$SCENE "$BIN" >"$HOME/first.log" 2>&1 &
FIRST=$!
for _ in $(seq 400); do
  grep -q "debug control channel on" "$HOME/first.log" && break
  sleep 0.1
done
"$BIN" --trigger "mute stopAfter=3 vendor=apple" >"$HOME/answer.json"
echo "trigger exit $?"
grep -o '"trigger":"debug"' "$HOME/answer.json"
"$BIN" --control toggle
echo "control exit $?"
"$BIN" --control frobnicate
echo "unknown control exit $?"
for _ in $(seq 300); do
  grep -q "read end" "$HOME/first.log" && break
  sleep 0.1
done
kill -TERM "$FIRST"
wait "$FIRST"
grep -o "read end ([a-zA-Z]*)" "$HOME/first.log"
grep -o "debug: control toggle" "$HOME/first.log"
rm -rf "$HOME"
