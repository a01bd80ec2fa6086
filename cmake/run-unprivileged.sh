#!/bin/sh
# Runs a test program as an unprivileged user: "nobody", group "nogroup", with
# "users" as a second group, from a copy in a folder of that user's own. Under
# root (as CI runs) the permission cases then meet the refusals an ordinary user
# meets, from the user's side, and the cases meant for ordinary users (a second
# group kept, a mount in a namespace of the user's own) run instead of being
# skipped. For an ordinary user the suite's own run is already this run: 77,
# skipped.
# Usage: run-unprivileged.sh PROGRAM [ARGUMENT...]
set -eu
program=$1
shift
if [ "$(id -u)" != 0 ]; then
    echo "already unprivileged: the suite's own run covers this"
    exit 77
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT INT TERM
cp "$program" "$work/"
mkdir "$work/tmp" "$work/state"
chown -R nobody:nogroup "$work"
cd "$work"
env HOME="$work" TMPDIR="$work/tmp" XDG_STATE_HOME="$work/state" \
    setpriv --reuid=nobody --regid=nogroup --groups=nogroup,users -- "./$(basename "$program")" "$@"
