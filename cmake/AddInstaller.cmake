# Every generating command depends on the generator itself and on a file
# holding its arguments, rewritten only when they change: a build tree
# configured again with another description or other defines makes its
# outputs anew even when the new description is older than them.
function(_arguments_stamp out text)
    file(CONFIGURE OUTPUT ${out}/arguments.txt CONTENT "${text}\n" @ONLY)
endfunction()

# add_product_data(NAME DESCRIPTION file [DEFINES NAME=VALUE...] [DEPENDS target...] [UNINSTALLER file]
#                  [PIECE_BYTES n])
#   Runs genproduct on a product description and makes an OBJECT library
#   NAME with the generated ProductConfig, LicenceText and PayloadTable.
#   UNINSTALLER is carried as rtuninst.exe when the description lists none.
#   PIECE_BYTES cuts the chunk bytes into smaller pieces (for tests).
# add_payload_names(NAME DESCRIPTION file)
#   An OBJECT library NAME with the payload's stored names only (for the
#   uninstaller, which must not depend on the files it is shipped with).
# add_product_resources(TARGET DESCRIPTION file ROLE installer|uninstaller FILE_NAME name SCRIPT file.rc)
#   Compiles the resource script SCRIPT into TARGET with the product's
#   identity (version resource, manifest, icon) generated from the description.
# add_product_uninstaller(NAME DESCRIPTION file)
#   The uninstaller rtuninst.exe for that product: it removes exactly the
#   product's files, links, key and ini entry, and carries its identity.
# add_installer(NAME DESCRIPTION file [DEFINES ...] [DEPENDS ...] [OUTPUT_NAME name] [PIECE_BYTES n])
#   A complete installer executable for that product, with the product's
#   own uninstaller unless the description lists an rtuninst.exe of its own;
#   signed after linking when the build is asked to sign (cmake/Signing.cmake).

set(VARNLET_PROGRAM_DEFINES
    VRL32_EXE=$<TARGET_FILE:vrl32>
    RTUNINST_EXE=$<TARGET_FILE:rtuninst>)

function(add_product_data name)
    cmake_parse_arguments(ARG "" "DESCRIPTION;UNINSTALLER;PIECE_BYTES" "DEFINES;DEPENDS" ${ARGN})
    get_filename_component(description ${ARG_DESCRIPTION} ABSOLUTE)
    set(out ${CMAKE_CURRENT_BINARY_DIR}/${name}.gen)
    file(MAKE_DIRECTORY ${out})
    set(define_args)
    foreach(definition IN LISTS ARG_DEFINES)
        list(APPEND define_args --define ${definition})
    endforeach()
    if(ARG_UNINSTALLER)
        list(APPEND define_args --uninstaller ${ARG_UNINSTALLER})
    endif()
    if(ARG_PIECE_BYTES)
        list(APPEND define_args --piece-bytes ${ARG_PIECE_BYTES})
    endif()
    _arguments_stamp(${out} "${description} ${define_args}")
    add_custom_command(
        OUTPUT ${out}/product_data.cpp ${out}/product_blob.S ${out}/product_blob.obj ${out}/product_table.bin
        COMMAND ${GENPRODUCT_EXE} --description ${description} --out-dir ${out}
                --machine ${CMAKE_SYSTEM_PROCESSOR} ${define_args} --depfile ${out}/product_data.d
        DEPENDS ${description} ${out}/arguments.txt ${GENPRODUCT_EXE} host_tools ${ARG_DEPENDS}
        DEPFILE ${out}/product_data.d
        COMMENT "Generating product data ${name}"
        # Ninja passes the generator's progress reports on as they come only
        # from the console pool; other steps still run beside it.
        USES_TERMINAL
        VERBATIM)
    add_library(${name} OBJECT ${out}/product_data.cpp ${out}/product_blob.S)
    target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR})
    set_source_files_properties(${out}/product_blob.S PROPERTIES OBJECT_DEPENDS "${out}/product_table.bin")
    # The chunk bytes come as an object file of their own, in pieces (see
    # tools/genproduct/blob_object.h); whatever links the table links them.
    target_link_libraries(${name} INTERFACE ${out}/product_blob.obj)
endfunction()

function(add_payload_names name)
    cmake_parse_arguments(ARG "" "DESCRIPTION" "" ${ARGN})
    get_filename_component(description ${ARG_DESCRIPTION} ABSOLUTE)
    set(out ${CMAKE_CURRENT_BINARY_DIR}/${name}.gen)
    file(MAKE_DIRECTORY ${out})
    _arguments_stamp(${out} "${description}")
    add_custom_command(
        OUTPUT ${out}/payload_names.cpp
        COMMAND ${GENPRODUCT_EXE} --description ${description} --out-dir ${out} --names-only
        DEPENDS ${description} ${out}/arguments.txt ${GENPRODUCT_EXE} host_tools
        COMMENT "Generating payload names ${name}"
        VERBATIM)
    add_library(${name} OBJECT ${out}/payload_names.cpp)
    target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR})
endfunction()

