# Tests of the installation lookup, the version gate and the destination folder choice.
zolmir_unit_test(install_path_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/install_path_test.cpp
  LIBS update_core)

# The lookup and the manual choice as the user meets them: the menu's Update button, the notices,
# the SETUP dialog and the folder browser, with the registry set up by the driver.
zolmir_e2e_test(lookup_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/lookup_test.cpp)
zolmir_e2e_test(folder_setup_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/folder_setup_test.cpp)
