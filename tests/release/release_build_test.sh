#!/bin/bash
# What a release build promises, checked in a build tree of its own beside
# the main one:
#
# release_build_test.sh builds SOURCE MAIN_BUILD WORK MAIN_SETUP MAIN_VRL32 MAIN_RTUNINST
#   1. An unsigned build in another folder gives VarnletSetup.exe, vrl32.exe
#      and rtuninst.exe byte for byte as the main build has them.
#   2. With a throw-away self-signed certificate in VARNLET_SIGN_PKCS12 the
#      same tree builds a signed installer: osslsigncode verifies it (SHA-256)
#      against that certificate and not against another; a copy with one
#      payload byte flipped fails; the signed programs with their signatures
#      removed are the unsigned ones. The signed installer and the
#      certificate are kept in WORK/signed for the install step.
#   3. Builds that cannot sign stop, naming the file and the reason, and
#      leave no unsigned program behind; so does the signing script run by
#      itself. A build whose environment holds the password stops before
#      any step could see it. A program left linked but unsigned (a build
#      killed in between) is signed by the next build.
#   4. Unsigned again: the tree gives the bytes of step 1 (no program stays
#      signed from step 2).
#
# release_build_test.sh install WINE_ENV_DIR COLLECTOR WORK
#   Installs the signed installer of step 2 under Wine like a person and
#   verifies the signatures of vrl32.exe and rtuninst.exe as installed.
set -uo pipefail
# The checks decide for themselves whether to sign.
unset VARNLET_SIGN_PKCS12 VARNLET_SIGN_PASSWORD VARNLET_SIGN_PASSWORD_FILE VARNLET_SIGN_TIMESTAMP_URL

source "$(dirname "$0")/../support/checks.sh"
passed() { echo "ok: $*"; }

# Verifies FILE's signature against CA (a PEM certificate); prints why not.
verify() {
    local file=$1 ca=$2 output
    output=$(osslsigncode verify -in "$file" -CAfile "$ca" 2>&1) || {
        echo "$output" | tail -n 5
        return 1
    }
    grep -q "Message digest algorithm  : SHA256" <<<"$output" || {
        echo "$file is not signed with SHA-256"
        return 1
    }
}

# Whether FILE has a signature at all, valid or not.
carries_signature() {
    local signature
    signature=$(mktemp -u) || return 1
    osslsigncode extract-signature -in "$1" -out "$signature" >/dev/null 2>&1
    local status=$?
    rm -f "$signature"
    return $status
}

# A self-signed code-signing certificate NAME.pem and NAME.p12 (password
# PASSWORD) in FOLDER.
make_certificate() {
    local folder=$1 name=$2 password=$3
    openssl req -x509 -newkey rsa:2048 -sha256 -days 2 -nodes -subj "/CN=Varnlet $name signer" \
        -addext "extendedKeyUsage=codeSigning" -keyout "$folder/$name.key" -out "$folder/$name.pem" \
        >/dev/null 2>&1 &&
        openssl pkcs12 -export -inkey "$folder/$name.key" -in "$folder/$name.pem" -out "$folder/$name.p12" \
            -passout "pass:$password" >/dev/null 2>&1
}

# Copies INSTALLER to OUT with one byte in the middle of its payload (the
# blob the installer was linked with) flipped.
flip_payload_byte() {
    perl -e '
        local $/;
        open(my $f, "<:raw", $ARGV[0]) or die "$ARGV[0]: $!\n"; my $image = <$f>;
        open(my $b, "<:raw", $ARGV[1]) or die "$ARGV[1]: $!\n"; my $object = <$b>;
        # The chunk bytes in the generated object: from the first section'"'"'s
        # data to the zero byte before the symbol table.
        my ($start, $end) = (unpack("V", substr($object, 40, 4)), unpack("V", substr($object, 8, 4)) - 1);
        my $blob = substr($object, $start, $end - $start);
        my $at = index($image, substr($blob, 0, 256));
        die "the payload is not in $ARGV[0]\n" if $at < 0;
        $at += int(length($blob) / 2);
        substr($image, $at, 1) = chr(ord(substr($image, $at, 1)) ^ 0x01);
        open(my $o, ">:raw", $ARGV[2]) or die "$ARGV[2]: $!\n"; print $o $image;' "$@"
}