function(add_product_resources target)
    cmake_parse_arguments(ARG "" "DESCRIPTION;ROLE;FILE_NAME;SCRIPT" "" ${ARGN})
    get_filename_component(description ${ARG_DESCRIPTION} ABSOLUTE)
    set(out ${CMAKE_CURRENT_BINARY_DIR}/${target}.identity)
    file(MAKE_DIRECTORY ${out})
    set(identity ${out}/product_identity.rc ${out}/product.manifest ${out}/product.ico)
    _arguments_stamp(${out} "${description} ${ARG_ROLE} ${ARG_FILE_NAME}")
    add_custom_command(
        OUTPUT ${identity}
        COMMAND ${GENPRODUCT_EXE} --description ${description} --out-dir ${out}
                --identity ${ARG_ROLE} --file-name ${ARG_FILE_NAME}
                --default-icon ${CMAKE_SOURCE_DIR}/resources/default.ico --depfile ${out}/identity.d
        DEPENDS ${description} ${out}/arguments.txt ${GENPRODUCT_EXE} host_tools
        DEPFILE ${out}/identity.d
        COMMENT "Generating the identity of ${target}"
        VERBATIM)
    # A target of its own, so that the identity is made while the payload is
    # being compressed rather than after it: the program's own steps wait for
    # every target it links, the product data included.
    add_custom_target(${target}_identity DEPENDS ${identity})
    add_dependencies(${target} ${target}_identity)
    # A script of this target's own, so that it is recompiled when this
    # product's identity changes; windres does not see the files that the
    # scripts pull in, so they are listed.
    file(CONFIGURE OUTPUT ${out}/resources.rc
        CONTENT "// Generated: ${ARG_SCRIPT} with the identity of ${target}.\n#include \"${ARG_SCRIPT}\"\n" @ONLY)
    get_filename_component(script_dir ${ARG_SCRIPT} DIRECTORY)
    file(GLOB script_headers ${script_dir}/*.h)
    set_source_files_properties(${out}/resources.rc PROPERTIES OBJECT_DEPENDS "${ARG_SCRIPT};${script_headers};${identity}")
    target_sources(${target} PRIVATE ${out}/resources.rc)
    # The generated script and the files it names are found through this.
    target_include_directories(${target} PRIVATE ${out})
endfunction()

# One function makes every product's uninstaller, so that what each
# uninstaller needs after linking can be added here once.
function(add_product_uninstaller name)
    cmake_parse_arguments(ARG "" "DESCRIPTION" "" ${ARGN})
    add_payload_names(${name}_names DESCRIPTION ${ARG_DESCRIPTION})
    add_executable(${name} WIN32)
    # Static imports only of the system's core libraries; the shell is loaded
    # from the system folder at run time (common/system_calls.h).
    target_link_libraries(${name} PRIVATE rtuninst_objects ${name}_names varnlet_uninstall_logic common_helpers
        advapi32 user32)
    add_product_resources(${name} DESCRIPTION ${ARG_DESCRIPTION} ROLE uninstaller FILE_NAME rtuninst.exe
        SCRIPT ${CMAKE_SOURCE_DIR}/varnlet/rtuninst/rtuninst.rc)
    set_target_properties(${name} PROPERTIES OUTPUT_NAME rtuninst)
    # Signed (when the build signs) before an installer packs it, so the
    # installed copy carries the signature too.
    sign_after_link(${name})
endfunction()

# Whether the description lists a payload file "rtuninst.exe" of its own.
# A description that cannot be read here counts as listing none; the
# generator then says what is wrong with it.
function(_description_lists_uninstaller description result)
    set(${result} FALSE PARENT_SCOPE)
    if(NOT EXISTS ${description})
        return()
    endif()
    set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${description})
    query_product_description(${description})
    if(PRODUCT_LISTS_UNINSTALLER)
        set(${result} TRUE PARENT_SCOPE)
    endif()
endfunction()

function(add_installer name)
    cmake_parse_arguments(ARG "" "DESCRIPTION;OUTPUT_NAME;PIECE_BYTES" "DEFINES;DEPENDS" ${ARGN})
    get_filename_component(description ${ARG_DESCRIPTION} ABSOLUTE)
    set(data_args)
    _description_lists_uninstaller(${description} brings_uninstaller)
    if(NOT brings_uninstaller)
        add_product_uninstaller(${name}_uninstaller DESCRIPTION ${description})
        # Beside other products' rtuninst.exe in the same folder.
        set_target_properties(${name}_uninstaller PROPERTIES
            RUNTIME_OUTPUT_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}/${name}.uninstaller)
        set(data_args UNINSTALLER $<TARGET_FILE:${name}_uninstaller>)
        list(APPEND ARG_DEPENDS ${name}_uninstaller)
    endif()
    if(ARG_PIECE_BYTES)
        list(APPEND data_args PIECE_BYTES ${ARG_PIECE_BYTES})
    endif()
    add_product_data(${name}_data DESCRIPTION ${description} DEFINES ${ARG_DEFINES} DEPENDS ${ARG_DEPENDS}
        ${data_args})
    add_executable(${name} WIN32)
    target_link_libraries(${name} PRIVATE installer_entry installer_compact_crc32 ${name}_data varnlet_setup_core)
    target_link_options(${name} PRIVATE -Wl,-T,${CMAKE_SOURCE_DIR}/cmake/payload_last.ld
                        -Wl,-T,${CMAKE_SOURCE_DIR}/cmake/no_unwind_tables.ld)
    set_property(TARGET ${name} APPEND PROPERTY LINK_DEPENDS ${CMAKE_SOURCE_DIR}/cmake/payload_last.ld
                                                             ${CMAKE_SOURCE_DIR}/cmake/no_unwind_tables.ld)
    target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR})
    set(file_name ${name})
    if(ARG_OUTPUT_NAME)
        set_target_properties(${name} PROPERTIES OUTPUT_NAME ${ARG_OUTPUT_NAME})
        set(file_name ${ARG_OUTPUT_NAME})
    endif()
    add_product_resources(${name} DESCRIPTION ${description} ROLE installer FILE_NAME ${file_name}.exe
        SCRIPT ${CMAKE_SOURCE_DIR}/resources/installer.rc)
    sign_after_link(${name})
endfunction()
