# sheetwright_add_tests(<name> [OWN_MAIN] LIBS <libs...> SOURCES <files...>)
# One GoogleTest binary per folder; each test case becomes its own ctest entry. OWN_MAIN: the
# sources bring their own main() (the GUI tests create the application object first).
include(GoogleTest)
function(sheetwright_add_tests name)
  cmake_parse_arguments(ARG "OWN_MAIN" "" "LIBS;SOURCES" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gmock)
  if(NOT ARG_OWN_MAIN)
    target_link_libraries(${name} PRIVATE GTest::gtest_main)
  endif()
  target_compile_definitions(${name} PRIVATE
    SHEETWRIGHT_SOURCE_DIR="${PROJECT_SOURCE_DIR}"
    SHEETWRIGHT_BINARY_DIR="${PROJECT_BINARY_DIR}")
  gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST TEST_PREFIX "${name}."
    WORKING_DIRECTORY ${CMAKE_CURRENT_SOURCE_DIR}
    PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
endfunction()

# sheetwright_add_library(<name> [NO_TESTS] LIBS <public libs...> [TEST_LIBS <libs...>])
# A core library from every .cc of the current folder but the tests; the tests (*_test.cc) form the
# folder's test binary <name>_tests, unless NO_TESTS (a build without what they need).
function(sheetwright_add_library name)
  cmake_parse_arguments(ARG "NO_TESTS" "" "LIBS;TEST_LIBS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cc)
  file(GLOB tests CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*_test.cc)
  if(tests)
    list(REMOVE_ITEM sources ${tests})
  endif()
  add_library(${name} STATIC ${sources})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
  target_link_libraries(${name} PUBLIC ${ARG_LIBS})
  if(tests AND NOT ARG_NO_TESTS)
    sheetwright_add_tests(${name}_tests LIBS ${name} ${ARG_TEST_LIBS} SOURCES ${tests})
  endif()
endfunction()
