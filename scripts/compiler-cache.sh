# Sourced by the build scripts: sets ZL_CACHE_ARGS to the cmake arguments that put ccache in
# front of the compilers when it is installed (empty otherwise). Paths are hashed relative to
# the checkout, so a fresh clone in another folder reuses what an earlier build compiled.
ZL_CACHE_ARGS=()
if command -v ccache >/dev/null 2>&1 && [ "${ZL_CCACHE:-1}" != 0 ]; then
  export CCACHE_BASEDIR="${CCACHE_BASEDIR:-$here}"
  export CCACHE_NOHASHDIR="${CCACHE_NOHASHDIR:-true}"
  ZL_CACHE_ARGS=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi
