# add_product_data(NAME DESCRIPTION file [DEFINES NAME=VALUE...] [DEPENDS target...])
#   Runs genproduct on a product description and makes an OBJECT library
#   NAME with the generated ProductConfig, LicenceText and PayloadTable.
# add_payload_names(NAME DESCRIPTION file)
#   An OBJECT library NAME with the payload's stored names only (for the
#   uninstaller, which must not depend on the files it is shipped with).
# add_installer(NAME DESCRIPTION file [DEFINES ...] [DEPENDS ...] [OUTPUT_NAME name])
#   A complete installer executable for that product.

set(VARNLET_PROGRAM_DEFINES
    VRL32_EXE=$<TARGET_FILE:vrl32>
    RTUNINST_EXE=$<TARGET_FILE:rtuninst>)

function(add_product_data name)
    cmake_parse_arguments(ARG "" "DESCRIPTION" "DEFINES;DEPENDS" ${ARGN})
    get_filename_component(description ${ARG_DESCRIPTION} ABSOLUTE)
    set(out ${CMAKE_CURRENT_BINARY_DIR}/${name}.gen)
    file(MAKE_DIRECTORY ${out})
    set(define_args)
    foreach(definition IN LISTS ARG_DEFINES)
        list(APPEND define_args --define ${definition})
    endforeach()
    add_custom_command(
        OUTPUT ${out}/product_data.cpp ${out}/product_blob.S ${out}/product_blob.bin
        COMMAND ${GENPRODUCT_EXE} --description ${description} --out-dir ${out}
                ${define_args} --depfile ${out}/product_data.d
        DEPENDS ${description} host_tools ${ARG_DEPENDS}
        DEPFILE ${out}/product_data.d
        COMMENT "Generating product data ${name}"
        VERBATIM)
    add_library(${name} OBJECT ${out}/product_data.cpp ${out}/product_blob.S)
    target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR})
    set_source_files_properties(${out}/product_blob.S PROPERTIES OBJECT_DEPENDS ${out}/product_blob.bin)
endfunction()

function(add_payload_names name)
    cmake_parse_arguments(ARG "" "DESCRIPTION" "" ${ARGN})
    get_filename_component(description ${ARG_DESCRIPTION} ABSOLUTE)
    set(out ${CMAKE_CURRENT_BINARY_DIR}/${name}.gen)
    file(MAKE_DIRECTORY ${out})
    add_custom_command(
        OUTPUT ${out}/payload_names.cpp
        COMMAND ${GENPRODUCT_EXE} --description ${description} --out-dir ${out} --names-only
        DEPENDS ${description} host_tools
        COMMENT "Generating payload names ${name}"
        VERBATIM)
    add_library(${name} OBJECT ${out}/payload_names.cpp)
    target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR})
endfunction()

function(add_installer name)
    cmake_parse_arguments(ARG "" "DESCRIPTION;OUTPUT_NAME" "DEFINES;DEPENDS" ${ARGN})
    add_product_data(${name}_data DESCRIPTION ${ARG_DESCRIPTION} DEFINES ${ARG_DEFINES} DEPENDS ${ARG_DEPENDS})
    add_executable(${name} WIN32)
    # The compiled resources come as objects, so every installer links them
    # whole and is rebuilt when the icon or the manifest changes.
    target_link_libraries(${name} PRIVATE installer_entry ${name}_data installer_resources varnlet_setup_core)
    if(ARG_OUTPUT_NAME)
        set_target_properties(${name} PROPERTIES OUTPUT_NAME ${ARG_OUTPUT_NAME})
    endif()
endfunction()
