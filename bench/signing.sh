#!/bin/bash
# What Authenticode signing costs a Varnlet installer build, side by side
# with an unsigned build in the same run: the size of the installer and of
# the two programs it packs, and the time of the build steps signing adds to
# (linking vrl32.exe and rtuninst.exe, packing them, linking the installer),
# timed by relinking those three after deleting them. Signed with a
# throw-away self-signed RSA-3072 certificate, without a time stamp (a
# time-stamp server adds its round trips and a few KB of its certificates).
# usage: bench/signing.sh [RUNS]     (default: 5, alternating unsigned/signed)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
runs=${1:-5}
out=$root/build-bench/signing
tree=$out/tree
mkdir -p "$out/keys" "$out/unsigned" "$out/signed"
unset VARNLET_SIGN_PKCS12 VARNLET_SIGN_PASSWORD VARNLET_SIGN_TIMESTAMP_URL

openssl req -x509 -newkey rsa:3072 -sha256 -days 2 -nodes -subj "/CN=Varnlet benchmark signer" \
    -addext "extendedKeyUsage=codeSigning" -keyout "$out/keys/key.pem" -out "$out/keys/cert.pem" >/dev/null 2>&1
openssl pkcs12 -export -inkey "$out/keys/key.pem" -in "$out/keys/cert.pem" -out "$out/keys/signer.p12" \
    -passout pass:bench >/dev/null 2>&1

programs=(varnlet/vrl32.exe varnlet/rtuninst.exe product/VarnletSetup.exe)
build() { BUILD_DIR=$tree "$root/scripts/build.sh" --target VarnletSetup >/dev/null; }
signed_build() { VARNLET_SIGN_PKCS12=$out/keys/signer.p12 VARNLET_SIGN_PASSWORD=bench build; }
echo "first build of $tree (compiles everything once)"
build

median() { sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }
# Relinks the three programs (and repacks) with the given build function;
# appends the seconds to $out/LABEL.runs and keeps the programs in $out/LABEL.
relink() { # LABEL BUILD_FUNCTION
    local label=$1 how=$2 start end program
    # The settings change between the two labels, so the first build of each
    # round also relinks; deleting the programs makes every run do the same.
    $how
    for program in "${programs[@]}"; do rm -f "$tree/$program"; done
    start=$(date +%s.%N)
    $how
    end=$(date +%s.%N)
    awk -v a="$start" -v b="$end" 'BEGIN { printf "%.3f\n", b - a }' >>"$out/$label.runs"
    for program in "${programs[@]}"; do cp "$tree/$program" "$out/$label/"; done
}
: >"$out/unsigned.runs"
: >"$out/signed.runs"
for _ in $(seq "$runs"); do
    relink unsigned build
    relink signed signed_build
done
build  # leave the tree unsigned

size() { stat -c %s "$1"; }
printf '%-18s %12s %12s %10s %12s\n' "" "unsigned B" "signed B" "added B" "ratio"
for program in "${programs[@]}"; do
    name=${program##*/}
    u=$(size "$out/unsigned/$name")
    s=$(size "$out/signed/$name")
    printf '%-18s %12d %12d %10d %12.4f\n' "$name" "$u" "$s" $((s - u)) "$(awk -v a="$s" -v b="$u" 'BEGIN { print a / b }')"
done
u_s=$(median <"$out/unsigned.runs")
s_s=$(median <"$out/signed.runs")
printf '\nlink + pack + link, median of %d runs: unsigned %.2f s, signed %.2f s, ratio %.2f\n' \
    "$runs" "$u_s" "$s_s" "$(awk -v a="$s_s" -v b="$u_s" 'BEGIN { print a / b }')"
osslsigncode verify -in "$out/signed/VarnletSetup.exe" -CAfile "$out/keys/cert.pem" >/dev/null 2>&1 &&
    echo "the signed installer verifies against the benchmark certificate"
