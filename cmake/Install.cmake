# Installation, in components that the Debian packages follow:
#   runtime       libDirectoryServiceTypes.so.1          platform      our libSerializer/libLoggingHandler
#   dev           its header, .so link, CMake package,   platform_dev  their headers and .so links
#                 pkg-config file, armhf toolchain file
#   tool          dstypes, its man page and bash completion (tools/CMakeLists.txt)
include(CMakePackageConfigHelpers)

set(DST_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/DirectoryServiceTypes)

install(TARGETS dst_directory_service_types EXPORT DirectoryServiceTypesTargets
        LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT runtime NAMELINK_COMPONENT dev)
install(FILES ${PROJECT_BINARY_DIR}/include/DirectoryServiceTypes.h DESTINATION ${CMAKE_INSTALL_INCLUDEDIR} COMPONENT dev)
if(DST_BUILD_PLATFORM)
  install(TARGETS dst_serializer dst_logging_handler EXPORT DirectoryServiceTypesTargets
          LIBRARY DESTINATION ${DST_PLATFORM_LIBDIR} COMPONENT platform NAMELINK_COMPONENT platform_dev)
  install(FILES include/PhonebookRecord.h include/Serializer.h include/LoggingHandler.h
          DESTINATION ${DST_PLATFORM_INCLUDEDIR} COMPONENT platform_dev)
else()
  install(FILES cmake/FindPlatform.cmake DESTINATION ${DST_CMAKE_DIR} COMPONENT dev)
  configure_file(cmake/FindPlatform.cmake FindPlatform.cmake COPYONLY)  # for the build tree's package
endif()
install(EXPORT DirectoryServiceTypesTargets NAMESPACE DirectoryServiceTypes:: DESTINATION ${DST_CMAKE_DIR} COMPONENT dev)
# The same package in the build tree: find_package(DirectoryServiceTypes) with
# DirectoryServiceTypes_DIR set to the build folder uses the library as built.
export(EXPORT DirectoryServiceTypesTargets NAMESPACE DirectoryServiceTypes::
       FILE ${PROJECT_BINARY_DIR}/DirectoryServiceTypesTargets.cmake)
install(FILES cmake/toolchains/armhf.cmake cmake/toolchains/linux-cross.cmake DESTINATION ${DST_CMAKE_DIR}/toolchains COMPONENT dev)

configure_package_config_file(cmake/DirectoryServiceTypesConfig.cmake.in
  ${PROJECT_BINARY_DIR}/DirectoryServiceTypesConfig.cmake INSTALL_DESTINATION ${DST_CMAKE_DIR})
write_basic_package_version_file(${PROJECT_BINARY_DIR}/DirectoryServiceTypesConfigVersion.cmake
  COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/DirectoryServiceTypesConfig.cmake
              ${PROJECT_BINARY_DIR}/DirectoryServiceTypesConfigVersion.cmake
        DESTINATION ${DST_CMAKE_DIR} COMPONENT dev)

# Relative to the .pc file, so that the installed tree can be moved (or staged with DESTDIR).
# A caller links the library alone; the platform's libraries are its own dependencies.
file(RELATIVE_PATH DST_PC_TO_PREFIX "/${CMAKE_INSTALL_LIBDIR}/pkgconfig" "/")
string(REGEX REPLACE "/$" "" DST_PC_TO_PREFIX "${DST_PC_TO_PREFIX}")
set(DST_PC_PLATFORM_CFLAGS " -I\${includedir}/directoryservicetypes")
set(DST_PC_PLATFORM_LIBS " -L\${libdir}/directoryservicetypes")
if(NOT DST_BUILD_PLATFORM)
  get_filename_component(dir ${DST_SERIALIZER_LIBRARY} DIRECTORY)
  set(DST_PC_PLATFORM_CFLAGS " -I${DST_PLATFORM_INCLUDE_DIR}")
  set(DST_PC_PLATFORM_LIBS " -L${dir}")
endif()
configure_file(cmake/directoryservicetypes.pc.in ${PROJECT_BINARY_DIR}/directoryservicetypes.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/directoryservicetypes.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig COMPONENT dev)
