# The offscreen context's PNG writer (platform/offscreen_gl.cpp) needs libpng.
# Stop-gap until the platform layer lists PkgConfig::PNG itself.
if(TARGET gravlet_platform AND TARGET PkgConfig::PNG)
  target_link_libraries(gravlet_platform PUBLIC PkgConfig::PNG)
endif()
