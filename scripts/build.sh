# Sourced: configure and build the cross build in $BUILD_DIR.
vastrel_build() {
  local src="$1" build="$2"
  # A compiler cache, where the machine has one, shared by work trees of the
  # same source (paths are taken relative to the source folder).
  local launcher=()
  if command -v ccache >/dev/null 2>&1; then
    launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
    export CCACHE_BASEDIR="$src" CCACHE_NOHASHDIR=1
  fi
  if [ ! -f "$build/build.ninja" ]; then
    cmake -S "$src" -B "$build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$src/cmake/toolchain-i686-mingw.cmake" \
      -DCMAKE_BUILD_TYPE=RelWithDebInfo "${launcher[@]}" >/dev/null
  fi
  cmake --build "$build" -- -k 0
}
