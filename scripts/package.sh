#!/usr/bin/env bash
# Builds the Debian packages: zelkoreporter (viewer + reporter-cli), recnetd, zelkoreporter-tools.
#
#   scripts/package.sh [OUT_DIR]      (default: out/packages)
#
# Configures its own build folder ($ZL_PKG_BUILD_DIR, default build-pkg/) with the install
# prefix /usr and without the tests, builds (-O2 -g; the packages get stripped programs),
# runs cpack, and checks the packages with lintian when it is installed (ZL_LINTIAN=0 skips).
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${ZL_PKG_BUILD_DIR:-$here/build-pkg}"
out="$(mkdir -p "${1:-$here/out/packages}" && cd "${1:-$here/out/packages}" && pwd)"

"$here/scripts/setup.sh"
# dpkg-shlibdeps (dpkg-dev) finds the library dependencies of the programs.
if ! command -v dpkg-shlibdeps >/dev/null 2>&1; then
  SUDO=""; [ "$(id -u)" -ne 0 ] && SUDO="sudo"
  $SUDO apt-get install -y -qq --no-install-recommends dpkg-dev >/dev/null
fi

# Every folder of the build but the tests and benchmarks.
parts="$(sed -n '/^set(ZL_ALL_PARTS/,/)/p' "$here/CMakeLists.txt" | tr -s ' \n()' '\n' |
  grep -E '^(src|server|tools)(/|$)' | paste -sd';')"

# Linked as Debian links (full RELRO, bind now). ZL_DEB_BUILDFLAGS=1 compiles with all of
# dpkg-buildflags (fortify, stack protector) too; that misses the compiler cache the other
# builds of the tree fill, so it is not the default.
ldflags="-Wl,-z,relro -Wl,-z,now"
cflags=()
if [ "${ZL_DEB_BUILDFLAGS:-0}" = 1 ]; then
  cflags=(-DCMAKE_C_FLAGS="$(dpkg-buildflags --get CFLAGS) $(dpkg-buildflags --get CPPFLAGS)"
          -DCMAKE_CXX_FLAGS="$(dpkg-buildflags --get CXXFLAGS) $(dpkg-buildflags --get CPPFLAGS)")
  ldflags="$(dpkg-buildflags --get LDFLAGS)"
fi
cmake -S "$here" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_INSTALL_PREFIX=/usr -DZL_PARTS="$parts" -DCMAKE_EXE_LINKER_FLAGS="$ldflags" \
  "${cflags[@]}" >/dev/null
nice -n 5 cmake --build "$build" -j"$(nproc)"

rm -f "$out"/*.deb
(cd "$build" && cpack -G DEB -B "$out/cpack" >/dev/null)
mv "$out"/cpack/*.deb "$out"/
rm -rf "$out/cpack"
ls -l "$out"/*.deb

if [ "${ZL_LINTIAN:-1}" != 0 ] && command -v lintian >/dev/null 2>&1; then
  echo "lintian:"
  # Findings are reported, not fatal: docs/packaging.md says why the remaining ones stay.
  lintian --allow-root --tag-display-limit 0 --display-info --pedantic "$out"/*.deb || true
fi
