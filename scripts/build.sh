#!/usr/bin/env bash
# Configures and builds into build/ (or $ZL_BUILD_DIR). Extra arguments go to cmake.
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${ZL_BUILD_DIR:-$here/build}"
cmake -S "$here" -B "$build" -G Ninja "$@" >/dev/null
cmake --build "$build" -j"$(nproc)"
