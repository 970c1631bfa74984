# The generated models read back by assimp, the independent 3DS reader
# (tests/assimp.cmake may have looked it up already).
if(TARGET test_generated_models_assimp)
  target_link_libraries(test_generated_models_assimp PRIVATE gravlet_generate)
  if(NOT TARGET PkgConfig::ASSIMP)
    pkg_check_modules(ASSIMP IMPORTED_TARGET GLOBAL assimp)
  endif()
  if(TARGET PkgConfig::ASSIMP)
    target_link_libraries(test_generated_models_assimp PRIVATE PkgConfig::ASSIMP)
  endif()
endif()
