include(GoogleTest)

# tralex_add_test(<source> <library> [<label>]): one test program per source file, named after
# it, linked with <library> and the matching test support (a core main or a window main), its
# cases registered with CTest under <label> when given ("office" for the tests that run
# LibreOffice). Every test runs on Qt's offscreen platform and is ended after five minutes.
function(tralex_add_test source library)
  set(label "${ARGN}")
  get_filename_component(name "${source}" NAME_WE)
  add_executable(${name} "${source}")
  if(library STREQUAL "tralexcore")
    target_link_libraries(${name} PRIVATE ${library} tralex_test_core)
  else()
    target_link_libraries(${name} PRIVATE ${library} tralex_test_gui)
  endif()
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY "${CMAKE_BINARY_DIR}/tests")
  gtest_discover_tests(${name}
    DISCOVERY_MODE PRE_TEST
    DISCOVERY_TIMEOUT 60
    PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen" TIMEOUT 300 LABELS "${label}")
endfunction()

# tralex_add_tests(<folder> <library>): every *_test.cpp of a folder, linked with <library>.
function(tralex_add_tests folder library)
  file(GLOB sources CONFIGURE_DEPENDS "${CMAKE_CURRENT_SOURCE_DIR}/${folder}/*_test.cpp")
  foreach(source IN LISTS sources)
    tralex_add_test("${source}" ${library})
  endforeach()
endfunction()
