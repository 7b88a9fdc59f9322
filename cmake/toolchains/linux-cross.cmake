# Cross build for Linux with a GNU cross toolchain (Debian's g++-TRIPLE by default), tests run
# under qemu user-mode emulation against Debian's multiarch libraries of the target (installed
# as package:ARCH). Set DST_CROSS_TRIPLE (e.g. aarch64-linux-gnu), DST_CROSS_PROCESSOR (the
# CMAKE_SYSTEM_PROCESSOR: aarch64, s390x, arm) and DST_CROSS_QEMU (qemu-aarch64, ...);
# DST_CROSS_SYSROOT defaults to /usr/TRIPLE. armhf.cmake is this file for the phone.
set(CMAKE_SYSTEM_NAME Linux)
set(DST_CROSS_TRIPLE "" CACHE STRING "Target triple, the prefix of the cross tools")
set(DST_CROSS_PROCESSOR "" CACHE STRING "The target's processor, as CMAKE_SYSTEM_PROCESSOR")
set(DST_CROSS_QEMU "" CACHE STRING "qemu's user-mode emulator of the target")
set(DST_CROSS_SYSROOT /usr/${DST_CROSS_TRIPLE} CACHE PATH "Sysroot of the target's libraries and headers")
# The checks of the compiler read this file again in projects of their own: pass the settings on.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES DST_CROSS_TRIPLE DST_CROSS_PROCESSOR DST_CROSS_SYSROOT)
if(NOT DST_CROSS_TRIPLE OR NOT DST_CROSS_PROCESSOR)
  message(FATAL_ERROR "linux-cross.cmake needs DST_CROSS_TRIPLE and DST_CROSS_PROCESSOR")
endif()
set(CMAKE_SYSTEM_PROCESSOR ${DST_CROSS_PROCESSOR})

set(CMAKE_C_COMPILER ${DST_CROSS_TRIPLE}-gcc)
set(CMAKE_CXX_COMPILER ${DST_CROSS_TRIPLE}-g++)
set(CMAKE_NM ${DST_CROSS_TRIPLE}-nm CACHE FILEPATH "")

# The sysroot, and "/" for packages installed through Debian multiarch (libxml2-dev:ARCH
# lands in /usr/lib/TRIPLE).
set(CMAKE_FIND_ROOT_PATH ${DST_CROSS_SYSROOT} /)
set(CMAKE_LIBRARY_ARCHITECTURE ${DST_CROSS_TRIPLE})
set(ENV{PKG_CONFIG_LIBDIR} /usr/lib/${DST_CROSS_TRIPLE}/pkgconfig:/usr/share/pkgconfig)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

if(DST_CROSS_QEMU)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${DST_CROSS_QEMU} -L ${DST_CROSS_SYSROOT} CACHE STRING "Runs the target's programs on the build machine")
endif()
