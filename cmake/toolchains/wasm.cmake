# WebAssembly for the browser viewer, with the emscripten found on the PATH (Debian's, with its
# prebuilt system libraries: no download). Everything, the library included, is built with
# WebAssembly's own exceptions: the tool's conversions report faults by throwing.
find_program(DST_EMCC emcc REQUIRED)
file(REAL_PATH ${DST_EMCC} emcc)  # Debian's emcc is a link into emscripten's own folder
get_filename_component(DST_EMSCRIPTEN_ROOT ${emcc} DIRECTORY)
include(${DST_EMSCRIPTEN_ROOT}/cmake/Modules/Platform/Emscripten.cmake)
# Link-time optimisation and -Oz keep the module small (the page inlines it).
set(CMAKE_CXX_FLAGS_INIT "-fwasm-exceptions -flto")
set(CMAKE_CXX_FLAGS_MINSIZEREL "-Oz -DNDEBUG" CACHE STRING "Flags for MinSizeRel builds")
set(CMAKE_EXE_LINKER_FLAGS_INIT "-fwasm-exceptions -flto")
# emcc's JavaScript optimiser needs acorn (Debian's node-acorn), which a Node.js from
# elsewhere does not look for in the system's folders of node modules.
find_program(DST_NODE node)
file(REAL_PATH "${DST_NODE}/../.." node_prefix)
find_path(DST_NODE_MODULES acorn/package.json HINTS ENV NODE_PATH ${node_prefix}/share/nodejs ${node_prefix}/lib/node_modules
          NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH DOC "The folder of node modules that holds acorn")
if(DST_NODE_MODULES)
  set(CMAKE_CXX_LINKER_LAUNCHER ${CMAKE_COMMAND} -E env NODE_PATH=${DST_NODE_MODULES})
endif()
# This LLVM's code for WebAssembly's exceptions varies with where its own data lands in
# memory: the compiles name their sources from the top of the tree (wasm-compile.sh), and
# they and the link, which generates the code (link-time optimisation), run without address
# randomisation where the system allows it, so that any copy of a tree gives the same module.
find_program(DST_SETARCH setarch)
set(dst_norandom "")
if(DST_SETARCH)
  execute_process(COMMAND ${DST_SETARCH} -R true RESULT_VARIABLE randomised OUTPUT_QUIET ERROR_QUIET)
  if(randomised EQUAL 0)
    set(dst_norandom ${DST_SETARCH} -R)
  endif()
endif()
set(CMAKE_CXX_COMPILER_LAUNCHER ${CMAKE_CURRENT_LIST_DIR}/wasm-compile.sh ${CMAKE_SOURCE_DIR} ${dst_norandom})
set(CMAKE_CXX_LINKER_LAUNCHER ${dst_norandom} ${CMAKE_CXX_LINKER_LAUNCHER})
# The three libraries are SHARED, which this target does not have: CMake makes them static,
# as wanted, and would warn about each.
set(CMAKE_SUPPRESS_DEVELOPER_WARNINGS ON CACHE INTERNAL "")
