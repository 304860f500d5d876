#!/usr/bin/env bash
# Builds the libFuzzer programs of tests/fuzz with clang (AddressSanitizer + UBSan) and runs
# each for a given time, starting from its seed corpus.
#
#   scripts/fuzz.sh [SECONDS] [TARGET...]     default 30 s each, every target
#
# Environment: ZL_FUZZ_BUILD_DIR (default build-fuzz), ZL_FUZZ_JOBS (build jobs, default all
# cores). New inputs the fuzzers find go to <build>/fuzz-corpus/<target>/ (the seed corpus in
# the repository is only read); a crashing input goes to <build>/fuzz-artifacts/<target>/.
# Copy such an input into tests/fuzz/corpus/<target>/regressions/ once it is fixed, so that
# ./test replays it. Exit status 1 when any fuzzer found a crash.
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${ZL_FUZZ_BUILD_DIR:-$here/build-fuzz}"
seconds="${1:-30}"
shift || true
[[ "$seconds" =~ ^[0-9]+$ ]] || { echo "usage: scripts/fuzz.sh [SECONDS] [TARGET...]" >&2; exit 2; }

# ZL_FUZZ_PREBUILT=1: the build folder already holds the fuzzers (scripts/check.sh built them).
if [ "${ZL_FUZZ_PREBUILT:-0}" != 1 ]; then
  source "$here/scripts/compiler-cache.sh"
  parts="src/base;src/threadkit;src/store;src/recnet;src/devlink;src/data;src/chart;server;tests/fuzz"
  cmake -S "$here" -B "$build" -G Ninja -DZL_FUZZ=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_C_COMPILER=clang -DZL_PARTS="$parts" \
    "${ZL_CACHE_ARGS[@]}" >/dev/null
  cmake --build "$build" --target fuzzers -j"${ZL_FUZZ_JOBS:-$(nproc)}"
fi

if [ $# -gt 0 ]; then
  targets=("$@")
else
  targets=()
  for f in "$build"/bin/fuzz_*; do targets+=("$(basename "$f" | sed 's/^fuzz_//')"); done
fi

# intercept_tls_get_addr=0: see scripts/check.sh.
export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1:intercept_tls_get_addr=0}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}"
failed=0
summary=""
for t in "${targets[@]}"; do
  bin="$build/bin/fuzz_$t"
  [ -x "$bin" ] || { echo "fuzz.sh: no fuzzer $t" >&2; exit 2; }
  work="$build/fuzz-corpus/$t"
  artifacts="$build/fuzz-artifacts/$t/"
  log="$build/fuzz-logs/$t.log"
  mkdir -p "$work" "$artifacts" "$(dirname "$log")"
  # A private temporary folder (in memory when possible): a fuzzer ends without tidying up.
  scratch_base=/dev/shm
  [ -d "$scratch_base" ] && [ -w "$scratch_base" ] || scratch_base="$build"
  scratch="$(mktemp -d "$scratch_base/zl-fuzz-$t.XXXXXX")"
  echo "== $t: ${seconds} s" >&2
  set +e
  TMPDIR="$scratch" "$bin" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
    -print_final_stats=1 -artifact_prefix="$artifacts" "$work" "$here/tests/fuzz/corpus/$t" \
    >"$log" 2>&1
  rc=$?
  set -e
  rm -rf "$scratch"
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
  took=$(sed -n 's/^Done [0-9]* runs in \([0-9]*\) second.*/\1/p' "$log" | tail -1)
  found=$(ls "$work" | wc -l)
  if [ $rc -eq 0 ]; then
    result="ok"
  else
    result="FAILED (exit $rc, see $log)"
    failed=1
    tail -40 "$log" >&2
  fi
  line=$(printf '%-14s %10s runs %5s s %8s/s corpus %5s  %s' "$t" "${runs:-?}" "${took:-$seconds}" \
    "$([ -n "${runs:-}" ] && echo $(( runs / (${took:-$seconds} > 0 ? ${took:-$seconds} : 1) )) || echo '?')" \
    "$found" "$result")
  echo "$line" >&2
  summary+="$line"$'\n'
done
echo >&2
echo "fuzzer         executions        time    rate    corpus    result" >&2
printf '%s' "$summary" >&2
exit $failed
