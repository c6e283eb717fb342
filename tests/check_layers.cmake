# Fails when a top-level folder includes a folder that it may not use. The
# layers, top to bottom:
#   setup/                                   the entry point and the sequence
#   services/ ui/ payload/ shell/ datafolder/ the installer's subsystems
#   varnlet/                                 the product's programs, beside them
#   common/                                  what the installer and the programs share
#   product/ resources/                      generated-data layout, resources
# Of the subsystems only services/ uses another one (ui/, for the busy
# animation). Includes run downwards only, so the folders form no cycle.
#
# usage: cmake -DREPO_ROOT=<checkout> -P tests/check_layers.cmake
cmake_minimum_required(VERSION 3.20)
set(allowed_setup services ui payload shell datafolder common product resources)
set(allowed_services ui common product resources)
set(allowed_ui common product resources)
set(allowed_payload common product resources)
set(allowed_shell common product resources)
set(allowed_datafolder common product resources)
set(allowed_varnlet common product)
set(allowed_common product resources)
set(allowed_product "")
set(allowed_resources "")
set(allowed_tools common product)
set(layered setup services ui payload shell datafolder varnlet common product resources tools)

set(top_folders ${layered} tests bench cmake)
set(violations "")
set(checked 0)
foreach(folder IN LISTS layered)
    file(GLOB_RECURSE sources LIST_DIRECTORIES false
        "${REPO_ROOT}/${folder}/*.cpp" "${REPO_ROOT}/${folder}/*.h" "${REPO_ROOT}/${folder}/*.rc" "${REPO_ROOT}/${folder}/*.S")
    foreach(source IN LISTS sources)
        math(EXPR checked "${checked} + 1")
        file(STRINGS "${source}" lines REGEX "^[ \t]*#[ \t]*include[ \t]+\"[^\"/]+/")
        foreach(line IN LISTS lines)
            string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]+\"([^\"/]+)/.*" "\\1" target "${line}")
            if(target STREQUAL folder OR NOT target IN_LIST top_folders)
                continue()
            endif()
            if(NOT target IN_LIST allowed_${folder})
                file(RELATIVE_PATH shown "${REPO_ROOT}" "${source}")
                string(STRIP "${line}" line)
                list(APPEND violations "${shown}: ${line}  (${folder}/ may use: ${allowed_${folder}})")
            endif()
        endforeach()
    endforeach()
endforeach()

if(checked EQUAL 0)
    message(FATAL_ERROR "check_layers: no sources found below ${REPO_ROOT}")
endif()
if(violations)
    list(LENGTH violations count)
    string(REPLACE ";" "\n  " listing "${violations}")
    message(FATAL_ERROR "check_layers: ${count} include(s) against the layering:\n  ${listing}")
endif()
message(STATUS "check_layers: ${checked} files, every include runs downwards")
