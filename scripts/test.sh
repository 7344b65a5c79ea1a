#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test (GUI tests under a
# virtual X server). Exits with the test result.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh --tests
scripts/build.sh
BUILD_DIR=${VARTO_BUILD_DIR:-build}
exec xvfb-run -a -s "-screen 0 1280x1024x24" \
  ctest --test-dir "$BUILD_DIR" --output-on-failure -j "$(nproc)" --timeout 600 "$@"
