# Builds the host part (generator, native tests) with the host compiler as an
# external project, so one configure of the cross build brings both.
include(ExternalProject)

set(HOST_BINARY_DIR ${CMAKE_BINARY_DIR}/host)
set(GENPRODUCT_EXE ${HOST_BINARY_DIR}/genproduct/genproduct)

set(_host_tools_arguments -DCMAKE_BUILD_TYPE=Release -DCMAKE_C_COMPILER=cc -DCMAKE_CXX_COMPILER=c++
    -DVARNLET_BUILD_TESTS=${VARNLET_BUILD_TESTS})

ExternalProject_Add(host_tools
    SOURCE_DIR ${CMAKE_SOURCE_DIR}/cmake/host
    BINARY_DIR ${HOST_BINARY_DIR}
    CMAKE_ARGS ${_host_tools_arguments}
    BUILD_ALWAYS ON
    INSTALL_COMMAND ""
    BUILD_BYPRODUCTS ${GENPRODUCT_EXE}
    USES_TERMINAL_BUILD ON)

# Asks the generator what configuring must know about a product description
# (genproduct --query) and sets the answers (PRODUCT_...) in the caller's scope.
# The description is read once, whatever the number of its files. The
# generator is built here first when this build tree has none yet, or when
# the one it has does not answer (made from older sources). A description the
# generator refuses leaves the answers unset; the build's own run of the
# generator then says what is wrong with it.
function(query_product_description description)
    set(answers ${CMAKE_CURRENT_BINARY_DIR}/query.cmake)
    set(query ${GENPRODUCT_EXE} --description ${description} --query ${answers})
    file(REMOVE ${answers})
    set(status 1)
    if(EXISTS ${GENPRODUCT_EXE})
        execute_process(COMMAND ${query} RESULT_VARIABLE status OUTPUT_QUIET ERROR_QUIET)
    endif()
    if(NOT status EQUAL 0)
        if(NOT EXISTS ${HOST_BINARY_DIR}/CMakeCache.txt)
            execute_process(COMMAND ${CMAKE_COMMAND} -G ${CMAKE_GENERATOR} ${_host_tools_arguments}
                                    -S ${CMAKE_SOURCE_DIR}/cmake/host -B ${HOST_BINARY_DIR}
                            RESULT_VARIABLE configured OUTPUT_QUIET)
        endif()
        execute_process(COMMAND ${CMAKE_COMMAND} --build ${HOST_BINARY_DIR} --target genproduct
                        RESULT_VARIABLE built OUTPUT_QUIET)
        if(NOT built EQUAL 0)
            message(FATAL_ERROR "The product-data generator could not be built in ${HOST_BINARY_DIR}")
        endif()
        execute_process(COMMAND ${query} RESULT_VARIABLE status OUTPUT_QUIET ERROR_QUIET)
    endif()
    if(status EQUAL 0)
        include(${answers})
        set(PRODUCT_LISTS_UNINSTALLER ${PRODUCT_LISTS_UNINSTALLER} PARENT_SCOPE)
    else()
        unset(PRODUCT_LISTS_UNINSTALLER PARENT_SCOPE)
    endif()
endfunction()
