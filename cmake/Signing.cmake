# Authenticode signing, asked for at build time through the environment
# (VARNLET_SIGN_PKCS12, VARNLET_SIGN_PASSWORD, VARNLET_SIGN_TIMESTAMP_URL; see
# scripts/sign-program.sh). Off when they are unset.
#
# sign_after_link(TARGET)
#   Signs TARGET's program in place right after it is linked, so that
#   whatever packs it later packs the signed copy. TARGET relinks whenever
#   the signing settings change, so a build tree never keeps programs signed
#   or unsigned by an earlier build.

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
    add_dependencies(${target} signing_state)
    set_property(TARGET ${target} APPEND PROPERTY LINK_DEPENDS ${SIGNING_STATE})
    add_custom_command(TARGET ${target} POST_BUILD
        COMMAND ${SIGN_PROGRAM} $<TARGET_FILE:${target}>
        VERBATIM)
endfunction()
