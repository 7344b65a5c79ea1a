#!/usr/bin/env bash
# Installs what is missing, builds, and runs the program on the given files.
#   scripts/run.sh [FILE...]                    the window (the batch command until the window exists)
#   scripts/run.sh --batch [OPTIONS] FILE...    the batch command varto-compress-cli
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
"$here/scripts/deps.sh"
build="${VARTO_BUILD_DIR:-build}"
case "$build" in
  /*) ;;
  *) build="$here/$build" ;;
esac
# A first build takes several minutes: its progress goes to standard error,
# so standard output keeps only what the program prints.
if [ ! -f "$build/build.ninja" ]; then
  echo "run.sh: building Varto Compress in $build (the first build takes a few minutes)" >&2
fi
(cd "$here" && VARTO_BUILD_DIR="$build" scripts/build.sh) >&2
bin="$build/bin"

if [ "${1:-}" = "--batch" ]; then
  shift
  exec "$bin/varto-compress-cli" "$@"
fi
if [ -x "$bin/varto-compress" ]; then
  if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    echo "run.sh: no display to open the window on; compress in this terminal with: scripts/run.sh --batch FILE..." >&2
    exit 2
  fi
  exec "$bin/varto-compress" "$@"
fi
if [ $# -eq 0 ]; then
  echo "run.sh: the window is not built yet; compress files in this terminal with: scripts/run.sh --batch FILE..." >&2
  exit 2
fi
exec "$bin/varto-compress-cli" "$@"
