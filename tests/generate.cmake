# The data generator's tests link its library, read the written models back
# with assimp, the independent 3DS reader (tests/assimp.cmake may have looked
# it up already), and run the gravlet-data binary's check command.
if(TARGET test_generate)
  target_link_libraries(test_generate PRIVATE gravlet_generate)
  if(NOT TARGET PkgConfig::ASSIMP)
    pkg_check_modules(ASSIMP REQUIRED IMPORTED_TARGET GLOBAL assimp)
  endif()
  target_link_libraries(test_generate PRIVATE PkgConfig::ASSIMP)
  if(TARGET gravlet-data)
    add_dependencies(test_generate gravlet-data)
    target_compile_definitions(test_generate PRIVATE GRAVLET_DATA_TOOL="$<TARGET_FILE:gravlet-data>")
  endif()
endif()
