# SPDX-License-Identifier: MIT
# Installing the library, its header, the host program and its man page, with a CMake package
# and a pkg-config file; and packaging them with CPack. The files fall in three components, one
# for each Debian package: Runtime (the shared library), Development (the header, the .so link,
# the CMake package and the pkg-config file) and Program (tamsel-health, its man page and the
# formula reference).
include(CMakePackageConfigHelpers)

set(TAMSEL_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/TamselCalculatorHealth)
set(TAMSEL_DOC_DIR ${CMAKE_INSTALL_DATAROOTDIR}/doc/tamsel-health)
set(TAMSEL_PACKAGE_CONTACT "Tamsel maintainers <maintainers@tamsel.invalid>")

if(TAMSEL_DEBIAN_PACKAGES)
  include(${CMAKE_CURRENT_LIST_DIR}/debian_packages.cmake)
endif()

# A Debian package holds its man pages and documents gzipped; an installation to a prefix
# holds them as they are.
function(tamsel_install_document source destination component)
  if(TAMSEL_DEBIAN_PACKAGES)
    tamsel_gzipped(${source} source)
  endif()
  install(FILES ${source} DESTINATION ${destination} COMPONENT ${component})
endfunction()

install(TARGETS TamselCalculatorHealth EXPORT TamselCalculatorHealthTargets
  RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT Runtime
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT Runtime NAMELINK_COMPONENT Development
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT Development
  PUBLIC_HEADER DESTINATION ${CMAKE_INSTALL_INCLUDEDIR} COMPONENT Development)
install(EXPORT TamselCalculatorHealthTargets
  NAMESPACE TamselCalculatorHealth::
  DESTINATION ${TAMSEL_CMAKE_DIR}
  COMPONENT Development)
# The build tree is a package too, for a consumer that points CMAKE_PREFIX_PATH at it.
export(EXPORT TamselCalculatorHealthTargets
  NAMESPACE TamselCalculatorHealth::
  FILE ${PROJECT_BINARY_DIR}/TamselCalculatorHealthTargets.cmake)

configure_package_config_file(${CMAKE_CURRENT_LIST_DIR}/TamselCalculatorHealthConfig.cmake.in
  ${PROJECT_BINARY_DIR}/TamselCalculatorHealthConfig.cmake
  INSTALL_DESTINATION ${TAMSEL_CMAKE_DIR})
write_basic_package_version_file(${PROJECT_BINARY_DIR}/TamselCalculatorHealthConfigVersion.cmake
  COMPATIBILITY SameMajorVersion)
install(FILES
  ${PROJECT_BINARY_DIR}/TamselCalculatorHealthConfig.cmake
  ${PROJECT_BINARY_DIR}/TamselCalculatorHealthConfigVersion.cmake
  DESTINATION ${TAMSEL_CMAKE_DIR}
  COMPONENT Development)

# The .pc file finds its prefix from where it lies, so that the installation can move. The
# Debian package never moves, and names /usr as every other package does (which also lets
# pkg-config recognise the system directories and a sysroot apply).
if(TAMSEL_DEBIAN_PACKAGES)
  set(TAMSEL_PC_PREFIX ${CMAKE_INSTALL_PREFIX})
else()
  file(RELATIVE_PATH TAMSEL_PC_PREFIX /prefix/${CMAKE_INSTALL_LIBDIR}/pkgconfig /prefix)
  string(REGEX REPLACE "/$" "" TAMSEL_PC_PREFIX "\${pcfiledir}/${TAMSEL_PC_PREFIX}")
endif()
configure_file(${CMAKE_CURRENT_LIST_DIR}/TamselCalculatorHealth.pc.in
  ${PROJECT_BINARY_DIR}/TamselCalculatorHealth.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/TamselCalculatorHealth.pc
  DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig
  COMPONENT Development)

if(TARGET tamsel-health)
  install(TARGETS tamsel-health RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT Program)
  tamsel_install_document(${PROJECT_SOURCE_DIR}/app/tamsel-health.1
    ${CMAKE_INSTALL_MANDIR}/man1 Program)
endif()
# The formula reference, with the program that answers its examples.
foreach(document IN ITEMS formulas.md command-language.md)
  tamsel_install_document(${PROJECT_SOURCE_DIR}/docs/${document} ${TAMSEL_DOC_DIR} Program)
endforeach()
# A Debian package states its licence in its own copyright file; anything else carries the
# licence text beside the documents.
if(NOT TAMSEL_DEBIAN_PACKAGES)
  install(FILES ${PROJECT_SOURCE_DIR}/LICENSE DESTINATION ${TAMSEL_DOC_DIR} COMPONENT Program)
endif()

set(CPACK_PACKAGE_NAME tamsel-health)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Tamsel")
set(CPACK_PACKAGE_CONTACT ${TAMSEL_PACKAGE_CONTACT})
set(CPACK_PROJECT_CONFIG_FILE ${CMAKE_CURRENT_LIST_DIR}/cpack_options.cmake)
set(CPACK_VERBATIM_VARIABLES ON)
set(CPACK_STRIP_FILES ON)
set(CPACK_TAMSEL_DEBIAN_PACKAGES ${TAMSEL_DEBIAN_PACKAGES})
if(NOT TAMSEL_DEBIAN_PACKAGES)
  set(CPACK_GENERATOR TGZ)
endif()
include(CPack)
