# The soundtrack synthesizer's tests use its library directly.
if(TARGET test_synth)
  target_link_libraries(test_synth PRIVATE gravlet_synth)
endif()
