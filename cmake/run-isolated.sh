#!/bin/sh
# Runs one test program in a home of its own: HOME, the XDG folders and
# TMPDIR point into a fresh folder that is removed when the test ends, so no
# test reads or writes the user's real settings, data or rig library, and
# nothing a test forgets to clean up is left in /tmp.
set -u
root=$(mktemp -d "${TMPDIR:-/tmp}/kelvane-test-XXXXXX") || exit 1
cleanup() { rm -rf "$root"; }
trap cleanup EXIT
# A signal ends the script through exit, which runs the clean-up.
trap 'exit 129' HUP
trap 'exit 130' INT
trap 'exit 143' TERM
mkdir -p "$root/home" "$root/config" "$root/data" "$root/cache" "$root/state" "$root/run" "$root/tmp" || exit 1
# Qt refuses a runtime folder that others may read.
chmod 700 "$root/run"
HOME=$root/home
XDG_CONFIG_HOME=$root/config
XDG_DATA_HOME=$root/data
XDG_CACHE_HOME=$root/cache
XDG_STATE_HOME=$root/state
XDG_RUNTIME_DIR=$root/run
TMPDIR=$root/tmp
export HOME XDG_CONFIG_HOME XDG_DATA_HOME XDG_CACHE_HOME XDG_STATE_HOME XDG_RUNTIME_DIR TMPDIR
"$@"
status=$?
exit $status
