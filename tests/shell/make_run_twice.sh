#!/bin/bash
# `make run` twice in a row, without a sound server: what each run says, where each read starts,
# and how many files the runs left in the caller's home.
set -u
RUN=$1
DEV=$2
SCENE=$3
HOME=$(mktemp -d)
export HOME PULSE_SERVER=unix:/nonexistent/orvak-no-server QT_QPA_PLATFORM=offscreen DBUS_SESSION_BUS_ADDRESS=disabled:
unset XDG_DATA_HOME XDG_STATE_HOME XDG_CONFIG_HOME ORVAK_AUDIO DISPLAY WAYLAND_DISPLAY
for _ in 1 2; do
  "$RUN" "$DEV" "$SCENE" --stop-after 2 --mute 2>&1 | grep -E '^make run: reading|^output: |start: ' |
    sed 's/^\[[^]]*\] //'
done
echo "left in the caller's home: $(ls -A "$HOME" | wc -l)"
rm -rf "$HOME"
