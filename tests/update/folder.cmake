# Tests of the installation lookup, the version gate and the destination folder choice.
zolmir_unit_test(install_path_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/install_path_test.cpp
  LIBS update_core)
