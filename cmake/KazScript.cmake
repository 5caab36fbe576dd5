# The script area's generated parts: the math module's wrapper (SWIG) and its
# Python proxy, Engine.py, which goes into the scripts folder of the base
# directory's copy of the base package.
set(KAZ_SWIG_DIR ${CMAKE_BINARY_DIR}/swig)
set(KAZ_SWIG_INTERFACE ${CMAKE_SOURCE_DIR}/engine/script/Engine.i)
set(KAZ_SWIG_WRAPPER ${KAZ_SWIG_DIR}/EngineMathWrap.cpp)
set(KAZ_SWIG_PROXY ${KAZ_BIN_DIR}/base/scripts/Engine.py)
add_custom_command(
  OUTPUT ${KAZ_SWIG_WRAPPER} ${KAZ_SWIG_PROXY}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${KAZ_SWIG_DIR}
  COMMAND ${SWIG_EXECUTABLE} -c++ -python -interface _Engine_SWIG -I${CMAKE_SOURCE_DIR}/engine
          -outdir ${KAZ_SWIG_DIR} -o ${KAZ_SWIG_DIR}/EngineMathWrap.raw.cpp ${KAZ_SWIG_INTERFACE}
  COMMAND ${CMAKE_COMMAND} -DIN=${KAZ_SWIG_DIR}/EngineMathWrap.raw.cpp -DOUT=${KAZ_SWIG_WRAPPER}
          -P ${CMAKE_SOURCE_DIR}/cmake/KazSwigPatch.cmake
  COMMAND ${CMAKE_COMMAND} -E copy ${KAZ_SWIG_DIR}/Engine.py ${KAZ_SWIG_PROXY}
  DEPENDS kaz_data ${KAZ_SWIG_INTERFACE} ${CMAKE_SOURCE_DIR}/cmake/KazSwigPatch.cmake
          ${CMAKE_SOURCE_DIR}/engine/tier0/Vector.h ${CMAKE_SOURCE_DIR}/engine/tier0/Matrix.h
          ${CMAKE_SOURCE_DIR}/engine/tier0/AABB.h ${CMAKE_SOURCE_DIR}/engine/tier1/KeyframeTrack.h
          ${CMAKE_SOURCE_DIR}/engine/tier1/PlayerController.h
  COMMENT "Generating the math module with SWIG"
  VERBATIM)
target_sources(kaz_script PRIVATE ${KAZ_SWIG_WRAPPER})
# Generated code: its warnings are SWIG's, not ours.
set_source_files_properties(${KAZ_SWIG_WRAPPER} PROPERTIES COMPILE_OPTIONS "-w")
# The interpreter finds its standard library under Debian's prefix, not under
# whatever Python comes first on PATH.
list(GET Python3_INCLUDE_DIRS 0 kaz_python_include)
get_filename_component(kaz_python_prefix ${kaz_python_include} DIRECTORY)
get_filename_component(kaz_python_prefix ${kaz_python_prefix} DIRECTORY)
target_compile_definitions(kaz_script PRIVATE KAZ_PYTHON_HOME="${kaz_python_prefix}")

# The script reference for mod authors, written from the modules' own tables.
# The build writes it into the build tree; a test fails when docs/scripting.md
# differs; update_scripting_docs rewrites the checked-in file.
add_executable(kaz_scriptdoc ${CMAKE_SOURCE_DIR}/tools/scriptdoc/ScriptDoc.cpp)
target_link_libraries(kaz_scriptdoc PRIVATE kaz_script kaz_core kaz_tier0 kaz_console kaz_tier1
                                            kaz_render)
target_compile_definitions(kaz_scriptdoc PRIVATE KAZ_PYTHON_HOME="${kaz_python_prefix}")
set_target_properties(kaz_scriptdoc PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tools)
add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/docs/scripting.md
  COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/docs
  # In sanitizer builds the interpreter's own leftovers at exit are not ours.
  COMMAND ${CMAKE_COMMAND} -E env ASAN_OPTIONS=detect_leaks=0
          $<TARGET_FILE:kaz_scriptdoc> ${CMAKE_BINARY_DIR}/docs/scripting.md
  DEPENDS kaz_scriptdoc
  COMMENT "Writing the script reference")
add_custom_target(scripting_docs ALL DEPENDS ${CMAKE_BINARY_DIR}/docs/scripting.md)
add_custom_target(update_scripting_docs
  COMMAND ${CMAKE_COMMAND} -E env ASAN_OPTIONS=detect_leaks=0
          $<TARGET_FILE:kaz_scriptdoc> ${CMAKE_SOURCE_DIR}/docs/scripting.md
  COMMENT "Rewriting docs/scripting.md")
