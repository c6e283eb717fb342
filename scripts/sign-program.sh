#!/bin/bash
# Authenticode signing of the programs a build makes, when the environment
# asks for it:
#   VARNLET_SIGN_PKCS12         PKCS#12 file with the certificate and its key
#                               (unset or empty: nothing is signed)
#   VARNLET_SIGN_PASSWORD       its password (may be unset for none)
#   VARNLET_SIGN_TIMESTAMP_URL  RFC 3161 time-stamp server (optional)
#
# usage: sign-program.sh FILE...
#   Signs each FILE in place with SHA-256. A FILE that cannot be signed is
#   deleted and the script fails naming it and the reason, so that no later
#   step (packing, a rebuild that thinks it is up to date) takes the
#   unsigned program for a finished one.
# usage: sign-program.sh --state STATE_FILE
#   Writes what the signing settings are (on/off, a digest of the PKCS#12
#   file, the time-stamp server; never the password) to STATE_FILE, touching
#   it only when they changed. Programs that relink on a change of that file
#   can therefore never stay signed or unsigned from an earlier build.
set -uo pipefail

p12=${VARNLET_SIGN_PKCS12:-}
timestamp_url=${VARNLET_SIGN_TIMESTAMP_URL:-}

fail() {
    echo "sign-program: $*" >&2
    exit 1
}

# Why signing cannot start at all; "" when it can.
settings_problem() {
    if ! command -v osslsigncode >/dev/null 2>&1; then
        echo "osslsigncode is not installed (scripts/install-deps.sh installs it)"
    elif [ "${p12#/}" = "$p12" ]; then
        # Build steps run in folders of their own, so a relative path would
        # name a different file in each.
        echo "VARNLET_SIGN_PKCS12 names '$p12', which is not an absolute path"
    elif [ ! -e "$p12" ]; then
        echo "VARNLET_SIGN_PKCS12 names '$p12', which does not exist"
    elif [ ! -f "$p12" ] || [ ! -r "$p12" ]; then
        echo "VARNLET_SIGN_PKCS12 names '$p12', which is not a readable file"
    fi
}

write_state() {
    local state=$1 text
    if [ -z "$p12" ]; then
        text="signing: off"
    else
        local problem
        problem=$(settings_problem)
        [ -z "$problem" ] || fail "signing was asked for, but $problem"
        text="signing: on
pkcs12 sha256: $(sha256sum <"$p12" | cut -d' ' -f1)
timestamp: ${timestamp_url:-none}"
    fi
    mkdir -p "$(dirname "$state")" || fail "cannot create the folder of $state"
    if [ -f "$state" ] && [ "$(cat "$state")" = "$text" ]; then
        exit 0
    fi
    printf '%s\n' "$text" >"$state.new" && mv -f "$state.new" "$state" || fail "cannot write $state"
}

# Signs FILE through a temporary file beside it: FILE is either the finished
# signed program or gone, never half-written.
sign_one() {
    local file=$1 temporary="$1.signing" output status
    local arguments=(sign -pkcs12 "$p12" -h sha256 -in "$file" -out "$temporary")
    [ -z "$timestamp_url" ] || arguments+=(-ts "$timestamp_url")
    # The password goes through a pipe from a shell built-in, so no process's
    # command line shows it. (osslsigncode refuses an empty one read so.)
    [ -z "${VARNLET_SIGN_PASSWORD:-}" ] || arguments+=(-readpass /dev/stdin)
    rm -f "$temporary"
    output=$(printf '%s' "${VARNLET_SIGN_PASSWORD:-}" | osslsigncode "${arguments[@]}" 2>&1)
    status=$?
    if [ $status -eq 0 ] && [ -s "$temporary" ] && chmod --reference="$file" "$temporary" &&
        mv -f "$temporary" "$file"; then
        return 0
    fi
    rm -f "$temporary" "$file"
    local reason
    if grep -qi -e "wrong password" -e "mac verify failure" <<<"$output"; then
        reason="the password in VARNLET_SIGN_PASSWORD does not open '$p12'"
    elif grep -qi -e "timestamping failed" -e "time-stamp" <<<"$output"; then
        reason="the time-stamp server '$timestamp_url' (VARNLET_SIGN_TIMESTAMP_URL) could not be reached or gave no time stamp"
    elif grep -qi -e "pkcs#12" -e "read key or certificates" <<<"$output"; then
        reason="'$p12' is not a PKCS#12 file with a certificate and its key"
    else
        reason="osslsigncode failed (status $status)"
    fi
    echo "sign-program: cannot sign $file: $reason." >&2
    echo "sign-program: the unsigned $file was deleted; osslsigncode said:" >&2
    sed 's/^/    /' <<<"$output" >&2
    return 1
}

if [ "${1:-}" = "--state" ]; then
    [ $# -eq 2 ] || fail "usage: sign-program.sh --state STATE_FILE"
    write_state "$2"
    exit 0
fi
[ $# -ge 1 ] || fail "usage: sign-program.sh FILE..."
[ -n "$p12" ] || exit 0

problem=$(settings_problem)
if [ -n "$problem" ]; then
    rm -f "$@"
    fail "cannot sign $*: $problem; deleted the unsigned file(s)."
fi
for file in "$@"; do
    [ -f "$file" ] || fail "cannot sign $file: there is no such file"
    sign_one "$file" || exit 1
done
