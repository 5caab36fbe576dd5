# kaz_area(NAME [LIBS lib...])
#   Static library kaz_NAME, from engine/NAME/**.cpp. LIBS names
#   only libraries of lower layers (tools/check_layers.py holds the order and
#   checks it): the graph of area libraries has no cycle.
function(kaz_area name)
  cmake_parse_arguments(ARG "" "" "LIBS" ${ARGN})
  file(GLOB_RECURSE srcs CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/${name}/*.cpp)
  if(NOT srcs)
    set(srcs ${CMAKE_SOURCE_DIR}/cmake/empty.cpp)
  endif()
  add_library(kaz_${name} STATIC ${srcs})
  target_include_directories(kaz_${name} PUBLIC ${CMAKE_SOURCE_DIR}/engine)
  target_compile_definitions(kaz_${name} PUBLIC KAZ_BUILDING_ENGINE)
  target_link_libraries(kaz_${name} PUBLIC ${ARG_LIBS})
  # The shared library is built from the areas' objects, so it needs their
  # external dependencies directly.
  foreach(lib ${ARG_LIBS})
    if(NOT lib MATCHES "^kaz_")
      set_property(GLOBAL APPEND PROPERTY KAZ_EXTERNAL_LIBS ${lib})
    endif()
  endforeach()
  set_property(GLOBAL APPEND PROPERTY KAZ_AREAS ${name})
endfunction()
