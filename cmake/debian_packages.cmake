# SPDX-License-Identifier: MIT
# The three Debian packages, made by CPack's DEB generator from the three install components:
#   libtamselcalculatorhealth1     Runtime      the shared library and its SONAME link
#   libtamselcalculatorhealth-dev  Development  header, .so link, CMake package, pkg-config file
#   tamsel-health                  Program      the program, its man page, the formula reference
# Each carries a copyright file and changelog.Debian.gz in /usr/share/doc/<package>.
if(NOT CMAKE_INSTALL_PREFIX STREQUAL "/usr")
  message(FATAL_ERROR "The Debian packages install under /usr: configure with "
                      "-DCMAKE_INSTALL_PREFIX=/usr, as the deb preset does")
endif()

set(TAMSEL_DEBIAN_DIR ${PROJECT_BINARY_DIR}/debian)
string(TOLOWER "lib${PROJECT_NAME}${PROJECT_VERSION_MAJOR}" TAMSEL_DEBIAN_LIBRARY_PACKAGE)
string(TOLOWER "lib${PROJECT_NAME}-dev" TAMSEL_DEBIAN_DEV_PACKAGE)
set(TAMSEL_DEBIAN_PROGRAM_PACKAGE tamsel-health)
# The first version whose library has the interface of this one: a program built now needs at
# least this version. Raise it when the library gains an export.
set(TAMSEL_DEBIAN_ABI_VERSION 1.0.0.1)
# The first version in three packages. Up to 1.0.0.1, one tamsel-health package held
# everything, the header at the path the -dev package now has.
set(TAMSEL_DEBIAN_SPLIT_VERSION 1.0.0.1-1)

# The Debian revision comes from the latest changelog entry, which must be for this version.
set(TAMSEL_DEBIAN_CHANGELOG ${PROJECT_SOURCE_DIR}/packaging/changelog.Debian)
file(STRINGS ${TAMSEL_DEBIAN_CHANGELOG} latest_entry LIMIT_COUNT 1)
if(NOT latest_entry MATCHES "^tamsel-health \\(([^)]+)-([A-Za-z0-9.+~]+)\\) ")
  message(FATAL_ERROR "${TAMSEL_DEBIAN_CHANGELOG} does not begin with an entry for tamsel-health")
endif()
if(NOT CMAKE_MATCH_1 STREQUAL PROJECT_VERSION)
  message(FATAL_ERROR "${TAMSEL_DEBIAN_CHANGELOG}: the latest entry is for ${CMAKE_MATCH_1}, "
                      "the project is ${PROJECT_VERSION}; add an entry for it")
endif()
set(TAMSEL_DEBIAN_REVISION ${CMAKE_MATCH_2})
set(TAMSEL_DEBIAN_VERSION ${PROJECT_VERSION}-${TAMSEL_DEBIAN_REVISION})

# A gzipped copy of a file, made at build time (-n: no name or time stamp in the header, so that
# the package comes out the same from the same sources). Sets out_var to its path.
find_program(TAMSEL_GZIP gzip REQUIRED)
add_custom_target(tamsel_gzipped_files ALL)
function(tamsel_gzipped source out_var)
  get_filename_component(name ${source} NAME)
  set(copy ${TAMSEL_DEBIAN_DIR}/gzipped/${name})
  get_property(made GLOBAL PROPERTY TAMSEL_GZIPPED_SOURCES)
  if(NOT source IN_LIST made)
    add_custom_command(OUTPUT ${copy}.gz
      COMMAND ${CMAKE_COMMAND} -E copy ${source} ${copy}
      COMMAND ${TAMSEL_GZIP} -9nf ${copy}
      DEPENDS ${source}
      VERBATIM)
    target_sources(tamsel_gzipped_files PRIVATE ${copy}.gz)
    set_property(GLOBAL APPEND PROPERTY TAMSEL_GZIPPED_SOURCES ${source})
  endif()
  set(${out_var} ${copy}.gz PARENT_SCOPE)
endfunction()

# The copyright file, in Debian's machine-readable format, with the licence text and holder
# taken from LICENSE. Debian calls this licence Expat; "MIT" names several.
file(READ ${PROJECT_SOURCE_DIR}/LICENSE licence)
if(NOT licence MATCHES "\nCopyright \\(c\\) ([^\n]+)\n\n(.+)$")
  message(FATAL_ERROR "LICENSE: no copyright line followed by the licence text")
