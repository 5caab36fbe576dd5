# kaz_area(NAME [SOURCES file...] [EXCLUDE file...] [LIBS lib...])
#   Static library kaz_NAME, from engine/NAME/**.cpp or, with SOURCES, from those
#   files (paths below engine/); EXCLUDE leaves files out of the glob. LIBS names
#   only libraries of lower layers (tools/check_layers.py holds the order and
#   checks it): the graph of area libraries has no cycle.
function(kaz_area name)
  cmake_parse_arguments(ARG "" "" "SOURCES;EXCLUDE;LIBS" ${ARGN})
  if(ARG_SOURCES)
    list(TRANSFORM ARG_SOURCES PREPEND ${CMAKE_CURRENT_SOURCE_DIR}/ OUTPUT_VARIABLE srcs)
  else()
    file(GLOB_RECURSE srcs CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/${name}/*.cpp)
    foreach(file ${ARG_EXCLUDE})
      list(REMOVE_ITEM srcs ${CMAKE_CURRENT_SOURCE_DIR}/${file})
    endforeach()
  endif()
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
