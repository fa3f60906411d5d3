#!/bin/bash
# Run inside its own session bus (dbus-run-session): a first orvak owns the session, a second
# start hands it a sign-in link and ends with 0, and the first logs that it ignored the link (no
# sign-in was asked for); SIGTERM ends the first.
set -u
BIN=$1
HOME=$(mktemp -d)
export HOME
unset XDG_DATA_HOME XDG_STATE_HOME XDG_CONFIG_HOME
"$BIN" >"$HOME/first.log" 2>&1 &
FIRST=$!
for _ in $(seq 100); do
  if dbus-send --session --print-reply --dest=org.freedesktop.DBus /org/freedesktop/DBus \
      org.freedesktop.DBus.NameHasOwner string:app.orvak.Orvak 2>/dev/null | grep -q "boolean true"; then
    break
  fi
  sleep 0.1
done
"$BIN" "orvak://activate?token=x" >/dev/null 2>&1
echo "second exit $?"
for _ in $(seq 50); do
  grep -q "account: sign-in link" "$HOME/first.log" && break
  sleep 0.1
done
kill -TERM "$FIRST"
wait "$FIRST"
echo "first exit $?"
grep -o "account: sign-in link ignored (no sign-in pending)" "$HOME/first.log"
grep -c "token=x" "$HOME/first.log" | sed 's/^/token lines /'
rm -rf "$HOME"
