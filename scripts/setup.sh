#!/usr/bin/env bash
# Installs every Debian package and the npm package the build needs, only when missing.
# Safe to run again: it does nothing when everything is present.
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"

pkgs=(
  build-essential cmake ninja-build pkg-config git
  clang clang-format libclang-rt-14-dev
  sqlite3 libsqlite3-dev
  qt6-base-dev qt6-base-dev-tools qt6-webengine-dev qt6-webengine-dev-tools
  libqt6webenginecore6-bin libgl-dev libegl-dev libxkbcommon-dev
  libgrpc++-dev libprotobuf-dev protobuf-compiler protobuf-compiler-grpc
  libcpp-httplib-dev nlohmann-json3-dev libsodium-dev libssl-dev
  libgtest-dev libgmock-dev libbenchmark-dev libxml2-dev libxslt1-dev
  libxlsxwriter-dev python3-openpyxl poppler-utils
  xvfb xauth fonts-dejavu-core fonts-wqy-microhei stress-ng ccache
  desktop-file-utils appstream man-db
  nodejs
)

missing=()
for p in "${pkgs[@]}"; do
  if ! dpkg-query -W -f='${Status}\n' "$p" 2>/dev/null | grep -q '^install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -gt 0 ]; then
  echo "setup: installing ${missing[*]}" >&2
  SUDO=""
  [ "$(id -u)" -ne 0 ] && SUDO="sudo"
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update -qq
  $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

# npm ships with the nodesource nodejs package; Debian's nodejs needs the npm package.
if ! command -v npm >/dev/null 2>&1; then
  SUDO=""; [ "$(id -u)" -ne 0 ] && SUDO="sudo"
  $SUDO apt-get install -y -qq --no-install-recommends npm >/dev/null
fi

# Chart.js at the exact version of the lock file.
if [ ! -f "$here/node_modules/chart.js/package.json" ] ||
   ! grep -q '"version": "1.0.2"' "$here/node_modules/chart.js/package.json"; then
  echo "setup: installing chart.js 1.0.2 from the lock file" >&2
  (cd "$here" && npm ci --no-audit --no-fund --loglevel=error)
fi
