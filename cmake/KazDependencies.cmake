# Every dependency comes from Debian's packages (see tools/packages.txt).
find_package(PkgConfig REQUIRED)
find_package(Threads REQUIRED)
find_package(OpenGL REQUIRED COMPONENTS OpenGL)

pkg_check_modules(SDL2 REQUIRED IMPORTED_TARGET sdl2)
pkg_check_modules(PHYSFS REQUIRED IMPORTED_TARGET physfs)
# Bullet's own CMake config in Debian is broken; pkg-config works.
pkg_check_modules(BULLET REQUIRED IMPORTED_TARGET bullet)
pkg_check_modules(ZLIB REQUIRED IMPORTED_TARGET zlib)
pkg_check_modules(OPENAL REQUIRED IMPORTED_TARGET openal)
pkg_check_modules(ALUT REQUIRED IMPORTED_TARGET freealut)
pkg_check_modules(VORBISFILE REQUIRED IMPORTED_TARGET vorbisfile)
pkg_check_modules(CAL3D REQUIRED IMPORTED_TARGET cal3d)
# Debian's Cal3D exports no type information for its classes, which UBSan's
# vptr check needs: files that call into Cal3D are built without that one check.
set(KAZ_CAL3D_SANITIZE_OPTIONS "")
if(KAZ_SANITIZE MATCHES "undefined")
  set(KAZ_CAL3D_SANITIZE_OPTIONS -fno-sanitize=vptr)
endif()
pkg_check_modules(FFMPEG REQUIRED IMPORTED_TARGET libavformat libavcodec libswscale libavutil)
# The model converter (tools/meshconv) only: the engine never links these.
pkg_check_modules(ASSIMP REQUIRED IMPORTED_TARGET assimp)
find_package(meshoptimizer REQUIRED)

# Debian's embedded Python, even when another Python 3.11 comes first on PATH.
set(Python3_ROOT_DIR /usr)
set(Python3_FIND_STRATEGY LOCATION)
find_package(Python3 3.11 EXACT REQUIRED COMPONENTS Development)
find_package(SWIG 4.1 REQUIRED)

if(KAZ_BUILD_TESTS)
  find_package(GTest REQUIRED)
  include(GoogleTest)
endif()
if(KAZ_BUILD_BENCH)
  find_package(benchmark REQUIRED)
endif()
