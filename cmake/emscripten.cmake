# Building the engine and the page for the browser with Debian's emscripten, offline:
# no ports are fetched, and zlib, expat, libzip and libdeflate come from Debian's source
# packages, built by tools/build-web-deps.sh into build-web-deps/.
# Node.js runs the tests and CMake's checks.
find_program(TOLVARIN_NODE NAMES node nodejs REQUIRED)
# The 3.1.6 glue code's fetch() fallback trips over Node 18's own fetch.
set(CMAKE_CROSSCOMPILING_EMULATOR "${TOLVARIN_NODE};--no-experimental-fetch" CACHE STRING "" FORCE)
include(/usr/share/emscripten/cmake/Modules/Platform/Emscripten.cmake)
list(APPEND CMAKE_FIND_ROOT_PATH ${CMAKE_CURRENT_LIST_DIR}/../build-web-deps)
# The engine reports errors it catches (a thread that cannot start among them): emscripten
# would otherwise turn every throw into an abort.
set(CMAKE_C_FLAGS_INIT "-fexceptions")
set(CMAKE_CXX_FLAGS_INIT "-fexceptions")
set(CMAKE_EXE_LINKER_FLAGS_INIT "-fexceptions -sALLOW_MEMORY_GROWTH=1")
