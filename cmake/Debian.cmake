# Building as the Debian packages are built (the deb presets, DST_DEBIAN):
# - Debian's build flags for the target, from dpkg-buildflags, with every hardening feature,
#   and on x86-64 control-flow protection, which hardening-check asks for: every object of
#   ours is built for it, but Debian 12's own C start files carry no mark of it, which would
#   drop the mark from every program, so the link asserts it (-z ibt -z shstk);
# - reproducibly: every timestamp is SOURCE_DATE_EPOCH (from the environment, else the last
#   commit's date), and no path of the build or source folder is left in any file.
find_program(DST_DPKG_BUILDFLAGS dpkg-buildflags REQUIRED)
find_program(DST_DPKG_ARCHITECTURE dpkg-architecture REQUIRED)
if(CMAKE_CROSSCOMPILING)
  execute_process(COMMAND ${DST_DPKG_ARCHITECTURE} -qDEB_HOST_ARCH -t ${CMAKE_LIBRARY_ARCHITECTURE}
                  OUTPUT_VARIABLE DST_DEB_ARCH OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET COMMAND_ERROR_IS_FATAL ANY)
else()
  execute_process(COMMAND ${DST_DPKG_ARCHITECTURE} -qDEB_HOST_ARCH OUTPUT_VARIABLE DST_DEB_ARCH
                  OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
endif()
set(ENV{DEB_HOST_ARCH} ${DST_DEB_ARCH})
set(ENV{DEB_BUILD_MAINT_OPTIONS} "hardening=+all")
foreach(flags CPPFLAGS CXXFLAGS LDFLAGS)
  execute_process(COMMAND ${DST_DPKG_BUILDFLAGS} --get ${flags} OUTPUT_VARIABLE DST_DEB_${flags}
                  OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
  # The folder dpkg-buildflags maps is the one it ran in; the maps below name ours.
  string(REGEX REPLACE "-ffile-prefix-map=[^ ]*" "" DST_DEB_${flags} "${DST_DEB_${flags}}")
endforeach()
if(DST_DEB_ARCH STREQUAL "amd64")
  string(APPEND DST_DEB_CXXFLAGS " -fcf-protection")
  string(APPEND DST_DEB_LDFLAGS " -Wl,-z,ibt -Wl,-z,shstk")
endif()
# Of several maps that match a path the last one given applies: the build folder, which may
# lie inside the tree, is mapped last.
set(CMAKE_CXX_FLAGS_RELEASE "${DST_DEB_CPPFLAGS} ${DST_DEB_CXXFLAGS} -ffile-prefix-map=${PROJECT_SOURCE_DIR}=. -ffile-prefix-map=${PROJECT_BINARY_DIR}=build")
set(CMAKE_EXE_LINKER_FLAGS_RELEASE "${DST_DEB_LDFLAGS}")
set(CMAKE_SHARED_LINKER_FLAGS_RELEASE "${DST_DEB_LDFLAGS}")

if(DEFINED ENV{SOURCE_DATE_EPOCH})
  set(DST_SOURCE_DATE_EPOCH $ENV{SOURCE_DATE_EPOCH})
else()
  execute_process(COMMAND git -C ${PROJECT_SOURCE_DIR} log -1 --format=%ct OUTPUT_VARIABLE DST_SOURCE_DATE_EPOCH
                  OUTPUT_STRIP_TRAILING_WHITESPACE RESULT_VARIABLE failed ERROR_QUIET)
  if(failed OR NOT DST_SOURCE_DATE_EPOCH)
    message(FATAL_ERROR "DST_DEBIAN needs SOURCE_DATE_EPOCH in the environment, or a git checkout to take it from")
  endif()
endif()
# For what runs now (string(TIMESTAMP)), for every command of the build (help2man, Doxygen,
# gzip) and, through CPACK_PROJECT_CONFIG_FILE in Package.cmake, for CPack.
set(ENV{SOURCE_DATE_EPOCH} ${DST_SOURCE_DATE_EPOCH})
set_property(GLOBAL PROPERTY RULE_LAUNCH_CUSTOM "${CMAKE_COMMAND} -E env SOURCE_DATE_EPOCH=${DST_SOURCE_DATE_EPOCH}")
# Nothing runs from the build folder: the programs and libraries are linked with the run
# paths they are installed with, so that no build folder's path is left in them.
set(CMAKE_BUILD_WITH_INSTALL_RPATH ON)
