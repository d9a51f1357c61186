# Installs the build into a temporary prefix and checks what a person gets: the program, its
# ReadMe.txt, the desktop entry and the icon, and that a program in the installed bin folder
# finds the installed ReadMe.txt even when the XDG data folders do not name the prefix.
#   cmake -DBUILD_DIR=<build> -DSOURCE_DIR=<source> -DLOOKUP=<ReadMePathChild> -P InstallCheck.cmake
set(prefix "${BUILD_DIR}/install-check")
file(REMOVE_RECURSE "${prefix}")

execute_process(COMMAND "${CMAKE_COMMAND}" --install "${BUILD_DIR}" --prefix "${prefix}"
                RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "cmake --install failed:\n${output}")
endif()

function(expect_same_file installed original)
  execute_process(COMMAND "${CMAKE_COMMAND}" -E compare_files "${installed}" "${original}"
                  RESULT_VARIABLE differs)
  if(NOT differs EQUAL 0)
    message(FATAL_ERROR "${installed} is missing or differs from ${original}")
  endif()
endfunction()

if(NOT EXISTS "${prefix}/bin/tralex" OR IS_DIRECTORY "${prefix}/bin/tralex")
  message(FATAL_ERROR "the program was not installed as ${prefix}/bin/tralex")
endif()
expect_same_file("${prefix}/share/tralex/ReadMe.txt" "${SOURCE_DIR}/data/ReadMe.txt")
expect_same_file("${prefix}/share/applications/tralex.desktop" "${SOURCE_DIR}/data/tralex.desktop")
expect_same_file("${prefix}/share/icons/hicolor/256x256/apps/tralex.png"
                 "${SOURCE_DIR}/data/icons/tralex.png")
# The built program finds its own copy beside it.
expect_same_file("${BUILD_DIR}/bin/ReadMe.txt" "${SOURCE_DIR}/data/ReadMe.txt")

find_program(validate desktop-file-validate)
if(validate)
  execute_process(COMMAND "${validate}" "${prefix}/share/applications/tralex.desktop"
                  RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "the desktop entry is not valid:\n${output}")
  endif()
endif()

# The lookup of the installed program, from its bin folder, with XDG data folders that hold
# nothing.
file(COPY "${LOOKUP}" DESTINATION "${prefix}/bin")
get_filename_component(lookup_name "${LOOKUP}" NAME)
execute_process(
  COMMAND "${CMAKE_COMMAND}" -E env "XDG_DATA_HOME=${prefix}/none" "XDG_DATA_DIRS=${prefix}/none"
          "${prefix}/bin/${lookup_name}"
  RESULT_VARIABLE result OUTPUT_VARIABLE found OUTPUT_STRIP_TRAILING_WHITESPACE)
if(NOT result EQUAL 0 OR NOT found STREQUAL "${prefix}/share/tralex/ReadMe.txt")
  message(FATAL_ERROR "the installed program looks for ReadMe.txt at \"${found}\"")
endif()

file(REMOVE_RECURSE "${prefix}")
