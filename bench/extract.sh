#!/bin/bash
# Extraction benchmark under Wine: ExtractPayload on a payload, side by side in
# the same run with the bare uncompress + fwrite loop over the same chunks (the
# practical limit), the silent install of an NSIS (zlib) installer of the same
# files, and ExtractPayload under the real progress dialog as the installer
# runs it (the dialog's share). Prints medians, ratios, MB/s, and the peak
# private memory that the extraction adds, for the payload and for one an
# eighth of its size (it must not grow with the payload).
# usage: bench/extract.sh [TOTAL_MB | DIR] [RUNS]     (defaults: 64 MB, 7 runs)
#   TOTAL_MB  a synthetic payload of that size (make_payload.sh)
#   DIR       any folder of files: a product's own folder, or a tree of many
#             small files (make_tree.sh OUT 8400); its every eighth file is the
#             small payload. DIR itself is only read.
# BASELINE_CORE=path/libvarnlet_setup_core.a adds the ExtractPayload rows for
#   another build of the core library (before and after a change, one run).
# BENCH_ARCH=x86_64, with BUILD_DIR a build tree configured for x86_64, makes
#   64-bit programs and an amd64 NSIS installer and runs them with wine64 in the
#   benchmark tree's 64-bit prefix: for machines that cannot run 32-bit programs.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
what=${1:-64}
runs=${2:-7}
arch=${BENCH_ARCH:-i686}
out=$root/build-bench/extract
[ "$arch" = i686 ] || out=$out/$arch
source "$root/bench/common.sh"

nsis_target=()
[ "$arch" = i686 ] || nsis_target=(-X"Target amd64-unicode")
windres=${cxx%%-g++*}-windres

# The payload: a synthetic one of TOTAL_MB, or DIR's files linked into a
# folder of the benchmark's own (rtuninst.exe is added there, never to DIR).
if [[ "$what" =~ ^[0-9]+$ ]]; then
    payload=$out/payload$what
    small=$out/payload$((what / 8))
    [ -d "$payload" ] || bash "$shared/bench/make_payload.sh" "$payload" "$what" >/dev/null
    [ -d "$small" ] || bash "$shared/bench/make_payload.sh" "$small" "$((what / 8))" >/dev/null
else
    [ -d "$what" ] || { echo "extract.sh: $what is neither a size in MB nor a folder" >&2; exit 64; }
    source_dir=$(cd "$what" && pwd)
    payload=$out/tree && small=$out/tree-small
    rm -rf "$payload" "$small"
    cp -al "$source_dir" "$payload" 2>/dev/null || cp -a "$source_dir" "$payload"
    mkdir -p "$small"
    (cd "$source_dir" && find . -type f | LC_ALL=C sort | awk 'NR % 8 == 1' |
        while IFS= read -r file; do cp --parents "$file" "$small/"; done)
fi

build_bench() { # PAYLOAD_DIR NAME [CORE_LIBRARY]
    local payload=$1 name=$2 core_library=${3:-$core} gen=$out/gen-$2
    # rtuninst.exe is part of the payload for both tools alike.
    [ -f "$payload/rtuninst.exe" ] || printf 'MZ' >"$payload/rtuninst.exe"
    describe "$payload" "$out/$name.json"
    mkdir -p "$gen"
    "$genproduct" --description "$out/$name.json" --out-dir "$gen" --machine "$bench_arch"
    $cxx -std=c++17 -Os -fno-exceptions -I"$root" -c "$gen/product_data.cpp" -o "$gen/product_data.o"
    $cxx -c "$gen/product_blob.S" -o "$gen/product_blob.o"
    $cxx -std=c++17 -O2 -fno-exceptions -I"$root" -c "$root/bench/extract_bench.cpp" -o "$gen/extract_bench.o"
    # The installer's dialogs; the product's identity is left out.
    : >"$gen/product_identity.rc"
    $windres -I"$gen" -I"$root/resources" "$root/resources/installer.rc" -O coff -o "$gen/resources.o"
    $cxx -static -s -Wl,--gc-sections -Wl,-T,"$root/cmake/payload_last.ld" -o "$out/$name.exe" "$gen/extract_bench.o" "$gen/product_data.o" \
        "$gen/product_blob.o" "$gen/product_blob.obj" "$gen/resources.o" "$core_library" "$zlib" -lpsapi -luuid -ladvapi32 -luser32 -lgdi32
}

