# SPDX-License-Identifier: MIT
# Installing the library, its header, the host program and its man page, with a CMake package
# and a pkg-config file; and packaging them with CPack.
include(CMakePackageConfigHelpers)

set(TAMSEL_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/TamselCalculatorHealth)

install(TARGETS TamselCalculatorHealth EXPORT TamselCalculatorHealthTargets
  RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR}
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} NAMELINK_COMPONENT Development
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
  PUBLIC_HEADER DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
install(EXPORT TamselCalculatorHealthTargets
  NAMESPACE TamselCalculatorHealth::
  DESTINATION ${TAMSEL_CMAKE_DIR})
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
  DESTINATION ${TAMSEL_CMAKE_DIR})

# The .pc file finds its prefix from where it lies, so that the installation can move.
file(RELATIVE_PATH TAMSEL_PC_RELATIVE_PREFIX
  /prefix/${CMAKE_INSTALL_LIBDIR}/pkgconfig /prefix)
string(REGEX REPLACE "/$" "" TAMSEL_PC_RELATIVE_PREFIX "${TAMSEL_PC_RELATIVE_PREFIX}")
configure_file(${CMAKE_CURRENT_LIST_DIR}/TamselCalculatorHealth.pc.in
  ${PROJECT_BINARY_DIR}/TamselCalculatorHealth.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/TamselCalculatorHealth.pc
  DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)

if(TARGET tamsel-health)
  install(TARGETS tamsel-health RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  install(FILES ${PROJECT_SOURCE_DIR}/app/tamsel-health.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endif()

set(CPACK_PACKAGE_NAME tamsel-health)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Tamsel")
set(CPACK_PACKAGE_CONTACT "Tamsel maintainers <maintainers@tamsel.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Command-line medical calculator: eighteen health formulas behind one C function")
set(CPACK_PACKAGE_DESCRIPTION
  "TamselCalculatorHealth is a shared library with one C function, CalcHealth, that answers a
command line such as 'bmi 70 1.75' with text such as 'BMI: 22.86': body composition,
metabolic rates, ideal weight and cardiovascular values. tamsel-health is its command-line
host, for single requests, batches and an interactive prompt.")
set(CPACK_GENERATOR DEB TGZ)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_PROJECT_CONFIG_FILE ${CMAKE_CURRENT_LIST_DIR}/cpack_options.cmake)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
include(CPack)
