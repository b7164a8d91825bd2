# Install rules and the Debian package.
#
#   cmake --install <build> --prefix <prefix>   -> <prefix>/bin/varnex, varnex-check, varnex-diff, varnex-apply,
#                                                  <prefix>/share/man/man1/*.1.gz,
#                                                  <prefix>/share/doc/varnex/{copyright,changelog.gz}
#   cpack --config <build>/CPackConfig.cmake     -> varnex_<version>_<arch>.deb (installs under /usr)
#
# Include this file from the top-level CMakeLists.txt; it may come before or
# after the directory that defines the programs.

include_guard(GLOBAL)
include(GNUInstallDirs)

set(VARNEX_SOURCE_ROOT "${CMAKE_CURRENT_LIST_DIR}/..")
cmake_path(NORMAL_PATH VARNEX_SOURCE_ROOT)
# The programs, each with its manual page doc/<program>.1.
set(VARNEX_PROGRAMS varnex varnex-check varnex-diff varnex-apply)

# Manual pages and the changelog are installed gzip-compressed, as Debian and
# man expect; -n keeps name and time out of the header, so that the same
# source gives the same bytes. Without gzip the files go in as they are.
find_program(VARNEX_GZIP gzip)
mark_as_advanced(VARNEX_GZIP)

# Installs `source` into `destination`, compressed where gzip is found.
function(varnex_install_compressed source destination)
  cmake_path(GET source FILENAME name)
  if(NOT VARNEX_GZIP)
    install(FILES "${source}" DESTINATION "${destination}")
    return()
  endif()
  set(packed "${CMAKE_BINARY_DIR}/packed/${name}.gz")
  add_custom_command(OUTPUT "${packed}"
    COMMAND ${CMAKE_COMMAND} -E make_directory "${CMAKE_BINARY_DIR}/packed"
    COMMAND ${VARNEX_GZIP} -9 -n -c "${source}" > "${packed}"
    DEPENDS "${source}"
    COMMENT "Compressing ${name}")
  string(MAKE_C_IDENTIFIER "${name}" target)
  add_custom_target(varnex_packed_${target} ALL DEPENDS "${packed}")
  install(FILES "${packed}" DESTINATION "${destination}")
endfunction()

function(varnex_install_rules)
  if(NOT TARGET varnex)
    message(FATAL_ERROR "Packaging: no target named varnex to install")
  endif()
  foreach(program IN LISTS VARNEX_PROGRAMS)
    if(NOT TARGET ${program})
      continue()
    endif()
    install(TARGETS ${program} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
    # Windows gets the pages as plain text instead (below).
    if(NOT WIN32 AND EXISTS "${VARNEX_SOURCE_ROOT}/doc/${program}.1")
      varnex_install_compressed("${VARNEX_SOURCE_ROOT}/doc/${program}.1" ${CMAKE_INSTALL_MANDIR}/man1)
    endif()
  endforeach()
  if(NOT WIN32)
    # The licence in Debian's machine-readable form, and the changelog.
    install(FILES "${VARNEX_SOURCE_ROOT}/cmake/debian/copyright" DESTINATION ${CMAKE_INSTALL_DOCDIR})
    varnex_install_compressed("${VARNEX_SOURCE_ROOT}/cmake/debian/changelog" ${CMAKE_INSTALL_DOCDIR})
  endif()
endfunction()

if(TARGET varnex)
  varnex_install_rules()
else()
  # The executables are defined later (src/): add the rules once the
  # top-level directory has been read completely.
  cmake_language(DEFER DIRECTORY "${CMAKE_SOURCE_DIR}" CALL varnex_install_rules)
endif()

# ---- CPack: Debian package -------------------------------------------------

set(CPACK_GENERATOR "DEB")
set(CPACK_PACKAGE_NAME "varnex")
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGE_VENDOR "Varnex developers")
set(CPACK_PACKAGE_CONTACT "Varnex developers <dev@varnex.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "inspect and patch an existing file in place, a page at a time")
set(CPACK_PACKAGING_INSTALL_PREFIX "/usr")
set(CPACK_STRIP_FILES TRUE)

set(CPACK_DEBIAN_PACKAGE_NAME "varnex")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Varnex developers <dev@varnex.invalid>")
set(CPACK_DEBIAN_PACKAGE_SECTION "utils")
set(CPACK_DEBIAN_PACKAGE_PRIORITY "optional")
# CPack puts CPACK_PACKAGE_DESCRIPTION_SUMMARY on the first line of the
# control file's Description and indents these lines as the extended text.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
"varnex opens one existing file and carries out a command stream read from
standard input: load a page by offset, by page number or by an offset stored
in another page; verify, replace and search bytes; show hexadecimal or bit
dumps; write changed pages back. Every command is echoed and every action is
logged with a numbered message. A failed verification blocks every later
patch to its page, and files are never created or truncated.")

find_program(VARNEX_DPKG_SHLIBDEPS dpkg-shlibdeps)
mark_as_advanced(VARNEX_DPKG_SHLIBDEPS)
if(VARNEX_DPKG_SHLIBDEPS)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
else()
  # Without dpkg-dev the shared-library dependencies cannot be computed;
  # name the libraries a C++ program built with the system compiler needs.
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS OFF)
  set(CPACK_DEBIAN_PACKAGE_DEPENDS "libc6, libgcc-s1, libstdc++6")
endif()

# ---- CPack: Windows ZIP ------------------------------------------------------
#
#   cpack -G ZIP   (in a Windows build folder)   -> varnex-<version>-win32.zip (win64 for 64 bits)
#
# The programs under bin/, the README, and the manual pages as plain text,
# rendered at build time where groff is installed (the man source otherwise).
if(WIN32)
  set(CPACK_GENERATOR "ZIP")
  if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    set(CPACK_SYSTEM_NAME "win32")
  else()
    set(CPACK_SYSTEM_NAME "win64")
  endif()
  set(CPACK_PACKAGE_FILE_NAME "varnex-${PROJECT_VERSION}-${CPACK_SYSTEM_NAME}")
  # A folder to unpack anywhere, not a tree under /usr.
  set(CPACK_PACKAGING_INSTALL_PREFIX "")
  install(FILES "${VARNEX_SOURCE_ROOT}/README.md" "${VARNEX_SOURCE_ROOT}/LICENSE" DESTINATION .)

  find_program(VARNEX_GROFF groff)
  mark_as_advanced(VARNEX_GROFF)
  foreach(page IN LISTS VARNEX_PROGRAMS)
    set(source "${VARNEX_SOURCE_ROOT}/doc/${page}.1")
    if(NOT EXISTS "${source}")
      continue()
    endif()
    if(VARNEX_GROFF)
      # Plain ASCII: no overstriking for bold or underline, no escapes.
      set(text "${CMAKE_BINARY_DIR}/doc/${page}.txt")
      add_custom_command(OUTPUT "${text}"
        COMMAND ${CMAKE_COMMAND} -E make_directory "${CMAKE_BINARY_DIR}/doc"
        COMMAND ${VARNEX_GROFF} -man -Tascii -P-cbou "${source}" > "${text}"
        DEPENDS "${source}"
        COMMENT "Rendering the manual page ${page}.1 as text")
      add_custom_target(${page}_manual_text ALL DEPENDS "${text}")
      install(FILES "${text}" DESTINATION doc)
    else()
      install(FILES "${source}" DESTINATION doc)
    endif()
  endforeach()
endif()

include(CPack)
