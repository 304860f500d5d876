#!/usr/bin/env bash
# Runs the whole test suite on a machine made busy on purpose, to show that no test depends on
# timing. Modes:
#   scripts/stress-test.sh [loaded] [ROUNDS]   ./test ROUNDS times (default 3) while four
#                                              CPU-bound processes run beside it
#   scripts/stress-test.sh one-core            ./test once, every process pinned to core 0
# The load is started and stopped by this script (stress-ng, from Debian); it is stopped on
# every way out, an interrupt included. Prints the time of each round; exits non-zero at the
# first round that fails.
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
mode="${1:-loaded}"
rounds="${2:-3}"

"$here/scripts/setup.sh"

load_pid=""
stop_load() {
  if [ -n "$load_pid" ] && kill -0 "$load_pid" 2>/dev/null; then
    kill -TERM "$load_pid" 2>/dev/null || true
    wait "$load_pid" 2>/dev/null || true
  fi
  load_pid=""
}
trap stop_load EXIT
trap 'stop_load; exit 130' INT TERM

run_round() {
  local label="$1"
  shift
  local start end
  start=$(date +%s)
  if "$@"; then
    end=$(date +%s)
    echo "stress-test: $label passed in $((end - start)) s (load average: $(cut -d' ' -f1-3 /proc/loadavg))"
  else
    end=$(date +%s)
    echo "stress-test: $label FAILED after $((end - start)) s" >&2
    return 1
  fi
}

case "$mode" in
  loaded)
    # Four CPU-bound workers, niced like the rest of the machine would not be.
    stress-ng --cpu 4 --timeout 0 --quiet &
    load_pid=$!
    for ((i = 1; i <= rounds; i++)); do
      run_round "loaded round $i of $rounds" "$here/test"
    done
    ;;
  one-core)
    run_round "one core" taskset -c 0 "$here/test"
    ;;
  *)
    echo "usage: $0 [loaded [ROUNDS] | one-core]" >&2
    exit 2
    ;;
esac
