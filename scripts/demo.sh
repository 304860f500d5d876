#!/usr/bin/env bash
# The demo: sample counting databases of the last 30 days (ending today, so today's Day report
# has data), a site list with one local site over them, and the report window on it. Without a
# display the same report runs through reporter-cli and its table is printed.
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${ZL_BUILD_DIR:-$here/build}"
bin="$build/bin"
data="$build/demo-data"
today="$(date +%F)"

for tool in countgen reporter-cli zelkoReporter; do
  if [ ! -x "$bin/$tool" ]; then
    echo "demo: $bin/$tool is missing; build first (scripts/build.sh)" >&2
    exit 1
  fi
done

# The databases, made again when they do not end today.
stamp="$data/.generated-for"
if [ ! -f "$stamp" ] || [ "$(cat "$stamp")" != "$today" ]; then
  echo "demo: writing sample databases of the last 30 days into $data" >&2
  mkdir -p "$data"
  "$bin/countgen" --root "$data" --days 30 --end "$today" --index --force --quiet
  echo "$today" > "$stamp"
fi

# A site list with the demo site, unless the program folder has one already.
sitelist="$bin/SiteList.ini"
if [ ! -f "$sitelist" ]; then
  cat > "$sitelist" <<INI
[SITE_LIST]
COUNT=1

[SITE_LIST_COUNT00]
CounterType=1
strItemName=Demo site - demo-data
IPAddress=127.0.0.1
LocalDB=$data
nPort=700
strUsername=
strPassword=
bAnonyMous=0
ConnectionType=2
INI
  echo "demo: wrote $sitelist with the demo site" >&2
fi

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "demo: no display (\$DISPLAY and \$WAYLAND_DISPLAY are empty), so no window;" \
       "today's 2D people counter report of the demo site instead:" >&2
  exec "$bin/reporter-cli" report --type 1 --range day --date "$today" \
    --site-list "$sitelist" --format table
fi

echo "demo: starting the report window. Choose a counter type (2D People Counter)," \
     "check the demo site in the tree and press Query." >&2
exec "$bin/zelkoReporter"
