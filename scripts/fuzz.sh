#!/usr/bin/env bash
# scripts/fuzz.sh [TARGET...]
# Builds the libFuzzer targets with clang in build-fuzz and runs each (or
# only the named ones, e.g. "render url") for VARTO_FUZZ_SECONDS (default
# 60). Every run first replays the seeds in fuzz/corpus/<target>/, which
# hold every input a fuzzer has found. Fails when any target finds a crash,
# a leak, undefined behaviour or a hang; the input is kept in
# build-fuzz/artifacts/.
set -euo pipefail
cd "$(dirname "$0")/.."

SECONDS_PER_TARGET=${VARTO_FUZZ_SECONDS:-60}
BUILD_DIR=build-fuzz
ALL_TARGETS=(markup stylesheet entities url base64 http_headers http_decode render cff)
if [ $# -gt 0 ]; then
  for name in "$@"; do
    if [[ ! " ${ALL_TARGETS[*]} " == *" $name "* ]]; then
      echo "fuzz.sh: no target $name (targets: ${ALL_TARGETS[*]})" >&2
      exit 2
    fi
  done
  TARGETS=("$@")
else
  TARGETS=("${ALL_TARGETS[@]}")
fi

CC=clang CXX=clang++ cmake -S . -B "$BUILD_DIR" -G Ninja -DVARTO_FUZZ=ON -DVARTO_BENCH=OFF -DBUILD_TESTING=OFF \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$BUILD_DIR" -j 2 --target "${TARGETS[@]/#/fuzz_}"

mkdir -p "$BUILD_DIR/artifacts"
failed=()
for name in "${TARGETS[@]}"; do
  # New inputs go to the first folder, so the seeds in the tree stay as they are.
  work="$BUILD_DIR/corpus/$name"
  mkdir -p "$work"
  echo "== fuzz_$name for ${SECONDS_PER_TARGET}s"
  if ! UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 "$BUILD_DIR/bin/fuzz_$name" "$work" "fuzz/corpus/$name" \
      -max_total_time="$SECONDS_PER_TARGET" -rss_limit_mb=2048 -timeout=30 -print_final_stats=1 \
      -artifact_prefix="$BUILD_DIR/artifacts/$name-" 2>"$BUILD_DIR/fuzz_$name.log"; then
    tail -n 40 "$BUILD_DIR/fuzz_$name.log"
    failed+=("$name")
  else
    grep -E "^stat::number_of_executed_units|^#[0-9]+.*DONE" "$BUILD_DIR/fuzz_$name.log" | tail -n 2 || true
  fi
done

if [ ${#failed[@]} -gt 0 ]; then
  echo "fuzzing found problems in: ${failed[*]} (inputs in $BUILD_DIR/artifacts/)" >&2
  exit 1
fi
echo "fuzzing: no findings"
