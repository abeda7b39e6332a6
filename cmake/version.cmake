# The program's version is the moment it was built: YYYY.MMDD.HHMM. Only the program's own
# executable carries it (src/build_stamp.cpp), and it is stamped again only when something the
# program is made of has changed: a build with nothing to do relinks nothing, and the libraries,
# tests and utilities never relink for the stamp.
file(MAKE_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}/generated)
function(kirvo_version_stamp target)
  set(_h ${CMAKE_CURRENT_BINARY_DIR}/generated/build_stamp.h)
  add_custom_command(OUTPUT ${_h}
    COMMAND ${CMAKE_COMMAND} -DOUT=${_h} -P ${CMAKE_CURRENT_SOURCE_DIR}/cmake/write_version.cmake
    DEPENDS ${ARGN} ${CMAKE_CURRENT_SOURCE_DIR}/cmake/write_version.cmake
    COMMENT "Stamping the build moment")
  target_sources(${target} PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/src/build_stamp.cpp ${_h})
  target_include_directories(${target} PRIVATE ${CMAKE_CURRENT_BINARY_DIR}/generated)
endfunction()
