# A short libFuzzer pass over each reader (TGA, 3DS, MP3 stream) so that a
# regression shows up in every test run; `make fuzz` runs longer passes.
# The fuzz targets need clang and its libFuzzer runtime: they are built in
# their own tree under the build folder by fuzz/build.sh.
set(fuzz_seconds 20)
set(fuzz_build ${CMAKE_BINARY_DIR}/fuzz)
set(fuzz_env GRAVLET_FUZZ_BUILD=${fuzz_build} GRAVLET_FUZZ_CORPUS=${CMAKE_BINARY_DIR}/fuzz-corpus
             GRAVLET_FUZZ_NO_BUILD=1 "GRAVLET_FUZZ_ARGS=-seed=1")
if(TARGET gravlet-data)
  list(APPEND fuzz_env GRAVLET_DATA=$<TARGET_FILE:gravlet-data>)
endif()

find_program(FUZZ_CLANGXX clang++)
if(FUZZ_CLANGXX)
  add_test(NAME fuzz.build COMMAND ${CMAKE_SOURCE_DIR}/fuzz/build.sh ${fuzz_build})
  set_tests_properties(fuzz.build PROPERTIES FIXTURES_SETUP fuzz_built TIMEOUT 1200
                       ENVIRONMENT "JOBS=2")
  add_test(NAME fuzz.seeds COMMAND ${CMAKE_COMMAND} -E env ${fuzz_env}
           ${CMAKE_SOURCE_DIR}/fuzz/seeds.sh ${CMAKE_BINARY_DIR}/fuzz-corpus/seeds)
  set_tests_properties(fuzz.seeds PROPERTIES FIXTURES_SETUP fuzz_seeded TIMEOUT 300)
  foreach(reader tga 3ds mp3)
    add_test(NAME fuzz.${reader} COMMAND ${CMAKE_COMMAND} -E env ${fuzz_env}
             ${CMAKE_SOURCE_DIR}/fuzz/run.sh ${fuzz_seconds} fuzz_${reader})
    set_tests_properties(fuzz.${reader} PROPERTIES FIXTURES_REQUIRED "fuzz_built;fuzz_seeded"
                         TIMEOUT 300)
  endforeach()
  # Inputs that once broke a reader, run once each.
  add_test(NAME fuzz.regressions COMMAND ${CMAKE_SOURCE_DIR}/fuzz/regress.sh ${fuzz_build}
           ${CMAKE_SOURCE_DIR}/tests/regress)
  set_tests_properties(fuzz.regressions PROPERTIES FIXTURES_REQUIRED fuzz_built TIMEOUT 300)
else()
  message(STATUS "fuzz tests skipped: clang++ not found (Debian packages clang, libclang-rt-14-dev)")
  add_test(NAME fuzz.unavailable
           COMMAND sh -c "echo 'fuzz tests skipped: clang++ not found (install clang and libclang-rt-14-dev)'; exit 77")
  set_tests_properties(fuzz.unavailable PROPERTIES SKIP_RETURN_CODE 77)
endif()
