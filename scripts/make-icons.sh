#!/usr/bin/env bash
# Renders the PNG sizes of the application icon from its SVG source into packaging/icons/.
# The PNGs are committed, so a build needs no SVG renderer; run this after editing the SVG.
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
icons="$here/packaging/icons"
name=org.zelkoreporter.reporter
if ! command -v rsvg-convert >/dev/null 2>&1; then
  SUDO=""; [ "$(id -u)" -ne 0 ] && SUDO="sudo"
  $SUDO apt-get install -y -qq --no-install-recommends librsvg2-bin >/dev/null
fi
for size in 16 22 24 32 48 64 128 256; do
  rsvg-convert -w "$size" -h "$size" "$icons/$name.svg" -o "$icons/$name-$size.png"
done
