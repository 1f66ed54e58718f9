#!/bin/sh
# Runs one test program with a fresh, empty home folder so that no test
# reads or writes the real user's settings, logs or home folder.
platform="$1"; shift
home=$(mktemp -d "${TMPDIR:-/tmp}/morvane-test.XXXXXX") || exit 1
trap 'rm -rf "$home"' EXIT
mkdir -p "$home/.config" "$home/runtime"
chmod 700 "$home/runtime"
export HOME="$home" XDG_CONFIG_HOME="$home/.config" XDG_RUNTIME_DIR="$home/runtime"
export LC_ALL=C.UTF-8 QT_QPA_PLATFORM="$platform"
"$@"
