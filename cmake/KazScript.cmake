# The script area's generated parts: the math module's wrapper (SWIG) and its
# Python proxy, Engine.py, which goes into the base package's scripts folder.
set(KAZ_SWIG_DIR ${CMAKE_BINARY_DIR}/swig)
set(KAZ_SWIG_INTERFACE ${CMAKE_SOURCE_DIR}/engine/script/Engine.i)
set(KAZ_SWIG_WRAPPER ${KAZ_SWIG_DIR}/EngineMathWrap.cpp)
set(KAZ_SWIG_PROXY ${CMAKE_SOURCE_DIR}/data/base/scripts/Engine.py)
add_custom_command(
  OUTPUT ${KAZ_SWIG_WRAPPER} ${KAZ_SWIG_PROXY}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${KAZ_SWIG_DIR}
  COMMAND ${SWIG_EXECUTABLE} -c++ -python -interface _Engine_SWIG -I${CMAKE_SOURCE_DIR}/engine
          -outdir ${KAZ_SWIG_DIR} -o ${KAZ_SWIG_DIR}/EngineMathWrap.raw.cpp ${KAZ_SWIG_INTERFACE}
  COMMAND ${CMAKE_COMMAND} -DIN=${KAZ_SWIG_DIR}/EngineMathWrap.raw.cpp -DOUT=${KAZ_SWIG_WRAPPER}
          -P ${CMAKE_SOURCE_DIR}/cmake/KazSwigPatch.cmake
  COMMAND ${CMAKE_COMMAND} -E copy ${KAZ_SWIG_DIR}/Engine.py ${KAZ_SWIG_PROXY}
  DEPENDS ${KAZ_SWIG_INTERFACE} ${CMAKE_SOURCE_DIR}/cmake/KazSwigPatch.cmake
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
