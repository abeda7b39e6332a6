# The program's version is the moment it was built: YYYY.MMDD.HHMM.
file(MAKE_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}/generated)
add_custom_target(kirvo_version
  COMMAND ${CMAKE_COMMAND} -DOUT=${CMAKE_CURRENT_BINARY_DIR}/generated/build_version.h
          -P ${CMAKE_CURRENT_SOURCE_DIR}/cmake/write_version.cmake
  BYPRODUCTS ${CMAKE_CURRENT_BINARY_DIR}/generated/build_version.h
  COMMENT "Stamping the build moment")
