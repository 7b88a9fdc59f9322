# Installation: headers, the three libraries with their SONAME links, a CMake package and
# a pkg-config file.
include(CMakePackageConfigHelpers)

set(DST_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/DirectoryServiceTypes)

install(TARGETS DirectoryServiceTypes Serializer LoggingHandler
        EXPORT DirectoryServiceTypesTargets
        LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT runtime NAMELINK_COMPONENT dev)
install(FILES src/DirectoryServiceTypes.h include/PhonebookRecord.h include/Serializer.h
              include/LoggingHandler.h
        DESTINATION ${CMAKE_INSTALL_INCLUDEDIR} COMPONENT dev)
install(EXPORT DirectoryServiceTypesTargets NAMESPACE DirectoryServiceTypes::
        DESTINATION ${DST_CMAKE_DIR} COMPONENT dev)

configure_package_config_file(cmake/DirectoryServiceTypesConfig.cmake.in
  ${PROJECT_BINARY_DIR}/DirectoryServiceTypesConfig.cmake INSTALL_DESTINATION ${DST_CMAKE_DIR})
write_basic_package_version_file(${PROJECT_BINARY_DIR}/DirectoryServiceTypesConfigVersion.cmake
  COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/DirectoryServiceTypesConfig.cmake
              ${PROJECT_BINARY_DIR}/DirectoryServiceTypesConfigVersion.cmake
        DESTINATION ${DST_CMAKE_DIR} COMPONENT dev)

# Relative to the .pc file, so that the installed tree can be moved (or staged with DESTDIR).
file(RELATIVE_PATH DST_PC_TO_PREFIX "/${CMAKE_INSTALL_LIBDIR}/pkgconfig" "/")
string(REGEX REPLACE "/$" "" DST_PC_TO_PREFIX "${DST_PC_TO_PREFIX}")
configure_file(cmake/directoryservicetypes.pc.in ${PROJECT_BINARY_DIR}/directoryservicetypes.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/directoryservicetypes.pc
        DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig COMPONENT dev)
