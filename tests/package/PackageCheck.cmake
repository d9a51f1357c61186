# Builds the Debian package from the build folder, as scripts/package.sh does, and reads it back:
# its control fields, the files it installs, and its AppStream metadata.
#   cmake -DBUILD_DIR=<build> -DVERSION=<version> -P PackageCheck.cmake
set(work "${BUILD_DIR}/package-check")
file(REMOVE_RECURSE "${work}")

execute_process(COMMAND cpack --config "${BUILD_DIR}/CPackConfig.cmake" -B "${work}"
                RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
file(GLOB debs "${work}/tralex_${VERSION}_*.deb")
list(LENGTH debs count)
if(NOT result EQUAL 0 OR NOT count EQUAL 1)
  message(FATAL_ERROR "cpack made no tralex_${VERSION}_<arch>.deb:\n${output}")
endif()

# read_deb(<out> <action> [<argument>]): dpkg-deb <action> <package> [<argument>].
function(read_deb out action)
  execute_process(COMMAND dpkg-deb ${action} ${debs} ${ARGN} RESULT_VARIABLE result OUTPUT_VARIABLE text
                  ERROR_VARIABLE text)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "dpkg-deb ${action} ${ARGN} failed:\n${text}")
  endif()
  set(${out} "${text}" PARENT_SCOPE)
endfunction()

# Control fields: the runtime libraries the programs link (Qt without its development files, ICU,
# the UNO runtime) are dependencies; LibreOffice is only recommended.
function(expect_field field pattern)
  read_deb(value -f "${field}")
  if(NOT value MATCHES "${pattern}")
    message(FATAL_ERROR "${field} is \"${value}\", which does not match ${pattern}")
  endif()
endfunction()
expect_field(Package "^tralex\n$")
expect_field(Version "^${VERSION}\n$")
expect_field(Maintainer "<.+@.+>")
expect_field(Depends "libqt6core6")
expect_field(Depends "libqt6widgets6")
expect_field(Depends "qt6-qpa-plugins")
expect_field(Depends "libicu")
expect_field(Depends "libuno-sal3")
expect_field(Recommends "libreoffice-calc")
expect_field(Recommends "libreoffice-writer")
read_deb(depends -f Depends)
if(depends MATCHES "libreoffice|-dev[ ,(\n]")
  message(FATAL_ERROR "the package depends on LibreOffice or on development files: ${depends}")
endif()

# The files, each with the mode it needs.
read_deb(listing -c)
foreach(entry
    "-rwxr-xr-x root/root +[0-9]+ [-0-9: ]+\\./usr/bin/tralex\n"
    "-rwxr-xr-x root/root +[0-9]+ [-0-9: ]+\\./usr/bin/tralex-cli\n"
    "\\./usr/share/tralex/ReadMe\\.txt\n"
    "\\./usr/share/applications/tralex\\.desktop\n"
    "\\./usr/share/icons/hicolor/256x256/apps/tralex\\.png\n"
    "\\./usr/share/metainfo/org\\.example\\.Tralex\\.metainfo\\.xml\n"
    "\\./usr/share/man/man1/tralex\\.1\\.gz\n"
    "\\./usr/share/man/man1/tralex-cli\\.1\\.gz\n"
    "\\./usr/share/man/ja/man1/tralex\\.1\\.gz\n"
    "\\./usr/share/man/ja/man1/tralex-cli\\.1\\.gz\n"
    "\\./usr/share/doc/tralex/copyright\n"
    "\\./usr/share/doc/tralex/changelog\\.gz\n")
  if(NOT listing MATCHES "${entry}")
    message(FATAL_ERROR "the package lacks ${entry}:\n${listing}")
  endif()
endforeach()
if(listing MATCHES "/usr/local/|/include/|\\.a\n|_test\n")
  message(FATAL_ERROR "the package holds files of the build:\n${listing}")
endif()

# The metadata as installed passes AppStream's own check (without looking up its links).
read_deb(unpacked -x "${work}/root")
execute_process(COMMAND appstreamcli validate --no-net
                        "${work}/root/usr/share/metainfo/org.example.Tralex.metainfo.xml"
                RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "appstreamcli validate failed:\n${output}")
endif()
# Each man page is read by man without a warning; groff cannot break lines of Japanese text
# between characters, which only makes long lines, so warnings of that kind are left out.
foreach(page man1/tralex.1.gz man1/tralex-cli.1.gz ja/man1/tralex.1.gz ja/man1/tralex-cli.1.gz)
  execute_process(COMMAND sh -c "zcat '${work}/root/usr/share/man/${page}' | groff -k -man -Tutf8 -ww -Wbreak -z 2>&1"
                  OUTPUT_VARIABLE warnings)
  if(NOT warnings STREQUAL "")
    message(FATAL_ERROR "groff warns about ${page}:\n${warnings}")
  endif()
endforeach()

file(REMOVE_RECURSE "${work}")
