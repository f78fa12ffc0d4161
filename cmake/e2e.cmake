# add_e2e_test(NAME SCRIPT [LABELS ...] [FIXTURES ...] [ENVIRONMENT ...])
# Registers one Python end-to-end script of tests/e2e with ctest.
function(add_e2e_test name script)
  cmake_parse_arguments(E2E "" "" "LABELS;FIXTURES;ENVIRONMENT" ${ARGN})
  if(WIN32)
    set(target windows)
  else()
    set(target linux)
  endif()
  add_test(NAME ${name}
    COMMAND ${Python3_EXECUTABLE} ${CMAKE_CURRENT_SOURCE_DIR}/${script}
    WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR})
  set_tests_properties(${name} PROPERTIES
    ENVIRONMENT "LAUNCHER_BUILD_DIR=${CMAKE_BINARY_DIR};LAUNCHER_TARGET=${target};PYTHONPATH=${PROJECT_SOURCE_DIR}/tests/e2e;PYTHONDONTWRITEBYTECODE=1;WINEPREFIX=${CMAKE_BINARY_DIR}/wineprefix;${E2E_ENVIRONMENT}"
    LABELS "e2e;${target};${E2E_LABELS}"
    FIXTURES_REQUIRED "${E2E_FIXTURES}")
endfunction()
