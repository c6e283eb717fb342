# Builds the host part (generator, native tests) with the host compiler as an
# external project, so one configure of the cross build brings both.
include(ExternalProject)

set(HOST_BINARY_DIR ${CMAKE_BINARY_DIR}/host)
set(GENPRODUCT_EXE ${HOST_BINARY_DIR}/genproduct/genproduct)

ExternalProject_Add(host_tools
    SOURCE_DIR ${CMAKE_SOURCE_DIR}/cmake/host
    BINARY_DIR ${HOST_BINARY_DIR}
    CMAKE_ARGS -DCMAKE_BUILD_TYPE=Release -DCMAKE_C_COMPILER=cc -DCMAKE_CXX_COMPILER=c++
               -DVARNLET_BUILD_TESTS=${VARNLET_BUILD_TESTS}
    BUILD_ALWAYS ON
    INSTALL_COMMAND ""
    BUILD_BYPRODUCTS ${GENPRODUCT_EXE}
    USES_TERMINAL_BUILD ON)
