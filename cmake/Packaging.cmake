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

include(CPack)
