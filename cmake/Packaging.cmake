# Install rules and the Debian package.
#
#   cmake --install <build> --prefix <prefix>   -> <prefix>/bin/varnex, <prefix>/share/man/man1/varnex.1
#   cpack --config <build>/CPackConfig.cmake     -> varnex_<version>_<arch>.deb (installs under /usr)
#
# Include this file from the top-level CMakeLists.txt; it may come before or
# after the directory that defines the `varnex` target.

include_guard(GLOBAL)
include(GNUInstallDirs)

set(VARNEX_MAN_PAGE "${CMAKE_CURRENT_LIST_DIR}/../doc/varnex.1")
cmake_path(NORMAL_PATH VARNEX_MAN_PAGE)

function(varnex_install_rules)
  if(NOT TARGET varnex)
    message(FATAL_ERROR "Packaging: no target named varnex to install")
  endif()
  install(TARGETS varnex RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  install(FILES "${VARNEX_MAN_PAGE}" DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  # The stream checker, built next to varnex from the same libraries.
  if(TARGET varnex-check)
    install(TARGETS varnex-check RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
    install(FILES "${CMAKE_CURRENT_FUNCTION_LIST_DIR}/../doc/varnex-check.1"
            DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  endif()
endfunction()

if(TARGET varnex)
  varnex_install_rules()
else()
  # The executable is defined later (src/): add the rules once the top-level
  # directory has been read completely.
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
  install(FILES "${CMAKE_CURRENT_LIST_DIR}/../README.md" DESTINATION .)

  find_program(VARNEX_GROFF groff)
  mark_as_advanced(VARNEX_GROFF)
  foreach(page varnex varnex-check)
    set(source "${CMAKE_CURRENT_LIST_DIR}/../doc/${page}.1")
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
