# End-to-end runs of the demo program under a virtual X server, on a small
# data set written by gravlet-e2e-data; also the data set for the in-process
# run of the whole demo (test_demo_run).
add_executable(gravlet-e2e-data ${CMAKE_CURRENT_SOURCE_DIR}/e2e/make_data.cpp
                                ${CMAKE_CURRENT_SOURCE_DIR}/e2e/demo_data.cpp)
target_include_directories(gravlet-e2e-data PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(gravlet-e2e-data PRIVATE gravlet_generate)

if(TARGET test_demo_run)
  target_sources(test_demo_run PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/e2e/demo_data.cpp)
  target_link_libraries(test_demo_run PRIVATE gravlet_generate)
endif()

find_program(XVFB Xvfb)
find_program(XDOTOOL xdotool)
find_program(IMAGEMAGICK_IMPORT import)
# The bad_data.* runs of the program (damaged soundtrack, unreachable display)
# are cases of the same script.
if(XVFB AND XDOTOOL AND IMAGEMAGICK_IMPORT AND TARGET gravlet)
  foreach(test e2e.opens_loads_runs_and_ends_on_esc e2e.missing_model e2e.no_display e2e.no_audio
               e2e.window_close e2e.fullscreen_refused e2e.window_fails_shows_box
               bad_data.demo_goes_on bad_data.unreachable_display)
    string(REGEX REPLACE "^[^.]+\\." "" case ${test})
    add_test(NAME ${test}
             COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/e2e/run_e2e.sh ${case}
                     $<TARGET_FILE:gravlet> $<TARGET_FILE:gravlet-e2e-data>
                     ${CMAKE_CURRENT_BINARY_DIR}/e2e-${case})
    set_tests_properties(${test} PROPERTIES TIMEOUT 180 RUN_SERIAL TRUE)
  endforeach()
else()
  message(STATUS "end-to-end tests skipped: Xvfb, xdotool or ImageMagick import missing")
endif()
