# What `cmake --install` installs, and the release packages CPack makes of it
# (tools/package.sh runs the three builds and checks the packages):
#   button-disabler-VERSION-windows-x86.zip       the 32-bit Windows build
#   button-disabler-VERSION-linux-x86_64.tar.gz   the Linux build
#   button-disabler_VERSION_amd64.deb             the Linux build for Debian
# Each archive holds one folder of that name with the program, README.txt
# (the Windows one with Windows line ends in the zip, so that Notepad shows
# it properly; the Linux one in the tar.gz), LICENSE.txt, the four sample
# masks in masks/ and the sample icons in examples/icons/. The Debian
# package installs the program into /usr/bin, the manual page (gzipped) into
# /usr/share/man/man1, README.txt, copyright, changelog.gz and the sample
# icons (examples/icons/) into /usr/share/doc/button-disabler and the masks
# into /usr/share/button-disabler/masks, where the program finds them
# (share/button-disabler/masks beside its own folder; src/batch/program.cpp).
include(GNUInstallDirs)

# Who answers for the packages (the Debian package's Maintainer).
set(BD_MAINTAINER "Button Disabler developers <buttons@tolvaren-modding.example>")

# The archives keep everything side by side; an install into a prefix on
# Linux puts each part where such a system looks for it.
if(WIN32)
  set(BD_PORTABLE_DEFAULT ON)
else()
  set(BD_PORTABLE_DEFAULT OFF)
endif()
option(BD_PORTABLE_LAYOUT "Install the program, README.txt and masks/ in one folder" ${BD_PORTABLE_DEFAULT})
if(BD_PORTABLE_LAYOUT)
  set(BD_INSTALL_PROGRAM_DIR .)
  set(BD_INSTALL_DOC_DIR .)
  set(BD_INSTALL_MASKS_DIR masks)
else()
  set(BD_INSTALL_PROGRAM_DIR ${CMAKE_INSTALL_BINDIR})
  set(BD_INSTALL_DOC_DIR ${CMAKE_INSTALL_DATAROOTDIR}/doc/button-disabler)
  set(BD_INSTALL_MASKS_DIR ${CMAKE_INSTALL_DATAROOTDIR}/button-disabler/masks)
endif()
set(BD_INSTALL_EXAMPLES_DIR ${BD_INSTALL_DOC_DIR}/examples/icons)

# One README.txt per system. The Linux one speaks of the program as the
# layout has it: beside README.txt in the archive, on the PATH when installed.
if(WIN32)
  set(BD_README packaging/README-windows.txt.in)
  set(BD_TEXT_NEWLINES CRLF)
else()
  set(BD_README packaging/README-linux.txt.in)
  set(BD_TEXT_NEWLINES UNIX)
endif()
if(BD_PORTABLE_LAYOUT)
  set(BD_README_PROGRAM ./button-disabler)
  set(BD_README_EXAMPLES examples/icons)
  set(BD_README_RESULTS examples/results)
  set(BD_README_MASKS "the folder masks beside the program")
  set(BD_README_SETUP "In a terminal, in the folder this archive unpacks (it holds button-disabler,\nmasks/ and examples/), run")
  set(BD_README_LICENSE "LICENSE.txt beside this file")
else()
  set(BD_README_PROGRAM button-disabler)
  set(BD_README_EXAMPLES ${CMAKE_INSTALL_FULL_DATAROOTDIR}/doc/button-disabler/examples/icons)
  set(BD_README_RESULTS ~/button-disabler-examples)
  set(BD_README_MASKS ${CMAKE_INSTALL_FULL_DATAROOTDIR}/button-disabler/masks)
  set(BD_README_SETUP "In a terminal, anywhere, run")
  set(BD_README_LICENSE "the file copyright beside this file")
endif()
configure_file(${PROJECT_SOURCE_DIR}/${BD_README} ${PROJECT_BINARY_DIR}/README.txt
               @ONLY NEWLINE_STYLE ${BD_TEXT_NEWLINES})
# The project's licence, and those of the code the program holds; made in
# two steps, since line ends are set for the lines of a template, not for
# those of a text put into it.
file(READ ${PROJECT_SOURCE_DIR}/LICENSE BD_LICENSE)
# libpng's licence as its source or Debian's package of it carries it: the
# Windows programs and the static Linux one hold libpng.
if(WIN32)
  set(BD_PNG_LICENSE_FILE ${BD_WINDOWS_LIBRARIES}/libpng1.6.licence)
else()
  set(BD_PNG_LICENSE_FILE /usr/share/doc/libpng-dev/copyright)
endif()
if(EXISTS ${BD_PNG_LICENSE_FILE})
  file(READ ${BD_PNG_LICENSE_FILE} BD_PNG_LICENSE)
else()
  message(FATAL_ERROR "libpng's licence is not at ${BD_PNG_LICENSE_FILE}")
endif()
configure_file(${PROJECT_SOURCE_DIR}/packaging/LICENSE.txt.in ${PROJECT_BINARY_DIR}/LICENSE.txt.joined @ONLY)
configure_file(${PROJECT_BINARY_DIR}/LICENSE.txt.joined ${PROJECT_BINARY_DIR}/LICENSE.txt
               @ONLY NEWLINE_STYLE ${BD_TEXT_NEWLINES})

install(TARGETS button-disabler RUNTIME DESTINATION ${BD_INSTALL_PROGRAM_DIR})
install(FILES ${PROJECT_BINARY_DIR}/README.txt DESTINATION ${BD_INSTALL_DOC_DIR})
set(BD_MASK_NAMES ZOF_NORMAL_MASK ZOF_DISABLED_MASK ZOF_PASSIVE_MASK ZOF_AUTOCAST_MASK)
set(BD_MASK_FILES)
foreach(mask IN LISTS BD_MASK_NAMES)
  list(APPEND BD_MASK_FILES ${PROJECT_SOURCE_DIR}/examples/icons/${mask}.tga)