builds() {
    local source=$1 main=$2 work=$3 main_setup=$4 main_vrl32=$5 main_rtuninst=$6
    local tree="$work/tree" keys="$work/keys" unsigned="$work/unsigned" signed="$work/signed"
    # Where each program lies within a build tree, as in the main one.
    local programs=("${main_setup#"$main"/}" "${main_vrl32#"$main"/}" "${main_rtuninst#"$main"/}")
    local log="$work/build.log" program
    rm -rf "$keys" "$unsigned" "$signed"
    mkdir -p "$tree" "$keys" "$unsigned" "$signed"
    build() { BUILD_DIR=$tree "$source/scripts/build.sh" --target VarnletSetup >"$log" 2>&1; }

    echo "--- 1. an unsigned build in $tree"
    build || { tail -n 30 "$log"; fail "the unsigned build failed"; return; }
    local main_signed=0
    grep -qx "signing: on" "$main/signing/state" 2>/dev/null && main_signed=1
    for program in "${programs[@]}"; do
        cp "$tree/$program" "$unsigned/" || fail "no $program"
        if carries_signature "$tree/$program"; then
            fail "$program of an unsigned build carries a signature"
        fi
        if [ $main_signed -eq 1 ]; then
            echo "note: the main build was signed, so $program is not compared with it"
        elif cmp -s "$main/$program" "$tree/$program"; then
            passed "$program is the same in $main and $tree"
        else
            fail "$program differs between $main and $tree in $(cmp -l "$main/$program" "$tree/$program" | wc -l) bytes"
        fi
    done

    echo "--- 2. a signed build with a throw-away certificate"
    make_certificate "$keys" release "release password" &&
        make_certificate "$keys" other "other password" || { fail "openssl could not make certificates"; return; }
    VARNLET_SIGN_PKCS12="$keys/release.p12" VARNLET_SIGN_PASSWORD="release password" build ||
        { tail -n 30 "$log"; fail "the signed build failed"; return; }
    for program in "${programs[@]}"; do
        local name=${program##*/}
        verify "$tree/$program" "$keys/release.pem" && passed "$name carries a valid SHA-256 signature" ||
            fail "$program of the signed build does not verify"
        if verify "$tree/$program" "$keys/other.pem" >/dev/null; then
            fail "$program verifies against a certificate that did not sign it"
        fi
        rm -f "$work/stripped"
        osslsigncode remove-signature -in "$tree/$program" -out "$work/stripped" >/dev/null 2>&1
        # The installer packs the signed programs, so only theirs strip back
        # to the unsigned bytes.
        if [ "$name" != "${main_setup##*/}" ]; then
            cmp -s "$work/stripped" "$unsigned/$name" && passed "$name without its signature is the unsigned $name" ||
                fail "$program without its signature differs from the unsigned build's"
        fi
    done
    local setup="$tree/${programs[0]}"
    cp "$setup" "$signed/" && cp "$keys/release.pem" "$keys/other.pem" "$signed/"
    local blob
    blob=$(find "$tree" -path "*/VarnletSetup_data.gen/product_blob.obj" | head -n 1)
    if flip_payload_byte "$setup" "$blob" "$work/flipped.exe"; then
        verify "$work/flipped.exe" "$keys/release.pem" >/dev/null &&
            fail "a signed installer with a flipped payload byte still verifies" ||
            passed "a flipped payload byte breaks the installer's signature"
    else
        fail "could not flip a payload byte of $setup"
    fi

    echo "--- 3. builds that cannot sign stop"
    local vrl32="$tree/${programs[1]}"
    # NAME|PKCS12|PASSWORD|TIMESTAMP URL|what the message says
    local cases=(
        "missing file|$keys/missing.p12|release password||names '$keys/missing.p12', which does not exist"
        "wrong password|$keys/other.p12|release password||does not open '$keys/other.p12'"
        "no time-stamp server|$keys/release.p12|release password|http://127.0.0.1:9/|time-stamp server 'http://127.0.0.1:9/'"
    )
    local entry what p12 password url expected
    for entry in "${cases[@]}"; do
        IFS='|' read -r what p12 password url expected <<<"$entry"
        if VARNLET_SIGN_PKCS12=$p12 VARNLET_SIGN_PASSWORD=$password VARNLET_SIGN_TIMESTAMP_URL=$url build; then
            fail "$what: the build succeeded"
        elif ! grep -qF "$expected" "$log"; then
            tail -n 20 "$log"
            fail "$what: the build stopped without saying \"$expected\""
        elif [ -e "$vrl32" ] && ! carries_signature "$vrl32"; then
            fail "$what: an unsigned $vrl32 was left behind"
        else
            passed "$what: the build stops: $(grep -m1 "sign-program:" "$log")"
        fi
    done

    # The signing script by itself, as a packer outside the build runs it,
    # with the password in its environment and in a file.
    local direct="$work/direct.exe"
    printf '%s' "release password" >"$keys/release.password"
    for how in VARNLET_SIGN_PASSWORD VARNLET_SIGN_PASSWORD_FILE; do
        cp "$unsigned/${programs[1]##*/}" "$direct"
        local output
        if [ $how = VARNLET_SIGN_PASSWORD ]; then
            output=$(VARNLET_SIGN_PKCS12="$keys/other.p12" VARNLET_SIGN_PASSWORD="release password" \
                "$source/scripts/sign-program.sh" "$direct" 2>&1)
        else
            output=$(VARNLET_SIGN_PKCS12="$keys/other.p12" VARNLET_SIGN_PASSWORD_FILE="$keys/release.password" \
                "$source/scripts/sign-program.sh" "$direct" 2>&1)
        fi
        if [ $? -eq 0 ]; then
            fail "sign-program.sh with a wrong password ($how) succeeded"
        elif [ -e "$direct" ]; then
            fail "sign-program.sh with a wrong password ($how) left the unsigned $direct"
        elif ! grep -qF "does not open '$keys/other.p12'" <<<"$output"; then
            fail "sign-program.sh with a wrong password ($how) did not say so: $output"
        else
            passed "sign-program.sh run by itself with a wrong password ($how) deletes the program"
        fi
    done

    # The build itself must not carry the password to its compilers.
    if VARNLET_SIGN_PKCS12="$keys/release.p12" VARNLET_SIGN_PASSWORD="release password" \
        cmake --build "$tree" --target signing_state >"$log" 2>&1; then
        fail "a build with VARNLET_SIGN_PASSWORD in its environment went ahead"
    elif ! grep -q "VARNLET_SIGN_PASSWORD is set in the build's environment" "$log"; then
        tail -n 20 "$log"
        fail "a build with VARNLET_SIGN_PASSWORD in its environment stopped without saying why"
    else
        passed "a build with VARNLET_SIGN_PASSWORD in its environment stops before any step runs"
    fi

    # Killed between link and signing: the program is there, newer than its
    # sources, unsigned.
    VARNLET_SIGN_PKCS12="$keys/release.p12" VARNLET_SIGN_PASSWORD="release password" build ||
        { tail -n 30 "$log"; fail "the signed build after the failed ones failed"; return; }
    cp "$unsigned/${programs[1]##*/}" "$vrl32" && touch "$vrl32"
    if ! VARNLET_SIGN_PKCS12="$keys/release.p12" VARNLET_SIGN_PASSWORD_FILE="$keys/release.password" build; then
        tail -n 30 "$log"
        fail "the build after an interrupted signing failed"
    elif verify "$vrl32" "$keys/release.pem"; then
        passed "a program left unsigned by an interrupted build is signed by the next build"
    else
        fail "the next build took the unsigned $vrl32 of an interrupted one for finished"
    fi

    echo "--- 4. unsigned again in the same tree"
    build || { tail -n 30 "$log"; fail "the second unsigned build failed"; return; }
    for program in "${programs[@]}"; do
        cmp -s "$unsigned/${program##*/}" "$tree/$program" && passed "$program is the same as in step 1" ||
            fail "$program differs from step 1's after a signed build in the same tree"
    done
    [ $main_signed -eq 0 ] || return 77
    return 0
}

install() {
    local wine_env=$1 collector=$2 work=$3 signed="$3/signed"
    windows_path() { local path=${1//\//\\}; echo "Z:$path"; }
    [ -f "$signed/VarnletSetup.exe" ] || { fail "no signed installer in $signed"; return; }
    rm -rf "$work/installed"
    "$(dirname "$0")/../harness/wine-run.sh" "$wine_env" "$collector" \
        "$(windows_path "$signed/VarnletSetup.exe")" "$(windows_path "$work/installed")" ||
        { fail "installing $signed/VarnletSetup.exe under Wine failed"; return; }
    for name in vrl32.exe rtuninst.exe; do
        verify "$work/installed/$name" "$signed/release.pem" && passed "the installed $name carries a valid signature" ||
            fail "the installed $name does not verify"
        if verify "$work/installed/$name" "$signed/other.pem" >/dev/null; then
            fail "the installed $name verifies against a certificate that did not sign it"
        fi
    done
    return 0
}

mode=${1:-}
shift || true
case $mode in
builds) builds "$@" ;;
install) install "$@" ;;
*)
    echo "usage: release_build_test.sh builds|install ..." >&2
    exit 2
    ;;
esac
status=$?
[ $failures -eq 0 ] || exit 1
exit $status
