# Sourced: configure and build the cross build in $BUILD_DIR.

# The machine's word size for the programs run under wine: "32" where it can run
# 32-bit code (the program's own), "64" where it cannot (a kernel with 32-bit
# emulation switched off, where wine32 fails with "Exec format error"). There the
# tests and tools run a 64-bit build of the same sources under wine64.
# VASTREL_ARCH=32 or 64 forces one.
vastrel_arch() {
  if [ -n "${VASTREL_ARCH:-}" ]; then echo "$VASTREL_ARCH"; return; fi
  if [ ! -x /usr/lib/wine/wine ] || /usr/lib/wine/wine --version >/dev/null 2>&1; then echo 32; else echo 64; fi
}

# Configures and builds the tree in $2 for word size $3 (default 32).
vastrel_build() {
  local src="$1" build="$2" arch="${3:-32}"
  local toolchain="$src/cmake/toolchain-i686-mingw.cmake"
  [ "$arch" = 64 ] && toolchain="$src/cmake/toolchain-x86_64-mingw.cmake"
  # A compiler cache, where the machine has one, shared by work trees of the
  # same source (paths are taken relative to the source folder).
  local launcher=()
  if command -v ccache >/dev/null 2>&1; then
    launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
    export CCACHE_BASEDIR="$src" CCACHE_NOHASHDIR=1
  fi
  if [ ! -f "$build/build.ninja" ]; then
    cmake -S "$src" -B "$build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
      -DCMAKE_BUILD_TYPE=RelWithDebInfo "${launcher[@]}" >/dev/null
  fi
  cmake --build "$build" -- -k 0
}

# The build folder whose programs run under wine on this machine: $1 itself where
# it runs 32-bit code, else "$1"64 (built here when needed). Sets VASTREL_RUN_BUILD.
vastrel_run_build() {
  local src="$1" build="$2"
  if [ "$(vastrel_arch)" = 64 ]; then
    VASTREL_RUN_BUILD="${build}64"
    echo "This machine cannot run 32-bit code: the tests run a 64-bit build of the same sources ($VASTREL_RUN_BUILD) under wine64." >&2
    vastrel_build "$src" "$VASTREL_RUN_BUILD" 64
  else
    VASTREL_RUN_BUILD="$build"
  fi
}
