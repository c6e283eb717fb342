# Compiler and linker settings shared by every Windows program of the project:
# C++17 without exceptions, statically linked so that only system DLLs and
# msvcrt.dll are imported.
add_compile_definitions(WINVER=0x0601 _WIN32_WINNT=0x0601 _WIN32_IE=0x0600 NOMINMAX STRICT)
# printf-family calls go to msvcrt.dll's formatter instead of linking mingw's
# own C99 one (about 28 KB per program). Formats stay within what msvcrt knows:
# no %zu, %lld or %hhd. snprintf is the exception: msvcrt.dll has none, and
# the C headers answer it with mingw's formatter all the same, so code that
# runs in the installer formats with FormatBounded (msvcrt's _vsnprintf).
add_compile_definitions(__USE_MINGW_ANSI_STDIO=0)
# Functions get sections of their own so that the linker drops the unused
# ones. Data does not: with -fdata-sections this compiler puts zero-filled
# variables into .data$<name>, stored in the file, instead of .bss.
add_compile_options(
    $<$<COMPILE_LANGUAGE:CXX>:-fno-exceptions>
    $<$<COMPILE_LANGUAGE:C,CXX>:-Wall>
    $<$<COMPILE_LANGUAGE:C,CXX>:-ffunction-sections>
    $<$<COMPILE_LANGUAGE:C,CXX>:-fno-asynchronous-unwind-tables>)
add_link_options(-static -static-libgcc -static-libstdc++ -Wl,--gc-sections)
# The same source gives the same bytes, wherever and whenever it is built: no
# link time in the PE header (its checksum follows from the rest), and no
# source or build folder in what __FILE__ or debug information records (the
# build folder's map comes last, as the last match wins and it often lies
# inside the source folder).
add_link_options(-Wl,--no-insert-timestamp)
add_compile_options(
    $<$<COMPILE_LANGUAGE:C,CXX,ASM>:-ffile-prefix-map=${CMAKE_SOURCE_DIR}/=>
    $<$<COMPILE_LANGUAGE:C,CXX,ASM>:-ffile-prefix-map=${CMAKE_BINARY_DIR}/=build/>)
if(CMAKE_BUILD_TYPE STREQUAL "MinSizeRel" OR CMAKE_BUILD_TYPE STREQUAL "Release")
    add_link_options(-s)
endif()

find_library(ZLIB_STATIC_LIBRARY NAMES libz.a REQUIRED)
find_path(ZLIB_INCLUDE_DIR zlib.h REQUIRED)
include_directories(SYSTEM ${ZLIB_INCLUDE_DIR})
