# assimp is the independent 3DS reader and writer the model tests and the
# load benchmark compare with. Through pkg-config: the package's CMake
# config names draco and minizip targets that are not always installed.
pkg_check_modules(ASSIMP IMPORTED_TARGET GLOBAL assimp)
if(TARGET PkgConfig::ASSIMP)
  if(TARGET test_load3ds)
    target_link_libraries(test_load3ds PRIVATE PkgConfig::ASSIMP)
  endif()
  # The benchmarks are configured after the tests: link them once the
  # top-level directory is done.
  function(gravlet_link_bench_assimp)
    if(TARGET bench_load3ds)
      target_link_libraries(bench_load3ds PRIVATE PkgConfig::ASSIMP)
    endif()
  endfunction()
  if(GRAVLET_BENCH)
    cmake_language(DEFER DIRECTORY ${CMAKE_SOURCE_DIR} CALL gravlet_link_bench_assimp)
  endif()
endif()
