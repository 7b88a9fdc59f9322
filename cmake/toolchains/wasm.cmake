# WebAssembly for the browser viewer, with Debian's emscripten and its prebuilt system
# libraries (no download). Everything, the library included, is built with WebAssembly's
# own exceptions: the tool's conversions report faults by throwing.
include(/usr/share/emscripten/cmake/Modules/Platform/Emscripten.cmake)
# Link-time optimisation and -Oz keep the module small (the page inlines it).
set(CMAKE_CXX_FLAGS_INIT "-fwasm-exceptions -flto")
set(CMAKE_CXX_FLAGS_MINSIZEREL "-Oz -DNDEBUG" CACHE STRING "Flags for MinSizeRel builds")
set(CMAKE_EXE_LINKER_FLAGS_INIT "-fwasm-exceptions -flto")
# emcc's JavaScript optimiser needs Debian's node-acorn, which a Node.js from elsewhere
# does not look for.
set(CMAKE_CXX_LINKER_LAUNCHER ${CMAKE_COMMAND} -E env NODE_PATH=/usr/share/nodejs)
# The three libraries are SHARED, which this target does not have: CMake makes them static,
# as wanted, and would warn about each.
set(CMAKE_SUPPRESS_DEVELOPER_WARNINGS ON CACHE INTERNAL "")
