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

# The folders the loader searches for the program's libraries are absolute, in the built and the
# installed program alike: an empty or relative element ("", ".", "$ORIGIN/..") is resolved
# against the folder the program starts from or lies in, where anyone may have put a library.
find_program(readelf readelf REQUIRED)
function(expect_absolute_library_paths program)
  execute_process(COMMAND "${readelf}" -d "${program}" RESULT_VARIABLE result OUTPUT_VARIABLE dynamic
                  ERROR_VARIABLE dynamic)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "readelf could not read ${program}:\n${dynamic}")
  endif()
  string(REGEX MATCHALL "Library r(un)?path: \\[[^]\n]*\\]" entries "${dynamic}")
  if(NOT entries)
    message(FATAL_ERROR "${program} names no library folder, so it cannot find LibreOffice's")
  endif()
  foreach(entry IN LISTS entries)
    string(REGEX REPLACE "^[^[]*\\[(.*)\\]$" "\\1" value "${entry}")
    # An empty element (":a", "a::b", "a:") or one that does not start with "/".
    if(value MATCHES "(^|:)(:|$)" OR value MATCHES "(^|:)[^/:]")
      message(FATAL_ERROR "${program} has a library folder that is not absolute: ${entry}")
    endif()
  endforeach()
endfunction()
expect_absolute_library_paths("${BUILD_DIR}/bin/tralex")
expect_absolute_library_paths("${prefix}/bin/tralex")

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
