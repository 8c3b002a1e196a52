# What `cmake --install` installs, and the release packages CPack makes of it
# (tools/package.sh runs the three builds and checks the packages):
#   button-disabler-VERSION-windows-x86.zip       the 32-bit Windows build
#   button-disabler-VERSION-linux-x86_64.tar.gz   the Linux build
#   button-disabler_VERSION_amd64.deb             the Linux build for Debian
# Each archive holds one folder of that name with the program, README.txt
# (with Windows line ends in the zip, so that Notepad shows it properly) and
# the four sample masks in masks/. The Debian package installs the program
# into /usr/bin, the manual page into /usr/share/man/man1, README.txt into
# /usr/share/doc/button-disabler and the masks into
# /usr/share/button-disabler/masks.
include(GNUInstallDirs)

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
  set(BD_INSTALL_README_DIR .)
  set(BD_INSTALL_MASKS_DIR masks)
else()
  set(BD_INSTALL_PROGRAM_DIR ${CMAKE_INSTALL_BINDIR})
  set(BD_INSTALL_README_DIR ${CMAKE_INSTALL_DATAROOTDIR}/doc/button-disabler)
  set(BD_INSTALL_MASKS_DIR ${CMAKE_INSTALL_DATAROOTDIR}/button-disabler/masks)
endif()

if(WIN32)
  set(BD_README_NEWLINES CRLF)
else()
  set(BD_README_NEWLINES UNIX)
endif()
configure_file(${PROJECT_SOURCE_DIR}/packaging/README.txt.in ${PROJECT_BINARY_DIR}/README.txt
               @ONLY NEWLINE_STYLE ${BD_README_NEWLINES})

install(TARGETS button-disabler RUNTIME DESTINATION ${BD_INSTALL_PROGRAM_DIR})
install(FILES ${PROJECT_BINARY_DIR}/README.txt DESTINATION ${BD_INSTALL_README_DIR})
install(FILES
  ${PROJECT_SOURCE_DIR}/examples/icons/ZOF_NORMAL_MASK.tga
  ${PROJECT_SOURCE_DIR}/examples/icons/ZOF_DISABLED_MASK.tga
  ${PROJECT_SOURCE_DIR}/examples/icons/ZOF_PASSIVE_MASK.tga
  ${PROJECT_SOURCE_DIR}/examples/icons/ZOF_AUTOCAST_MASK.tga
  DESTINATION ${BD_INSTALL_MASKS_DIR})
# The manual page, where a system looks for it; the archives leave it out.
if(NOT BD_PORTABLE_LAYOUT)
  install(FILES ${PROJECT_SOURCE_DIR}/button-disabler.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
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
set(CPACK_PACKAGE_CONTACT "Button Disabler developers <buttons@tolvaren-modding.example>")
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
