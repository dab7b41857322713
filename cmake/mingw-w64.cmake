# Cross-compiles for 64-bit Windows with MinGW-w64 (Debian package g++-mingw-w64-x86-64).
# The compiler's POSIX thread variant is required: only its C++ library has std::thread, which
# the driver's parallel model runs use.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(TARN_MINGW_TRIPLET x86_64-w64-mingw32)
find_program(CMAKE_C_COMPILER NAMES ${TARN_MINGW_TRIPLET}-gcc-posix REQUIRED)
find_program(CMAKE_CXX_COMPILER NAMES ${TARN_MINGW_TRIPLET}-g++-posix REQUIRED)
find_program(CMAKE_RC_COMPILER NAMES ${TARN_MINGW_TRIPLET}-windres)

# Libraries and headers come from the Windows sysroot only; programs run on the build machine.
set(CMAKE_FIND_ROOT_PATH /usr/${TARN_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
