# Debian packages through CPack's DEB generator, one per group of install components:
#   libdirectoryservicetypes1      runtime + platform (the shared libraries)
#   libdirectoryservicetypes-dev   dev + platform-dev (headers, .so links, CMake package, .pc)
#   dstypes                        tool
#   libdirectoryservicetypes-doc   doc (the API reference; with DST_BUILD_DOCS)
#   dst-serializer-check           checker (needs none of the others)
# With DST_BUILD_PLATFORM=OFF the stand-ins are not built, so no package carries them.
# Build them with:  cmake --build BUILD --target package   (or cpack in BUILD)
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME directoryservicetypes)
set(CPACK_PACKAGE_VENDOR "DirectoryServiceTypes developers")
# Each package's description carries its own synopsis: a summary that differs from CPack's
# default would be put in front of all three.
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${CMAKE_PROJECT_NAME} built using CMake")
set(CPACK_PACKAGE_CONTACT "DirectoryServiceTypes developers <maintainers@directoryservicetypes.invalid>")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_GROUPING ONE_PER_GROUP)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Our own libraries are resolved in the build tree; the packages name each other (component
# dependencies) with the exact version.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS ${PROJECT_BINARY_DIR})
set(CPACK_DEBIAN_ENABLE_COMPONENT_DEPENDS ON)
set(CPACK_DEBIAN_PACKAGE_SECTION libs)
# One source for every package: its name is the private folder of the stand-ins, which the
# library's and the tool's run paths name.
set(CPACK_DEBIAN_PACKAGE_SOURCE directoryservicetypes)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
if(CMAKE_CROSSCOMPILING)
  set(CPACK_DEBIAN_PACKAGE_ARCHITECTURE armhf)
endif()

set(CPACK_COMPONENT_RUNTIME_GROUP runtime)
set(CPACK_COMPONENT_PLATFORM_GROUP runtime)
set(CPACK_COMPONENT_DEV_GROUP dev)
set(CPACK_COMPONENT_PLATFORM_DEV_GROUP dev)
set(CPACK_COMPONENT_TOOL_GROUP tool)
set(CPACK_COMPONENT_CHECKER_GROUP checker)
set(CPACK_COMPONENT_DEV_DEPENDS runtime)
set(CPACK_COMPONENT_TOOL_DEPENDS runtime)

set(CPACK_DEBIAN_RUNTIME_PACKAGE_NAME libdirectoryservicetypes1)
set(CPACK_DEBIAN_RUNTIME_PACKAGE_SECTION libs)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
# Control files get the modes Debian asks for, whatever umask the checkout was made with.
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# The dynamic linker's cache is refreshed by dpkg's trigger, not by maintainer scripts.
set(CPACK_DEBIAN_RUNTIME_PACKAGE_CONTROL_EXTRA ${PROJECT_SOURCE_DIR}/cmake/debian/triggers
    ${PROJECT_SOURCE_DIR}/cmake/debian/postinst ${PROJECT_SOURCE_DIR}/cmake/debian/postrm)
set(CPACK_DEBIAN_RUNTIME_DESCRIPTION "data types of a telephone's directory service
The call group, the table of sixteen call groups, the phonebook's group
dimensions and the result set of a directory search, with their flat text and
XML forms (libDirectoryServiceTypes.so.1).")
if(DST_BUILD_PLATFORM)
  string(APPEND CPACK_DEBIAN_RUNTIME_DESCRIPTION "

This package also holds stand-ins for the platform's field encoder and logger
(libSerializer.so.1, libLoggingHandler.so.1).")
endif()
set(CPACK_DEBIAN_DEV_PACKAGE_NAME libdirectoryservicetypes-dev)
set(CPACK_DEBIAN_DEV_PACKAGE_SECTION libdevel)
set(CPACK_DEBIAN_DEV_DESCRIPTION "data types of a telephone's directory service - development files
Headers, the unversioned shared library links, the CMake package
(find_package(DirectoryServiceTypes)), the pkg-config file and the armhf
toolchain file.")
set(CPACK_DEBIAN_DEV_PACKAGE_SUGGESTS libdirectoryservicetypes-doc)
set(CPACK_DEBIAN_TOOL_PACKAGE_NAME dstypes)
set(CPACK_DEBIAN_TOOL_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_TOOL_DESCRIPTION "inspect, convert and produce directory service text forms
dstypes decodes the flat text forms of the directory service types to JSON or
XML, reads them as the library's own classes would, and encodes JSON back to
text.")
if(DST_BUILD_VIEWER)
  string(APPEND CPACK_DEBIAN_TOOL_DESCRIPTION "

It also holds a viewer for a web browser: one page that runs the library and
these conversions offline, compiled to WebAssembly (dstypes viewer prints
where it is).")
endif()
set(CPACK_DEBIAN_CHECKER_PACKAGE_NAME dst-serializer-check)
set(CPACK_DEBIAN_CHECKER_PACKAGE_SECTION devel)
set(CPACK_DEBIAN_CHECKER_DESCRIPTION "check a platform's serializer for the directory service types
dst-serializer-check loads a platform's libSerializer.so (and its
libLoggingHandler.so) at run time and checks, in child processes with a time
limit, every property the directory service types rely on, then runs the
vectors of their text form, which are installed with it.")

set(dst_deb_groups runtime dev tool)
if(TARGET dst_serializer_check)
  list(APPEND dst_deb_groups checker)
endif()
if(DST_BUILD_DOCS)
  list(APPEND dst_deb_groups doc)
  set(CPACK_COMPONENT_DOC_GROUP doc)
  set(CPACK_DEBIAN_DOC_PACKAGE_NAME libdirectoryservicetypes-doc)
  set(CPACK_DEBIAN_DOC_PACKAGE_ARCHITECTURE all)
  set(CPACK_DEBIAN_DOC_PACKAGE_SECTION doc)
  set(CPACK_DEBIAN_DOC_PACKAGE_DEPENDS libjs-jquery)
  set(CPACK_DEBIAN_DOC_DESCRIPTION "data types of a telephone's directory service - API reference
The contract of every class and member of libDirectoryServiceTypes and of the
platform interfaces it is built against, as HTML and as man pages in section 3
(man 3 PhonebookGroupList).")
endif()

if(DST_DEBIAN)
  # Built as Debian builds (cmake/Debian.cmake): the debug symbols of every package in a
  # -dbgsym package of its own, and every timestamp CPack writes SOURCE_DATE_EPOCH's.
  set(CPACK_DEBIAN_DEBUGINFO_PACKAGE ON)
  set(CPACK_STRIP_FILES OFF)  # CPack splits the debug symbols out, then strips
  set(CPACK_OBJCOPY_EXECUTABLE ${CMAKE_OBJCOPY})
  set(CPACK_READELF_EXECUTABLE ${CMAKE_READELF})
  set(CPACK_POST_BUILD_SCRIPTS ${PROJECT_SOURCE_DIR}/cmake/debian/fix-dbgsym.cmake)
  file(WRITE ${PROJECT_BINARY_DIR}/CPackSourceDate.cmake "set(ENV{SOURCE_DATE_EPOCH} ${DST_SOURCE_DATE_EPOCH})\n")
  set(CPACK_PROJECT_CONFIG_FILE ${PROJECT_BINARY_DIR}/CPackSourceDate.cmake)
  # Every package carries its copyright file and Debian changelog, as Debian asks; the date
  # is SOURCE_DATE_EPOCH's.
  string(TIMESTAMP DST_DATE "%a, %d %b %Y %H:%M:%S +0000" UTC)
  foreach(group ${dst_deb_groups})
    string(TOUPPER ${group} G)
    set(name ${CPACK_DEBIAN_${G}_PACKAGE_NAME})
    set(DST_DEB_PACKAGE ${name})
    configure_file(${PROJECT_SOURCE_DIR}/cmake/debian/changelog.in ${PROJECT_BINARY_DIR}/debian/${name}/changelog.Debian @ONLY)
    execute_process(COMMAND gzip -9nc ${PROJECT_BINARY_DIR}/debian/${name}/changelog.Debian  # no name, no time
                    OUTPUT_FILE ${PROJECT_BINARY_DIR}/debian/${name}/changelog.Debian.gz COMMAND_ERROR_IS_FATAL ANY)
    install(FILES ${PROJECT_SOURCE_DIR}/cmake/debian/copyright ${PROJECT_BINARY_DIR}/debian/${name}/changelog.Debian.gz
            DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/${name} COMPONENT ${group})
  endforeach()
endif()

include(CPack)
