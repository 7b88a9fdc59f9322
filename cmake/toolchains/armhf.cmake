# Cross build for 32-bit ARM Linux (hard float), the phone. By default it uses Debian's cross
# toolchain and runs tests under qemu user-mode emulation; a vendor SDK passes its own triple
# and sysroot on the command line:
#   cmake -DCMAKE_TOOLCHAIN_FILE=.../armhf.cmake -DDST_ARMHF_TRIPLE=arm-vendor-linux-gnueabihf \
#         -DDST_ARMHF_SYSROOT=/opt/sdk/sysroot ...
set(DST_ARMHF_TRIPLE arm-linux-gnueabihf CACHE STRING "Target triple, the prefix of the cross tools")
set(DST_ARMHF_SYSROOT /usr/${DST_ARMHF_TRIPLE} CACHE PATH "Sysroot of the target's libraries and headers")
set(DST_CROSS_TRIPLE ${DST_ARMHF_TRIPLE} CACHE STRING "" FORCE)
set(DST_CROSS_SYSROOT ${DST_ARMHF_SYSROOT} CACHE PATH "" FORCE)
set(DST_CROSS_PROCESSOR arm CACHE STRING "" FORCE)
set(DST_CROSS_QEMU qemu-arm CACHE STRING "")
include(${CMAKE_CURRENT_LIST_DIR}/linux-cross.cmake)
