# SPDX-License-Identifier: MIT
# Read by CPack for each generator: the Debian packages install under /usr, while the tarball
# holds bin/, include/, lib/ and share/ at its top, to unpack anywhere.
if(CPACK_GENERATOR STREQUAL "TGZ")
  set(CPACK_PACKAGING_INSTALL_PREFIX "")
elseif(CPACK_GENERATOR STREQUAL "DEB" AND NOT CPACK_TAMSEL_DEBIAN_PACKAGES)
  # Only that build puts the library in Debian's directory, gzips the documents and leaves the
  # search path out of the program.
  message(FATAL_ERROR "The Debian packages come from the deb preset: cmake --workflow --preset deb")
endif()