endforeach()
install(FILES ${BD_MASK_FILES} DESTINATION ${BD_INSTALL_MASKS_DIR})
# The sample icons without the masks, which the program finds beside itself.
file(GLOB BD_SAMPLE_FILES ${PROJECT_SOURCE_DIR}/examples/icons/*.tga ${PROJECT_SOURCE_DIR}/examples/icons/*.TGA)
list(REMOVE_ITEM BD_SAMPLE_FILES ${BD_MASK_FILES})
install(FILES ${BD_SAMPLE_FILES} DESTINATION ${BD_INSTALL_EXAMPLES_DIR})

if(BD_PORTABLE_LAYOUT)
  install(FILES ${PROJECT_BINARY_DIR}/LICENSE.txt DESTINATION ${BD_INSTALL_DOC_DIR})
else()
  # Where a Debian system looks for each part: the manual page and the
  # changelog compressed without a time stamp (gzip -n), the licences in the
  # machine-readable copyright file. The changelog's entry takes its date
  # from SOURCE_DATE_EPOCH when set, so that a build can be repeated.
  string(TIMESTAMP BD_CHANGELOG_DATE "%a, %d %b %Y %H:%M:%S +0000" UTC)
  configure_file(${PROJECT_SOURCE_DIR}/packaging/changelog.in ${PROJECT_BINARY_DIR}/changelog @ONLY)
  find_program(BD_GZIP gzip REQUIRED)
  set(BD_GZIPPED ${PROJECT_BINARY_DIR}/gzipped)
  add_custom_command(OUTPUT ${BD_GZIPPED}/button-disabler.1.gz ${BD_GZIPPED}/changelog.gz
    COMMAND ${CMAKE_COMMAND} -E make_directory ${BD_GZIPPED}
    COMMAND ${CMAKE_COMMAND} -E copy ${PROJECT_SOURCE_DIR}/button-disabler.1 ${PROJECT_BINARY_DIR}/changelog
            ${BD_GZIPPED}
    COMMAND ${BD_GZIP} -9nf ${BD_GZIPPED}/button-disabler.1 ${BD_GZIPPED}/changelog
    DEPENDS ${PROJECT_SOURCE_DIR}/button-disabler.1 ${PROJECT_BINARY_DIR}/changelog
    VERBATIM)
  add_custom_target(bd_gzipped_docs ALL DEPENDS ${BD_GZIPPED}/button-disabler.1.gz ${BD_GZIPPED}/changelog.gz)
  install(FILES ${BD_GZIPPED}/button-disabler.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  install(FILES ${BD_GZIPPED}/changelog.gz ${PROJECT_SOURCE_DIR}/packaging/copyright
          DESTINATION ${BD_INSTALL_DOC_DIR})
endif()

# The system part of the archive's name: the processor as users know it.
if(CMAKE_SYSTEM_PROCESSOR MATCHES "^(i[3-6]86|x86)$")
  set(BD_PACKAGE_PROCESSOR x86)
elseif(CMAKE_SYSTEM_PROCESSOR MATCHES "^(x86_64|AMD64|amd64)$")
  set(BD_PACKAGE_PROCESSOR x86_64)
else()
  set(BD_PACKAGE_PROCESSOR ${CMAKE_SYSTEM_PROCESSOR})
endif()
string(TOLOWER "${CMAKE_SYSTEM_NAME}-${BD_PACKAGE_PROCESSOR}" BD_PACKAGE_SYSTEM)

set(CPACK_PACKAGE_NAME button-disabler)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_FILE_NAME button-disabler-${PROJECT_VERSION}-${BD_PACKAGE_SYSTEM})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "makes the disabled, passive and autocast variants of Tolvaren 3 button icons")
set(CPACK_PACKAGE_CONTACT ${BD_MAINTAINER})
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
if(WIN32)
  # CPack writes zip files itself (libarchive): no zip program is needed.
  set(CPACK_GENERATOR ZIP)
elseif(BD_PORTABLE_LAYOUT)
  set(CPACK_GENERATOR TGZ)
  set(CPACK_STRIP_FILES ON)
else()
  # A Debian package, written by CPack itself (no dpkg-deb is needed), named
  # button-disabler_VERSION_ARCH.deb and installed under /usr.
  set(CPACK_GENERATOR DEB)
  set(CPACK_STRIP_FILES ON)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  if(BD_PACKAGE_PROCESSOR STREQUAL x86_64)
    set(CPACK_DEBIAN_PACKAGE_ARCHITECTURE amd64)
  elseif(BD_PACKAGE_PROCESSOR STREQUAL x86)
    set(CPACK_DEBIAN_PACKAGE_ARCHITECTURE i386)
  endif()
  set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
  set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
  string(CONCAT CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "For every Tolvaren 3 button icon (a TGA file) it writes a disabled, a passive\n"
    "and an autocast variant, each the icon with a mask laid over it, lays the\n"
    "normal mask over the icon itself and rewrites it as an uncompressed 32-bit\n"
    "TGA. With --output the originals are only read. Sample masks are in\n"
    "/usr/share/button-disabler/masks.")
  if(NOT BD_STATIC)
    # A program linked statically needs no other package; one linked
    # dynamically needs those of its shared libraries (found by dpkg-shlibdeps).
    set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  endif()
endif()
include(CPack)
