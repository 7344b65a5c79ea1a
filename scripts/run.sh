#!/usr/bin/env bash
# Installs what is missing, builds, and runs the program on the given files.
#   scripts/run.sh [FILE...]              the window (the batch command until the window exists)
#   scripts/run.sh --batch [OPTIONS] FILE...   the batch command varto-compress-cli
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
"$here/scripts/deps.sh"
(cd "$here" && scripts/build.sh >/dev/null)
BIN="$here/${VARTO_BUILD_DIR:-build}/bin"
if [ "${1:-}" = "--batch" ]; then
  shift
  exec "$BIN/varto-compress-cli" "$@"
fi
if [ -x "$BIN/varto-compress" ]; then
  exec "$BIN/varto-compress" "$@"
fi
exec "$BIN/varto-compress-cli" "$@"
