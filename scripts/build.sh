#!/usr/bin/env bash
# Configures and builds the project into build/ (or $VARTO_BUILD_DIR).
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD_DIR=${VARTO_BUILD_DIR:-build}
if [ ! -f "$BUILD_DIR/build.ninja" ]; then
  cmake -S . -B "$BUILD_DIR" -G Ninja "$@" >/dev/null
fi
cmake --build "$BUILD_DIR"
ln -sf "$BUILD_DIR/compile_commands.json" compile_commands.json 2>/dev/null || true
