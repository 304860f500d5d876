#!/usr/bin/env bash
# Configures and builds into build/ (or $ZL_BUILD_DIR). Extra arguments go to cmake.
# Warnings are errors here (ZL_WERROR=0 in the environment turns that off for a local
# experiment); the compiler cache is used when ccache is installed.
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${ZL_BUILD_DIR:-$here/build}"
source "$here/scripts/compiler-cache.sh"
werror=ON
[ "${ZL_WERROR:-1}" = 0 ] && werror=OFF
cmake -S "$here" -B "$build" -G Ninja -DZL_WERROR="$werror" "${ZL_CACHE_ARGS[@]}" "$@" >/dev/null
cmake --build "$build" -j"$(nproc)"
