# test_capture links the capture tool's library and the small data set
# writer, and runs the built gravlet-capture itself.
if(TARGET test_capture AND TARGET gravlet_capture)
  target_sources(test_capture PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/e2e/demo_data.cpp)
  target_link_libraries(test_capture PRIVATE gravlet_capture gravlet_generate)
  target_compile_definitions(test_capture PRIVATE GRAVLET_CAPTURE_TOOL="$<TARGET_FILE:gravlet-capture>")
  add_dependencies(test_capture gravlet-capture)
endif()
