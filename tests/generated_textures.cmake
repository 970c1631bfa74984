# The generated textures are checked against an independent decoder.
if(TARGET test_generated_textures)
  target_link_libraries(test_generated_textures PRIVATE gravlet_generate)
endif()