build_bench "$payload" bench
build_bench "$small" bench-small
[ -z "${BASELINE_CORE:-}" ] || build_bench "$payload" bench-baseline "$BASELINE_CORE"
makensis -V1 "${nsis_target[@]}" -DCOMP=zlib -DPAYLOAD="$payload" -DOUTFILE="$out/nsis.exe" \
    "$shared/bench/payload.nsi" >/dev/null

start_bench_wine
bytes=$(find "$payload" -type f -printf '%s\n' | awk '{s += $1} END {print s}')

# Each run starts from an empty target; the deletion is synced before timing.
# The commands take turns, one run each per round: on the virtual machines we
# measure on, every write-heavy run is slower than the one before (2.5 s growing
# to 4.9 s over six runs of the same extraction), which would favour whichever
# command hyperfine ran all its runs of first.
fresh="sync"
commands=()
add_command() { # NAME TARGET COMMAND
    mkdir -p "$drive_c/$2"
    commands+=(--command-name "$1" --prepare "rm -rf '$drive_c/$2' && mkdir '$drive_c/$2' && $fresh" "$3")
}
add_command ExtractPayload bench-ours "cd '$drive_c/bench-ours' && $wine '$out/bench.exe' extract 'Z:$out/ours.report'"
add_command 'ExtractPayload + dialog' bench-dialog \
    "cd '$drive_c/bench-dialog' && $wine '$out/bench.exe' dialog 'Z:$out/dialog.report'"
add_command 'bare uncompress+fwrite' bench-bare "cd '$drive_c/bench-bare' && $wine '$out/bench.exe' bare 'Z:$out/bare.report'"
targets="bench-ours bench-dialog bench-bare bench-nsis"
if [ -n "${BASELINE_CORE:-}" ]; then
    add_command 'baseline ExtractPayload' bench-base \
        "cd '$drive_c/bench-base' && $wine '$out/bench-baseline.exe' extract 'Z:$out/base.report'"
    add_command 'baseline + dialog' bench-base-dialog \
        "cd '$drive_c/bench-base-dialog' && $wine '$out/bench-baseline.exe' dialog 'Z:$out/base-dialog.report'"
    targets="$targets bench-base bench-base-dialog"
fi
commands+=(--command-name 'NSIS zlib /S' --prepare "rm -rf '$drive_c/bench-nsis' && $fresh"
    "$wine '$out/nsis.exe' /S '/D=C:\\bench-nsis'")
for report in ours dialog bare small base base-dialog; do : >"$out/$report.report"; done
rm -f "$out"/extract-round*.json
for round in $(seq 0 "$runs"); do  # round 0 warms up, and is left out
    hyperfine --runs 1 --output "$out/program-output.txt" --export-json "$out/extract-round$round.json" \
        "${commands[@]}" >"$out/hyperfine.txt"
done
rm "$out/extract-round0.json"

# Every tool must have written every byte, the same bytes.
sample=$(cd "$payload" && find . -type f | LC_ALL=C sort | sed -n 1p)
for target in $targets; do
    got=$(find "$drive_c/$target" -type f -printf '%s\n' | awk '{s += $1} END {print s}')
    [ "$got" = "$bytes" ] || { echo "$target holds $got bytes, the payload $bytes" >&2; exit 1; }
    cmp -s "$payload/$sample" "$drive_c/$target/$sample" || { echo "$target: $sample differs" >&2; exit 1; }
done

