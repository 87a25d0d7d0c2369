# SPDX-License-Identifier: MIT
# Read by CPack for each generator: the Debian package installs under /usr, while the tarball
# holds bin/, include/, lib/ and share/ at its top, to unpack anywhere.
if(CPACK_GENERATOR STREQUAL "TGZ")
  set(CPACK_PACKAGING_INSTALL_PREFIX "")
endif()
