# Run by CPack once the packages are built (CPACK_POST_BUILD_SCRIPTS). CPack writes the
# md5sums of a -dbgsym package with the absolute path of its staging folder in front of each
# file, which dpkg cannot check and which makes the package depend on where it was built:
# each such package is rebuilt with the paths relative, as dpkg-deb writes them
# (its times SOURCE_DATE_EPOCH's).
foreach(package IN LISTS CPACK_PACKAGE_FILES)
  if(NOT package MATCHES "\\.ddeb$")
    continue()
  endif()
  set(tree ${package}.tree)
  file(REMOVE_RECURSE ${tree})
  execute_process(COMMAND dpkg-deb --raw-extract ${package} ${tree} COMMAND_ERROR_IS_FATAL ANY)
  file(READ ${tree}/DEBIAN/md5sums sums)
  string(REGEX REPLACE "  [^\n]*-dbgsym/" "  " sums "${sums}")
  file(WRITE ${tree}/DEBIAN/md5sums "${sums}")
  execute_process(COMMAND dpkg-deb --root-owner-group -Zgzip --build ${tree} ${package}
                  OUTPUT_QUIET COMMAND_ERROR_IS_FATAL ANY)
  file(REMOVE_RECURSE ${tree})
endforeach()
