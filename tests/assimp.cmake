# assimp is the independent 3DS reader and writer the model tests and the
# load benchmark compare with. Through pkg-config: the package's CMake
# config names draco and minizip targets that are not always installed.
pkg_check_modules(ASSIMP IMPORTED_TARGET GLOBAL assimp)
if(TARGET PkgConfig::ASSIMP)
  if(TARGET test_load3ds)
    target_link_libraries(test_load3ds PRIVATE PkgConfig::ASSIMP)
  endif()
endif()
