#!/bin/bash
# Turns a product description into a finished installer in one command.
# usage: scripts/make-installer.sh [--define NAME=VALUE]... DESCRIPTION.json OUT.exe
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
me=make-installer

usage() {
    cat <<EOF
usage: scripts/make-installer.sh [--define NAME=VALUE]... DESCRIPTION.json OUT.exe

Builds a single-file installer for the product that DESCRIPTION.json describes
and writes it to OUT.exe. No CMake file is edited: the installer code is built
(the first time) or reused in a build tree of its own,
\${BUILD_DIR:-build}/make-installer/, which later runs share.

The description (UTF-8 JSON, see product/varnlet/varnlet.json; every field is
explained in docs/DESCRIPTION.md) holds:
  config      the thirteen configuration fields (productName, folderName, ...)
  licence     the licence text file (its line ends are made CR CR LF)
  files       the payload in table order: name, source (a file, or a folder
              whose files all go under name), optional time (ISO-8601 UTC;
              default: the source file's modification time)
  version     optional, "1.2.3.4": version resource, manifest, "DisplayVersion"
  publisher   optional: version resource ("CompanyName") and "Publisher"
  copyright   optional: version resource ("LegalCopyright")
  icon        optional .ico file: the installer's and the uninstaller's icon
  codePage    optional ANSI code page of the installer's texts (default 1252;
              874, 932, 936, 949, 950 and 1250 to 1258); a character it
              cannot hold is refused
  \$schema     optional: tools/genproduct/description.schema.json, for editors
Paths are relative to the description. Unless the files list an rtuninst.exe of
their own, the installer carries this project's uninstaller, made for the product.

  --define NAME=VALUE   replaces \${NAME} in the description's source paths
  --help                shows this text

With VARNLET_SIGN_PKCS12 (and VARNLET_SIGN_PASSWORD, VARNLET_SIGN_TIMESTAMP_URL)
set, the installer and the uninstaller it carries are signed (see the README).

OUT.exe is a file name, not a folder. One build runs at a time per build tree
(a second one says that it waits); a long build shows how much of the payload
is compressed; each run has a log of its own under logs/ in the build tree,
kept when the run fails. The installer is not kept in the build tree.

Errors name the file, the field and the reason. Needs the packages of
scripts/install-deps.sh, which it runs first (as root it installs what is missing).
EOF
}

fail() {
    echo "$me: $*" >&2
    exit 1
}

defines=()
positional=()
while [ $# -gt 0 ]; do
    case "$1" in
        -h|--help) usage; exit 0 ;;
        --define)
            [ $# -ge 2 ] || fail "--define: needs NAME=VALUE"
            [[ "$2" =~ ^[A-Za-z_][A-Za-z0-9_]*=[^\;]*$ ]] || fail "--define: \"$2\" is not NAME=VALUE (a value may not hold ';')"
            defines+=("$2")
            shift 2 ;;
        --define=*)
            value=${1#--define=}
            [[ "$value" =~ ^[A-Za-z_][A-Za-z0-9_]*=[^\;]*$ ]] || fail "--define: \"$value\" is not NAME=VALUE (a value may not hold ';')"
            defines+=("$value")
            shift ;;
        --) shift; positional+=("$@"); break ;;
        -*) fail "unknown option $1 (see --help)" ;;
        *) positional+=("$1"); shift ;;
    esac
done
[ ${#positional[@]} -eq 2 ] || { usage >&2; exit 2; }
description=${positional[0]}
output=${positional[1]}

# Signing (VARNLET_SIGN_PKCS12 and the others, see the README) happens in the
# build steps, which run in folders of their own: the key file is named by its
# absolute path.
if [ -n "${VARNLET_SIGN_PKCS12:-}" ]; then
    VARNLET_SIGN_PKCS12=$(realpath -m -- "$VARNLET_SIGN_PKCS12")
    export VARNLET_SIGN_PKCS12
fi

# What can be checked before anything is built.
[ -f "$description" ] || fail "$description: no such file"
[ -r "$description" ] || fail "$description: cannot be read"
case "$description" in *\;*) fail "$description: a description path may not hold ';'" ;; esac
description=$(cd "$(dirname "$description")" && pwd)/$(basename "$description")
# A folder, or a path ending in a separator, names no installer file.
case "$output" in */) fail "$output: ends in a separator; give the installer's file name, like DIR/Setup.exe" ;; esac
[ -d "$output" ] && fail "$output: is a folder; give the installer's file name, like $output/Setup.exe"
output_name=$(basename "$output")
[[ "$output_name" == *.exe ]] || fail "$output: the installer's file name must end in .exe"
output_stem=${output_name%.exe}
[[ "$output_stem" =~ ^[A-Za-z0-9._\ -]+$ ]] ||
    fail "$output: the file name may hold only letters, digits, blanks, dots, hyphens and underscores"
output_dir=$(dirname "$output")
[ -d "$output_dir" ] || fail "$output: the folder $output_dir does not exist"
[ -w "$output_dir" ] || fail "$output: the folder $output_dir cannot be written"
output=$(cd "$output_dir" && pwd)/$output_name