# Private memory of one extraction of each payload.
rm -rf "$drive_c/bench-small" && mkdir "$drive_c/bench-small"
(cd "$drive_c/bench-small" && $wine "$out/bench-small.exe" extract "Z:$out/small.report" >"$out/program-output.txt" 2>&1)

python3 - "$out/extract-round*.json" "$bytes" "$out/ours.report" "$out/small.report" "$payload" "$small" \
    "$out/dialog.report" "$out/bare.report" "$out/base-dialog.report" <<'PY'
import glob, json, os, statistics, sys
times = {}
for round_file in glob.glob(sys.argv[1]):
    for r in json.load(open(round_file))["results"]:
        times.setdefault(r["command"], []).extend(r["times"])
mb = int(sys.argv[2]) / 1048576
def files(folder):
    return sum(len(names) for _, _, names in os.walk(folder))
median = {name: statistics.median(t) for name, t in times.items()}
ours, bare, nsis, dialog = (median[n] for n in ("ExtractPayload", "bare uncompress+fwrite", "NSIS zlib /S",
                                                 "ExtractPayload + dialog"))
print("payload: %.1f MB in %d files, median of %d runs (whole Wine process)" %
      (mb, files(sys.argv[5]), len(times["ExtractPayload"])))
for name, t in median.items():
    print("  %-24s %7.3f s  %7.1f MB/s" % (name, t, mb / t))
print("ratio ExtractPayload / bare loop: %.3f   (goal <= 1.10)" % (ours / bare))
print("ratio ExtractPayload / NSIS:      %.3f   (goal <= 0.90)" % (ours / nsis))
print("ratio with dialog / NSIS:         %.3f" % (dialog / nsis))
print("dialog's share, whole process:    %.1f%%   (includes starting the window system)" %
      (100 * (dialog - ours) / dialog))
def seconds(report):  # the extraction's own time in each run, the warm-up's left out
    return statistics.median(float(line.split()[3]) for line in open(report).read().splitlines()[1:])
inside, inside_dialog, inside_bare = seconds(sys.argv[3]), seconds(sys.argv[7]), seconds(sys.argv[8])
print("inside the process: ExtractPayload %.3f s, with dialog %.3f s, bare loop %.3f s" %
      (inside, inside_dialog, inside_bare))
print("ratio ExtractPayload / bare loop, inside the process: %.3f" % (inside / inside_bare))
print("dialog's share of the extraction: %.1f%%   (goal <= 10%%)" % (100 * (inside_dialog - inside) / inside_dialog))
def updates(report):  # seconds in the callback and of the extraction, per run
    runs = [line.split() for line in open(report).read().splitlines()[1:]]
    return statistics.median(float(r[4]) / float(r[3]) for r in runs), statistics.median(float(r[4]) for r in runs)
share, spent = updates(sys.argv[7])
print("timed around each callback: %.3f s in the dialog's updates, %.1f%% of the extraction with the dialog" %
      (spent, 100 * share))
if "baseline ExtractPayload" in median:
    base, base_dialog = median["baseline ExtractPayload"], median["baseline + dialog"]
    print("baseline / bare loop: %.3f, / NSIS: %.3f, with dialog / NSIS: %.3f, dialog's share: %.1f%%" %
          (base / bare, base / nsis, base_dialog / nsis, 100 * (base_dialog - base) / base_dialog))
    share, spent = updates(sys.argv[9])
    print("baseline timed around each callback: %.3f s, %.1f%% of its extraction with the dialog" %
          (spent, 100 * share))
def added(report):  # result, private bytes before, peak private bytes
    fields = [int(x) for x in open(report).read().splitlines()[-1].split()[:3]]
    return fields[1] // 1024, (fields[2] - fields[1]) // 1024
for report, folder in ((sys.argv[3], sys.argv[5]), (sys.argv[4], sys.argv[6])):
    before, extra = added(report)
    print("private memory, %5d files: %6d KB before (image, payload included), %4d KB added by extraction" %
          (files(folder), before, extra))
PY
