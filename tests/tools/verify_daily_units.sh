#!/bin/sh
# Checks the daily report's service and timer with systemd-analyze verify, as installed (the
# program path filled in with the built reporter-cli). Skipped (77) without systemd-analyze.
#   verify_daily_units.sh SERVICE.in TIMER REPORTER-CLI
set -eu
command -v systemd-analyze >/dev/null 2>&1 || { echo "systemd-analyze is missing"; exit 77; }
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
bindir=$(dirname "$3")
sed "s#@CMAKE_INSTALL_FULL_BINDIR@#$bindir#" "$1" >"$dir/zelkoreporter-daily.service"
cp "$2" "$dir/zelkoreporter-daily.timer"
cd "$dir"
# As a user unit (the manager needs a runtime folder of its own), and by the system's rules.
XDG_RUNTIME_DIR="$dir" systemd-analyze verify --user --man=no \
  ./zelkoreporter-daily.service ./zelkoreporter-daily.timer
systemd-analyze verify --man=no ./zelkoreporter-daily.service ./zelkoreporter-daily.timer
# The timer's calendar names a time once a day.
systemd-analyze calendar --iterations=2 "$(sed -n 's/^OnCalendar=//p' zelkoreporter-daily.timer)"
