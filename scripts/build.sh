# Sourced: configure and build the cross build in $BUILD_DIR.
vastrel_build() {
  local src="$1" build="$2"
  if [ ! -f "$build/build.ninja" ]; then
    cmake -S "$src" -B "$build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$src/cmake/toolchain-i686-mingw.cmake" \
      -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
  fi
  cmake --build "$build" -- -k 0
}
