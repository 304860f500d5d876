#!/usr/bin/env bash
# The habits the build enforces, in one script a developer can run alone (.ci/run runs it
# after ./test):
#   1. clang-format: every C++ file matches .clang-format;
#   2. warnings are errors (-Wall -Wextra -Wshadow -Wswitch-enum) in the normal build;
#   3. AddressSanitizer + UBSan (clang) build of everything that does not need Qt, and its tests;
#   4. a short run of every fuzzer, from the same build.
#
#   scripts/check.sh [--only format|warnings|sanitize|fuzz]...
#
# Environment: ZL_BUILD_DIR (normal build, default build/), ZL_CHECK_BUILD_DIR (sanitizer and
# fuzz build, default build-check/), ZL_FUZZ_SECONDS (per fuzzer, default 10).
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$here"
source "$here/scripts/compiler-cache.sh"

steps=(format warnings sanitize fuzz)
if [ $# -gt 0 ]; then
  steps=()
  while [ $# -gt 0 ]; do
    case "$1" in
      --only) steps+=("$2"); shift 2 ;;
      *) echo "usage: scripts/check.sh [--only format|warnings|sanitize|fuzz]..." >&2; exit 2 ;;
    esac
  done
fi
has() { local s; for s in "${steps[@]}"; do [ "$s" = "$1" ] && return 0; done; return 1; }
say() { printf '\n== check: %s (%s)\n' "$1" "$(date +%T)" >&2; }
started=$(date +%s)

if has format; then
  say "clang-format"
  mapfile -t files < <(git ls-files '*.cpp' '*.h' | grep -v '^node_modules/')
  bad=()
  for f in "${files[@]}"; do
    clang-format --dry-run --Werror "$f" >/dev/null 2>&1 || bad+=("$f")
  done
  if [ ${#bad[@]} -gt 0 ]; then
    echo "check: these files differ from .clang-format (clang-format -i FILE):" >&2
    printf '  %s\n' "${bad[@]}" >&2
    exit 1
  fi
  echo "check: ${#files[@]} files formatted" >&2
fi

if has warnings; then
  say "build with warnings as errors"
  ZL_WERROR=1 "$here/scripts/build.sh"
fi

# Everything without Qt: the libraries, the server and tools, and their tests.
parts="src/base;src/threadkit;src/store;src/recnet;src/devlink;src/data;src/query;src/export"
parts+=";src/chart;src/sites;server;tools;tests/base;tests/threadkit;tests/store;tests/data"
parts+=";tests/recnet;tests/server;tests/devlink;tests/query;tests/export;tests/chart;tests/sites"
parts+=";tests/tools;tests/hardening;tests/fuzz"
check_build="${ZL_CHECK_BUILD_DIR:-$here/build-check}"
if has sanitize || has fuzz; then
  say "AddressSanitizer + UBSan build (clang)"
  # ZL_FUZZ builds every library with the sanitizers and coverage for libFuzzer; the tests of
  # the same build then run under the sanitizers too, so one build serves both checks.
  cmake -S "$here" -B "$check_build" -G Ninja -DZL_FUZZ=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_C_COMPILER=clang -DZL_PARTS="$parts" \
    "${ZL_CACHE_ARGS[@]}" >/dev/null
  cmake --build "$check_build" -j"$(nproc)"
fi

if has sanitize; then
  say "tests under the sanitizers"
  # intercept_tls_get_addr=0: clang 14's runtime takes some dynamic TLS blocks of dlopen'ed
  # modules (the gRPC client) for an old glibc layout and reads a bogus range from them, so the
  # exit-time leak check itself crashes now and then ("Tracer caught signal 11").
  export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1:intercept_tls_get_addr=0}"
  export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}"
  # The interrupted-save test forks a child per kill point; under AddressSanitizer each fork
  # copies the shadow memory's page tables and the test takes minutes. It checks crash safety,
  # not memory use, and runs in ./test's build.
  (cd "$check_build" && ctest --output-on-failure -j"$(nproc)" --timeout 600 -E 'InterruptedSave')
fi

if has fuzz; then
  say "fuzzers, ${ZL_FUZZ_SECONDS:-10} s each"
  ZL_FUZZ_BUILD_DIR="$check_build" ZL_FUZZ_PREBUILT=1 "$here/scripts/fuzz.sh" "${ZL_FUZZ_SECONDS:-10}"
fi

echo "check: passed in $(( $(date +%s) - started )) s" >&2
