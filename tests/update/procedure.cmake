# Tests of the update procedure: directive lines, registry and INI writes, end dialog.
zolmir_unit_test(directives_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/directives_test.cpp
  LIBS update_core shell_core)

zolmir_e2e_test(procedure_e2e_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/procedure_e2e_test.cpp)
if(WIN32)
  target_compile_definitions(procedure_e2e_test PRIVATE
    ZOLMIR_MENU_PICTURE="Z:${CMAKE_SOURCE_DIR}/tests/image/data/menu_ts01.rct")
endif()

# The demo's driver (scripts/demo.sh): registers the demo game and walks its update screen by screen.
if(WIN32)
  add_executable(procedure_demo_driver procedure_demo_driver.cpp)
  target_link_libraries(procedure_demo_driver PRIVATE e2e_support)
endif()
