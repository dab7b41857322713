# shellcheck shell=bash
# The driver-only build that the end-to-end scripts share; sourced, not run.
#   . tools/lib/build.sh
#   driver_build <folder>   configures a Release build of the driver and the stand-in model,
#                           without front end and tests, in <folder> unless one is there, and
#                           builds both programs

driver_build() {
  if [ ! -f "$1/CMakeCache.txt" ]; then
    tools/install-deps.sh driver
    cmake -S . -B "$1" -G Ninja -DCMAKE_BUILD_TYPE=Release \
      -DTARN_BUILD_FRONTEND=OFF -DTARN_BUILD_TESTS=OFF >/dev/null
  fi
  cmake --build "$1" --target TARN_DoduVovuv TolvaModel >/dev/null
}
