#!/bin/bash
# Authenticode signing of the programs a build makes, when the environment
# asks for it:
#   VARNLET_SIGN_PKCS12         PKCS#12 file with the certificate and its key
#                               (unset or empty: nothing is signed)
#   VARNLET_SIGN_PASSWORD_FILE  a file holding its password (unset for none)
#   VARNLET_SIGN_PASSWORD       or the password itself, when this script is
#                               run by hand; never in a build's environment,
#                               where every compiler and test would see it
#                               (scripts/build.sh turns it into a file)
#   VARNLET_SIGN_TIMESTAMP_URL  RFC 3161 time-stamp server (optional)
#
# usage: sign-program.sh FILE...
#   Signs each FILE in place with SHA-256 and records the signed program's
#   digest in FILE.signed. A FILE that cannot be signed is deleted and the
#   script fails naming it and the reason, so that no later step (packing, a
#   rebuild that thinks it is up to date) takes the unsigned program for a
#   finished one.
# usage: sign-program.sh --check-named-in PATH_FILE
#   Run before the program whose path PATH_FILE holds is brought up to date.
#   When signing is on and that program is not the one PROGRAM.signed
#   records (its build was killed between the link and the signing),
#   deletes it, so that it is linked and signed again.
# usage: sign-program.sh --state STATE_FILE
#   Writes what the signing settings are (on/off, a digest of the PKCS#12
#   file, the time-stamp server; never the password) to STATE_FILE, touching
#   it only when they changed. Programs that relink on a change of that file
#   can therefore never stay signed or unsigned from an earlier build.
set -uo pipefail

p12=${VARNLET_SIGN_PKCS12:-}
password_file=${VARNLET_SIGN_PASSWORD_FILE:-}
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
    elif [ -n "$password_file" ] && { [ ! -f "$password_file" ] || [ ! -r "$password_file" ]; }; then
        echo "VARNLET_SIGN_PASSWORD_FILE names '$password_file', which is not a readable file"
    elif [ -n "$password_file" ] && [ -n "${VARNLET_SIGN_PASSWORD:-}" ]; then
        echo "both VARNLET_SIGN_PASSWORD and VARNLET_SIGN_PASSWORD_FILE are set; set one"
    fi
}

# The digest FILE.signed records for a signed FILE.
digest_of() { sha256sum <"$1" | cut -d' ' -f1; }

write_state() {
    local state=$1 text
    if [ -z "$p12" ]; then
        text="signing: off"
    else
        local problem
        problem=$(settings_problem)
        [ -z "$problem" ] || fail "signing was asked for, but $problem"
        # This runs inside the build: whatever is in its environment, every
        # compiler, the generator and the test programs have too.
        [ -z "${VARNLET_SIGN_PASSWORD:-}" ] ||
            fail "VARNLET_SIGN_PASSWORD is set in the build's environment, where every step of the build sees it; build with scripts/build.sh, which hands it to the signing alone, or put it in a file only you can read and name that in VARNLET_SIGN_PASSWORD_FILE"
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
    # osslsigncode reads the password from the file, or through a pipe from
    # a shell built-in, so no process's command line or environment shows
    # it. (osslsigncode refuses an empty one read so.)
    if [ -s "$password_file" ]; then
        arguments+=(-readpass "$password_file")
    elif [ -n "${VARNLET_SIGN_PASSWORD:-}" ]; then
        arguments+=(-readpass /dev/stdin)
    fi
    rm -f "$temporary" "$file.signed"
    output=$(printf '%s' "${VARNLET_SIGN_PASSWORD:-}" | osslsigncode "${arguments[@]}" 2>&1)
    status=$?
    if [ $status -eq 0 ] && [ -s "$temporary" ] && chmod --reference="$file" "$temporary" &&
        mv -f "$temporary" "$file" && digest_of "$file" >"$file.signed"; then
        return 0
    fi
    rm -f "$temporary" "$file" "$file.signed"
    local reason
    if grep -qi -e "wrong password" -e "mac verify failure" <<<"$output"; then
        reason="the password (VARNLET_SIGN_PASSWORD or the file VARNLET_SIGN_PASSWORD_FILE names) does not open '$p12'"
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

# FILE as signed by sign_one, or gone.
check_signed() {
    local file=$1
    [ -n "$p12" ] && [ -e "$file" ] || return 0
    if [ ! -f "$file.signed" ] || [ "$(digest_of "$file")" != "$(cat "$file.signed")" ]; then
        echo "sign-program: $file was linked but not signed (an earlier build stopped in between); it is made again."
        rm -f "$file" "$file.signed" || fail "cannot delete the unsigned $file"
    fi
}

case "${1:-}" in
--state)
    [ $# -eq 2 ] || fail "usage: sign-program.sh --state STATE_FILE"
    write_state "$2"
    exit 0
    ;;
--check-named-in)
    [ $# -eq 2 ] && [ -f "$2" ] || fail "usage: sign-program.sh --check-named-in PATH_FILE"
    check_signed "$(cat "$2")"
    exit 0
    ;;
esac
[ $# -ge 1 ] || fail "usage: sign-program.sh FILE..."
if [ -z "$p12" ]; then
    # Unsigned: no record of an earlier signature stays beside the program.
    for file in "$@"; do rm -f "$file.signed"; done
    exit 0
fi

problem=$(settings_problem)
if [ -n "$problem" ]; then
    for file in "$@"; do rm -f "$file" "$file.signed"; done
    fail "cannot sign $*: $problem; deleted the unsigned file(s)."
fi
for file in "$@"; do
    [ -f "$file" ] || fail "cannot sign $file: there is no such file"
    sign_one "$file" || exit 1
done