"$root/scripts/install-deps.sh"

build=${BUILD_DIR:-$root/build}/make-installer
mkdir -p "$build/logs"
# A log of this run's own, kept when the run fails (the message names it).
log=$(mktemp "$build/logs/make-installer-$(date -u +%Y%m%dT%H%M%SZ)-XXXXXX.log")
# One run at a time per build tree.
exec 9>"$build/.lock"
if ! flock -n 9; then
    echo "$me: another build in $build is running; waiting for it to finish"
    flock 9
fi

# Shows why the build stopped: the generator's own messages (file, field,
# reason) when it refused the description, else the end of the build log.
explain_failure() {
    local refusals
    refusals=$(grep -a '^genproduct: ' "$log" | grep -av '^genproduct: compressed ' || true)
    if [ -n "$refusals" ]; then
        echo "$refusals" | sed "s/^genproduct: /$me: /" | awk '!seen[$0]++' >&2
    else
        echo "$me: $1 failed; the end of $log:" >&2
        grep -av '^genproduct: compressed ' "$log" | tail -n 30 >&2
    fi
    echo "$me: the whole log: $log" >&2
    exit 1
}

define_list=$(IFS=';'; echo "${defines[*]:-}")
# Installers ship as i686 programs. The test suite on a kernel that runs no
# 32-bit code asks for an x86_64 build of the same installer instead.
arch=${VARNLET_WINDOWS_ARCH:-i686}
case "$arch" in i686 | x86_64) ;; *) fail "VARNLET_WINDOWS_ARCH must be i686 or x86_64, not '$arch'" ;; esac
echo "$me: building the installer for $description (log: $log)"
# A tree configured for this description, name and defines already is not
# configured again: the build itself configures anew when the description or
# a CMake file has changed since.
configured_for_this() {
    local cache=$build/CMakeCache.txt
    [ -f "$cache" ] && [ -f "$build/extra_product_setup.path" ] &&
        grep -qxF "CMAKE_GENERATOR:INTERNAL=Ninja" "$cache" &&
        grep -qxF "EXTRA_PRODUCT_DESCRIPTION:FILEPATH=$description" "$cache" &&
        grep -qxF "EXTRA_PRODUCT_OUTPUT_NAME:STRING=$output_stem" "$cache" &&
        grep -qxF "EXTRA_PRODUCT_DEFINES:STRING=$define_list" "$cache"
}
: >"$log"
# The tree is built with Ninja: checking what is up to date costs it next to
# nothing, where make walks every target and converts the payload's long
# dependency lists on each run (about a second with thousands of files). A
# tree that earlier versions of this command made with make is configured
# anew (CMake keeps one generator per tree); what it built is built again once.
for cache in "$build/CMakeCache.txt" "$build/host/CMakeCache.txt"; do
    if [ -f "$cache" ] && ! grep -qxF "CMAKE_GENERATOR:INTERNAL=Ninja" "$cache"; then
        rm -rf "$cache" "$(dirname "$cache")/CMakeFiles"
    fi
done
if ! configured_for_this && ! cmake -G Ninja -S "$root" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-$arch.cmake" \
        -DVARNLET_BUILD_TESTS=OFF \
        -DEXTRA_PRODUCT_DESCRIPTION="$description" \
        -DEXTRA_PRODUCT_OUTPUT_NAME="$output_stem" \
        -DEXTRA_PRODUCT_DEFINES="$define_list" >"$log" 2>&1; then
    explain_failure "configuring the build tree"
fi
# Every line of the build goes into the log as it comes, and the generator's
# reports of how much of the payload it has compressed (at most one a second)
# are shown as well. The build's exit status is kept in a file: a pipeline's
# is that of its last command.
status_file=$build/.build-status
rm -f "$status_file"
{
    status=0
    GENPRODUCT_PROGRESS=1 cmake --build "$build" --target extra_product_setup --parallel "$(nproc)" 2>&1 || status=$?
    echo "$status" >"$status_file"
} | awk -v me="$me" -v logfile="$log" '
    { print >>logfile; fflush(logfile) }
    /^genproduct: compressed / { sub(/^genproduct: /, me ": "); print; fflush() }' &
builder=$!
trap 'kill "$builder" 2>/dev/null' INT TERM
wait "$builder" || true
[ "$(cat "$status_file" 2>/dev/null)" = 0 ] || explain_failure "the build"

built=$(cat "$build/extra_product_setup.path")
[ -f "$built" ] || fail "the build made no $built"
# Through a temporary file, so that a failed copy leaves no half installer.
temporary=$output.tmp$$
cp "$built" "$temporary" || { rm -f "$temporary"; fail "$output: cannot be written"; }
mv -f "$temporary" "$output" || { rm -f "$temporary"; fail "$output: cannot be written"; }
# The build tree keeps no copy of the installer (the next run links it anew).
rm -f "$built"
rm -f "$log"
echo "$me: wrote $output ($(stat -c %s "$output") bytes)"
