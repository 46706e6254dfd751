#!/bin/sh
# Runs one test with a home and XDG folders of its own, made afresh and removed afterwards,
# so that no test can read or write the user's settings, data or recent-file lists,
# whichever code path it takes. The test's exit status is passed on unchanged.
dir=$(mktemp -d "${TMPDIR:-/tmp}/quillet-test.XXXXXX") || exit 1
trap 'chmod -R u+w "$dir" 2>/dev/null; rm -rf "$dir"' EXIT
trap 'exit 143' TERM
trap 'exit 130' INT
mkdir "$dir/config" "$dir/data" "$dir/cache" "$dir/state" || exit 1
HOME=$dir
XDG_CONFIG_HOME=$dir/config
XDG_DATA_HOME=$dir/data
XDG_CACHE_HOME=$dir/cache
XDG_STATE_HOME=$dir/state
export HOME XDG_CONFIG_HOME XDG_DATA_HOME XDG_CACHE_HOME XDG_STATE_HOME
"$@"
