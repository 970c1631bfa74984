# gravlet_layer(NAME DEPS...) makes the library gravlet_NAME from NAME/*.cpp.
# A layer without sources yet is an interface library, so the tree always
# configures while layers are being filled in. A variable
# gravlet_NAME_sources, when set, lists the layer's sources instead (the
# Windows build's platform layer).
function(gravlet_layer name)
  if(DEFINED gravlet_${name}_sources)
    set(sources ${gravlet_${name}_sources})
  else()
    file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/${name}/*.cpp)
  endif()
  if(sources)
    add_library(gravlet_${name} STATIC ${sources})
    target_include_directories(gravlet_${name} PUBLIC ${CMAKE_SOURCE_DIR})
    target_link_libraries(gravlet_${name} PUBLIC ${ARGN})
  else()
    add_library(gravlet_${name} INTERFACE)
    target_include_directories(gravlet_${name} INTERFACE ${CMAKE_SOURCE_DIR})
    target_link_libraries(gravlet_${name} INTERFACE ${ARGN})
  endif()
endfunction()
