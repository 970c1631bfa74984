# gravlet_layer(NAME DEPS...) makes the library gravlet_NAME from NAME/*.cpp.
# A layer without sources yet is an interface library, so the tree always
# configures while layers are being filled in.
function(gravlet_layer name)
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/${name}/*.cpp)
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
