#!/bin/bash
# The one command on a description whose program is missing: it fails, says
# which file and why in the generator's words, names its log, and leaves an
# installer already at the output path as it was.
# usage: make_installer_refusal_test.sh MAKE_INSTALLER DESCRIPTION SCRATCH
set -u
command=$1 description=$2 scratch=$3
rm -rf "$scratch" && mkdir -p "$scratch"
printf 'the installer of an earlier run\n' >"$scratch/AcmeSetup.exe"
missing=$scratch/not-built/acme.exe

"$command" --define "ACME_EXE=$missing" "$description" "$scratch/AcmeSetup.exe" >"$scratch/out.txt" 2>"$scratch/err.txt"
status=$?
source "$(dirname "$0")/../support/checks.sh"
[ "$status" -eq 1 ] || fail "exit status 1, not $status"
grep -q "^make-installer: .*$missing" "$scratch/err.txt" || fail "the generator's reason, naming the missing file"
log=$(sed -n 's/^make-installer: the whole log: //p' "$scratch/err.txt")
[ -n "$log" ] || fail "the log is named"
[ -s "$log" ] || fail "the log is kept"
grep -qx 'the installer of an earlier run' "$scratch/AcmeSetup.exe" || fail "the earlier installer is untouched"
[ -z "$(find "$scratch" -maxdepth 1 -name 'AcmeSetup.exe.*')" ] || fail "no temporary file is left"
if [ "$failures" -ne 0 ]; then
    echo "--- standard error:"; cat "$scratch/err.txt"
    exit 1
fi
echo "refused as expected:"; cat "$scratch/err.txt"