endif()
set(holder "${CMAKE_MATCH_1}")
string(STRIP "${CMAKE_MATCH_2}" licence_text)
string(REPLACE "\n\n" "\n.\n" licence_text "${licence_text}")
string(REPLACE "\n" "\n " licence_text " ${licence_text}")
file(CONFIGURE OUTPUT ${TAMSEL_DEBIAN_DIR}/copyright @ONLY CONTENT
"Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/
Upstream-Name: Tamsel Health Calculator
Upstream-Contact: ${TAMSEL_PACKAGE_CONTACT}
Source: ${PROJECT_HOMEPAGE_URL}

Files: *
Copyright: ${holder}
License: Expat
Comment: The sources name it SPDX-License-Identifier: MIT.

License: Expat
${licence_text}
")

tamsel_gzipped(${TAMSEL_DEBIAN_CHANGELOG} changelog)
set(components Runtime Development Program)
set(packages
  ${TAMSEL_DEBIAN_LIBRARY_PACKAGE} ${TAMSEL_DEBIAN_DEV_PACKAGE} ${TAMSEL_DEBIAN_PROGRAM_PACKAGE})
foreach(component package IN ZIP_LISTS components packages)
  set(doc_dir ${CMAKE_INSTALL_DATAROOTDIR}/doc/${package})
  install(FILES ${TAMSEL_DEBIAN_DIR}/copyright DESTINATION ${doc_dir} COMPONENT ${component})
  install(FILES ${changelog} DESTINATION ${doc_dir} COMPONENT ${component})
endforeach()

# The library package's control files: dpkg-shlibdeps reads the symbols (or the shlibs) file of
# an installed library to give a program that links it its dependency, and the trigger has
# ldconfig update the loader's cache once per dpkg run.
set(library_soname lib${PROJECT_NAME}.so.${PROJECT_VERSION_MAJOR})
file(CONFIGURE OUTPUT ${TAMSEL_DEBIAN_DIR}/Runtime/shlibs CONTENT
"lib${PROJECT_NAME} ${PROJECT_VERSION_MAJOR} ${TAMSEL_DEBIAN_LIBRARY_PACKAGE} (>= ${TAMSEL_DEBIAN_ABI_VERSION})
")
# CalcHealth has been the one export since 1.0.0.1.
file(CONFIGURE OUTPUT ${TAMSEL_DEBIAN_DIR}/Runtime/symbols CONTENT
"${library_soname} ${TAMSEL_DEBIAN_LIBRARY_PACKAGE} #MINVER#
* Build-Depends-Package: ${TAMSEL_DEBIAN_DEV_PACKAGE}
 CalcHealth@Base 1.0.0.1
")
file(CONFIGURE OUTPUT ${TAMSEL_DEBIAN_DIR}/Runtime/triggers CONTENT
"activate-noawait ldconfig
")

set(CPACK_GENERATOR DEB)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_RELEASE ${TAMSEL_DEBIAN_REVISION})
set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${TAMSEL_PACKAGE_CONTACT})
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# Each package has a summary line of its own; CPack would put the project's before it.
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "")

set(about_the_library [[
TamselCalculatorHealth evaluates eighteen published health formulas behind
one C function, CalcHealth, which answers a command line such as
"bmi 70 1.75" with text such as "BMI: 22.86": body composition, metabolic
rates, ideal weight and cardiovascular values.]])

set(CPACK_DEBIAN_RUNTIME_PACKAGE_NAME ${TAMSEL_DEBIAN_LIBRARY_PACKAGE})
set(CPACK_DEBIAN_RUNTIME_PACKAGE_SECTION libs)
set(CPACK_DEBIAN_RUNTIME_PACKAGE_SOURCE ${TAMSEL_DEBIAN_PROGRAM_PACKAGE})
set(CPACK_DEBIAN_RUNTIME_DESCRIPTION "health formula calculator library with one C function
${about_the_library}

This package contains the shared library.")
set(CPACK_DEBIAN_RUNTIME_PACKAGE_CONTROL_EXTRA
  ${TAMSEL_DEBIAN_DIR}/Runtime/shlibs ${TAMSEL_DEBIAN_DIR}/Runtime/symbols
  ${TAMSEL_DEBIAN_DIR}/Runtime/triggers)
# CPack's own dependency scan of a library also gives the package maintainer scripts that call
# ldconfig, which the trigger replaces; debian_library_depends.cmake scans it instead.
set(CPACK_DEBIAN_RUNTIME_PACKAGE_SHLIBDEPS OFF)
set(CPACK_PRE_BUILD_SCRIPTS ${CMAKE_CURRENT_LIST_DIR}/debian_library_depends.cmake)

set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_NAME ${TAMSEL_DEBIAN_DEV_PACKAGE})
set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_SECTION libdevel)
set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_SOURCE ${TAMSEL_DEBIAN_PROGRAM_PACKAGE})
set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_DEPENDS
  "${TAMSEL_DEBIAN_LIBRARY_PACKAGE} (= ${TAMSEL_DEBIAN_VERSION})")
# The header moved here from the one package of before.
set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_BREAKS
  "${TAMSEL_DEBIAN_PROGRAM_PACKAGE} (<< ${TAMSEL_DEBIAN_SPLIT_VERSION})")
set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_REPLACES ${CPACK_DEBIAN_DEVELOPMENT_PACKAGE_BREAKS})
set(CPACK_DEBIAN_DEVELOPMENT_DESCRIPTION
  "health formula calculator library with one C function - development files
${about_the_library}

This package contains what a program needs to build against the library:
the C header, the CMake package and the pkg-config file.")

set(CPACK_DEBIAN_PROGRAM_PACKAGE_NAME ${TAMSEL_DEBIAN_PROGRAM_PACKAGE})
set(CPACK_DEBIAN_PROGRAM_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PROGRAM_PACKAGE_DEPENDS
  "${TAMSEL_DEBIAN_LIBRARY_PACKAGE} (>= ${TAMSEL_DEBIAN_ABI_VERSION})")
set(CPACK_DEBIAN_PROGRAM_PACKAGE_SHLIBDEPS ON)
# dpkg-shlibdeps must find our library, which no installed package holds yet; the dependency on
# it is the one above.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS ${CMAKE_LIBRARY_OUTPUT_DIRECTORY})
set(CPACK_DEBIAN_PROGRAM_DESCRIPTION "command-line medical calculator for eighteen health formulas
tamsel-health answers requests such as \"bmi 70 1.75\" with lines such as
\"BMI: 22.86\": one request from its arguments, one per line from standard
input, or at an interactive prompt. It covers body composition, metabolic
rates, ideal weight and cardiovascular values.

This package contains the program, its manual page and the formula
reference, which gives each formula's arithmetic, source and limits.")
