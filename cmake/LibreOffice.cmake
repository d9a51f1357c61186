# The LibreOffice UNO SDK as Debian installs it. There is no pkg-config file, so the folders are
# cache variables with Debian's paths. The com/sun/star headers are not shipped: cppumaker
# generates them from the type libraries once per build folder.
set(TRALEX_LO_PROGRAM "/usr/lib/libreoffice/program" CACHE PATH "LibreOffice program folder")
set(TRALEX_LO_SDK "/usr/lib/libreoffice/sdk" CACHE PATH "LibreOffice SDK folder")
set(TRALEX_LO_INCLUDE "/usr/include/libreoffice" CACHE PATH "LibreOffice SDK headers")

set(TRALEX_UNO_HEADERS "${CMAKE_BINARY_DIR}/uno-headers")
if(NOT EXISTS "${TRALEX_UNO_HEADERS}/com/sun/star/frame/Desktop.hpp")
  execute_process(
    COMMAND "${TRALEX_LO_SDK}/bin/cppumaker" -Gc "-O${TRALEX_UNO_HEADERS}"
            "${TRALEX_LO_PROGRAM}/types.rdb" "${TRALEX_LO_PROGRAM}/types/offapi.rdb"
    RESULT_VARIABLE cppumaker_result)
  if(NOT cppumaker_result EQUAL 0)
    message(FATAL_ERROR "cppumaker could not generate the UNO headers (${cppumaker_result})")
  endif()
endif()

add_library(tralex_uno INTERFACE)
target_include_directories(tralex_uno SYSTEM INTERFACE "${TRALEX_LO_INCLUDE}" "${TRALEX_UNO_HEADERS}")
target_compile_definitions(tralex_uno INTERFACE LINUX UNX GCC CPPU_ENV=gcc3
  TRALEX_LO_PROGRAM="${TRALEX_LO_PROGRAM}")
target_link_directories(tralex_uno INTERFACE "${TRALEX_LO_SDK}/lib")
target_link_libraries(tralex_uno INTERFACE uno_cppuhelpergcc3 uno_cppu uno_sal
  "-Wl,-rpath-link,${TRALEX_LO_PROGRAM}")

# Every program finds LibreOffice's libraries through one absolute RUNPATH, the same in the build
# folder and installed. A linker option of its own beside CMake's build RUNPATH left an empty
# element once the install step took CMake's part out (":/usr/lib/libreoffice/program"), and an
# empty element stands for the current folder: a libuno_sal.so.3 placed where the program is
# started from would be loaded. Included before any target is made, so every program gets it.
set(CMAKE_BUILD_WITH_INSTALL_RPATH ON)
set(CMAKE_INSTALL_RPATH "${TRALEX_LO_PROGRAM}")
