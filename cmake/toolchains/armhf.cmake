# Cross build for 32-bit ARM Linux (hard float). By default it uses Debian's cross toolchain
# and runs tests under qemu user-mode emulation; a vendor SDK passes its own triple and
# sysroot on the command line:
#   cmake -DCMAKE_TOOLCHAIN_FILE=.../armhf.cmake -DDST_ARMHF_TRIPLE=arm-vendor-linux-gnueabihf \
#         -DDST_ARMHF_SYSROOT=/opt/sdk/sysroot ...
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR arm)

set(DST_ARMHF_TRIPLE arm-linux-gnueabihf CACHE STRING "Target triple, the prefix of the cross tools")
set(DST_ARMHF_SYSROOT /usr/${DST_ARMHF_TRIPLE} CACHE PATH "Sysroot of the target's libraries and headers")

set(CMAKE_C_COMPILER ${DST_ARMHF_TRIPLE}-gcc)
set(CMAKE_CXX_COMPILER ${DST_ARMHF_TRIPLE}-g++)
set(CMAKE_NM ${DST_ARMHF_TRIPLE}-nm CACHE FILEPATH "")

# The sysroot, and "/" for armhf packages installed through Debian multiarch
# (libxml2-dev:armhf lands in /usr/lib/arm-linux-gnueabihf).
set(CMAKE_FIND_ROOT_PATH ${DST_ARMHF_SYSROOT} /)
set(CMAKE_LIBRARY_ARCHITECTURE ${DST_ARMHF_TRIPLE})
set(ENV{PKG_CONFIG_LIBDIR} /usr/lib/${DST_ARMHF_TRIPLE}/pkgconfig:/usr/share/pkgconfig)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_CROSSCOMPILING_EMULATOR qemu-arm -L ${DST_ARMHF_SYSROOT} CACHE STRING "Runs the target's programs on the build machine")
