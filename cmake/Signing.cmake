# Authenticode signing, asked for at build time through the environment
# (VARNLET_SIGN_PKCS12, VARNLET_SIGN_PASSWORD_FILE, VARNLET_SIGN_TIMESTAMP_URL;
# see scripts/sign-program.sh). Off when they are unset.
#
# sign_after_link(TARGET)
#   Signs TARGET's program in place right after it is linked, so that
#   whatever packs it later packs the signed copy. TARGET relinks whenever
#   the signing settings change, so a build tree never keeps programs signed
#   or unsigned by an earlier build, and whenever its program is not the one
#   its last signing recorded (a build killed between the link and the
#   signing), so an unsigned program is never taken for a finished one.

set(SIGN_PROGRAM ${CMAKE_SOURCE_DIR}/scripts/sign-program.sh)
set(SIGNING_STATE ${CMAKE_BINARY_DIR}/signing/state)
if(NOT EXISTS ${SIGNING_STATE})
    # Make needs the file before the first build writes it.
    file(WRITE ${SIGNING_STATE} "not yet known\n")
endif()

# Runs on every build; rewrites the state file only when the settings
# changed, and stops the build at once when signing is asked for but the
# PKCS#12 file or osslsigncode is missing.
add_custom_target(signing_state
    COMMAND ${SIGN_PROGRAM} --state ${SIGNING_STATE}
    BYPRODUCTS ${SIGNING_STATE}
    VERBATIM)

function(sign_after_link target)
    # The program's path reaches the check through a file: naming the target
    # in the check's command would make the check depend on the program.
    set(path_file ${CMAKE_BINARY_DIR}/signing/${target}.path)
    file(GENERATE OUTPUT ${path_file} CONTENT "$<TARGET_FILE:${target}>")
    add_custom_target(${target}_signing_check
        COMMAND ${SIGN_PROGRAM} --check-named-in ${path_file}
        VERBATIM)
    add_dependencies(${target} signing_state ${target}_signing_check)
    set_property(TARGET ${target} APPEND PROPERTY LINK_DEPENDS ${SIGNING_STATE})
    add_custom_command(TARGET ${target} POST_BUILD
        COMMAND ${SIGN_PROGRAM} $<TARGET_FILE:${target}>
        VERBATIM)
endfunction()
