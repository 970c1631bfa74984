# Bad data end to end: damaged and missing data files through the whole demo,
# headless (gravlet-capture), on copies of the small end-to-end data set. The
# windowed program's bad-data runs are registered with the e2e tests.
# The programs may be defined by files included after this one: looked up
# when the build is generated.
set(bad_data_tools)
foreach(pair E2E_DATA:gravlet-e2e-data GRAVLET_CAPTURE:gravlet-capture)
  string(REPLACE ":" ";" pair ${pair})
  list(GET pair 0 var)
  list(GET pair 1 target)
  list(APPEND bad_data_tools "$<$<TARGET_EXISTS:${target}>:${var}=$<TARGET_FILE:${target}>>")
endforeach()

# A case whose program is not built reports itself skipped (exit 77).
foreach(case missing_each_file damaged_files)
  add_test(NAME bad_data.${case}
           COMMAND ${CMAKE_COMMAND} -E env ${bad_data_tools}
                   ${CMAKE_CURRENT_SOURCE_DIR}/bad_data/run_bad_data.sh ${case}
                   ${CMAKE_CURRENT_BINARY_DIR}/bad-data-${case})
  set_tests_properties(bad_data.${case} PROPERTIES TIMEOUT 300 SKIP_RETURN_CODE 77)
endforeach()
