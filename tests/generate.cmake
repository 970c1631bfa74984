# The data generator's tests link its library; test_generate reads the
# written models back with assimp, the independent 3DS reader
# (tests/assimp.cmake may have looked it up already); test_check also runs
# the gravlet-data binary.
foreach(name test_generate test_check)
  if(TARGET ${name})
    target_link_libraries(${name} PRIVATE gravlet_generate)
  endif()
endforeach()
if(TARGET test_generate)
  if(NOT TARGET PkgConfig::ASSIMP)
    pkg_check_modules(ASSIMP REQUIRED IMPORTED_TARGET GLOBAL assimp)
  endif()
  target_link_libraries(test_generate PRIVATE PkgConfig::ASSIMP)
endif()
if(TARGET test_check AND TARGET gravlet-data)
  add_dependencies(test_check gravlet-data)
  target_compile_definitions(test_check PRIVATE GRAVLET_DATA_TOOL="$<TARGET_FILE:gravlet-data>")
endif()
