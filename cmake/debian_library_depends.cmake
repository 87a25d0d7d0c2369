# SPDX-License-Identifier: MIT
# Run by CPack once the components are staged and before it makes the packages: the library
# package's dependencies, from dpkg-shlibdeps on the staged library, as CPack's own scan would
# give them (which would also add maintainer scripts calling ldconfig).
file(GLOB_RECURSE libraries LIST_DIRECTORIES false
  "${CPACK_TEMPORARY_DIRECTORY}/Runtime/*.so.*")
list(FILTER libraries EXCLUDE REGEX "\\.so\\.[0-9]+$")  # the SONAME link
if(NOT libraries)
  message(FATAL_ERROR "no library staged under ${CPACK_TEMPORARY_DIRECTORY}/Runtime")
endif()

# dpkg-shlibdeps works in a source tree: it wants a debian/control file, empty will do.
set(work "${CPACK_TOPLEVEL_DIRECTORY}/library-depends")
file(MAKE_DIRECTORY "${work}/debian")
file(TOUCH "${work}/debian/control")
execute_process(COMMAND dpkg-shlibdeps -O ${libraries}
  WORKING_DIRECTORY "${work}"
  RESULT_VARIABLE result OUTPUT_VARIABLE substvars ERROR_VARIABLE errors)
if(NOT result EQUAL 0 OR NOT substvars MATCHES "shlibs:Depends=([^\n]+)")
  message(FATAL_ERROR "dpkg-shlibdeps ${libraries} failed:\n${errors}")
endif()
set(CPACK_DEBIAN_RUNTIME_PACKAGE_DEPENDS "${CMAKE_MATCH_1}")
