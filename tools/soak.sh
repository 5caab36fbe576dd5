#!/usr/bin/env bash
# soak.sh - the full soak: the demo's tour looped for 10,000 frames in one
# engine (release build), sampling every count every 500 frames; prints the
# table and fails when a count grows after the warm-up.
#
#   tools/soak.sh [FRAMES]      (default 10000; CTest runs the same test bounded)
#
# KAZ_SOAK_TABLE=FILE keeps the table in FILE as well.
set -euo pipefail
cd "$(dirname "$0")/.."
frames=${1:-10000}
export CCACHE_DIR=${CCACHE_DIR:-$PWD/build/.ccache}
cmake --preset release >/dev/null
cmake --build --preset release --target test_core shell engine
export SDL_VIDEODRIVER=${SDL_VIDEODRIVER:-offscreen} ALSOFT_DRIVERS=${ALSOFT_DRIVERS:-null}
cd build/release/bin
KAZ_SOAK_FRAMES=$frames exec ./test_core --gtest_filter='CoveSoakTest.*'
