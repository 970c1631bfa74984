# test_show calls the show command of gravlet-data directly (the tool itself
# is built only once all its commands exist), checks CRCs with zlib's and
# reads TGA files, real and generated, with stb_image.
if(TARGET test_show)
  target_sources(test_show PRIVATE ${CMAKE_SOURCE_DIR}/tools/data/show.cpp)
  find_package(ZLIB REQUIRED)
  target_link_libraries(test_show PRIVATE ZLIB::ZLIB gravlet_generate)
endif()

# The built tool on a real file, when it exists.
if(TARGET gravlet-data)
  add_test(NAME gravlet_data_show_model
           COMMAND gravlet-data show ${CMAKE_SOURCE_DIR}/../shared/testdata/3ds/test1.3ds)
  set_tests_properties(gravlet_data_show_model PROPERTIES
    PASS_REGULAR_EXPRESSION "^model [^\n]*: 9 objects, [0-9]+ vertices, 108 faces\n  object \"Box01\"")
  add_test(NAME gravlet_data_show_missing COMMAND gravlet-data show ${CMAKE_BINARY_DIR}/no-such-file.tga)
  set_tests_properties(gravlet_data_show_missing PROPERTIES WILL_FAIL TRUE)
endif()
