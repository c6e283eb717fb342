#!/bin/bash
# Extraction benchmark under Wine: ExtractPayload on the standard payload, side
# by side in the same run with the bare uncompress + fwrite loop over the same
# chunks (the practical limit) and the silent install of an NSIS (zlib)
# installer of the same files. Prints medians, ratios, MB/s, and the peak
# private memory that the extraction adds, for the payload and for one an
# eighth of its size (it must not grow with the payload).
# usage: bench/extract.sh [TOTAL_MB] [RUNS]     (defaults: 64 MB, 7 runs)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
mb=${1:-64}
runs=${2:-7}
out=$root/build-bench/extract
source "$root/bench/common.sh"

build_bench() { # PAYLOAD_DIR NAME
    local payload=$1 name=$2 gen=$out/gen-$2
    # rtuninst.exe is part of the payload for both tools alike.
    [ -f "$payload/rtuninst.exe" ] || printf 'MZ' >"$payload/rtuninst.exe"
    describe "$payload" "$out/$name.json"
    mkdir -p "$gen"
    "$genproduct" --description "$out/$name.json" --out-dir "$gen"
    $cxx -std=c++17 -Os -fno-exceptions -I"$root" -c "$gen/product_data.cpp" -o "$gen/product_data.o"
    $cxx -c "$gen/product_blob.S" -o "$gen/product_blob.o"
    $cxx -std=c++17 -O2 -fno-exceptions -I"$root" -c "$root/bench/extract_bench.cpp" -o "$gen/extract_bench.o"
    $cxx -static -s -Wl,--gc-sections -o "$out/$name.exe" "$gen/extract_bench.o" "$gen/product_data.o" \
        "$gen/product_blob.o" "$core" "$zlib" -lpsapi -luuid -ladvapi32 -luser32 -lgdi32
}

payload=$out/payload$mb
small=$out/payload$((mb / 8))
[ -d "$payload" ] || bash "$shared/bench/make_payload.sh" "$payload" "$mb" >/dev/null
[ -d "$small" ] || bash "$shared/bench/make_payload.sh" "$small" "$((mb / 8))" >/dev/null
build_bench "$payload" bench
build_bench "$small" bench-small
makensis -V1 -DCOMP=zlib -DPAYLOAD="$payload" -DOUTFILE="$out/nsis.exe" "$shared/bench/payload.nsi" >/dev/null

# The build tree's Wine environment: display, prefix, a warm wineserver.
env_dir=$build/wine-env
"$root/tests/harness/wine-env.sh" start "$env_dir" >/dev/null
source "$root/tests/harness/wine-vars.sh" "$env_dir"
DISPLAY=$(cat "$env_dir/display")
export DISPLAY
drive_c=$WINEPREFIX/drive_c
bytes=$(find "$payload" -type f -printf '%s\n' | awk '{s += $1} END {print s}')

# Each run starts from an empty target; the deletion is synced before timing.
for target in bench-ours bench-bare bench-nsis; do mkdir -p "$drive_c/$target"; done
hyperfine --runs "$runs" --warmup 1 --output "$out/program-output.txt" --export-json "$out/extract.json" \
    --command-name ExtractPayload \
    --prepare "rm -rf '$drive_c/bench-ours' && mkdir '$drive_c/bench-ours' && sync" \
    "cd '$drive_c/bench-ours' && wine '$out/bench.exe' extract 'Z:$out/ours.report'" \
    --command-name 'bare uncompress+fwrite' \
    --prepare "rm -rf '$drive_c/bench-bare' && mkdir '$drive_c/bench-bare' && sync" \
    "cd '$drive_c/bench-bare' && wine '$out/bench.exe' bare 'Z:$out/bare.report'" \
    --command-name 'NSIS zlib /S' \
    --prepare "rm -rf '$drive_c/bench-nsis' && sync" \
    "wine '$out/nsis.exe' /S '/D=C:\\bench-nsis'" >"$out/hyperfine.txt"

# Every tool must have written every byte.
for target in bench-ours bench-bare bench-nsis; do
    got=$(find "$drive_c/$target" -type f -printf '%s\n' | awk '{s += $1} END {print s}')
    [ "$got" = "$bytes" ] || { echo "$target holds $got bytes, the payload $bytes" >&2; exit 1; }
done
cmp -s "$payload/text/app.log" "$drive_c/bench-ours/text/app.log" || { echo "extraction differs" >&2; exit 1; }

# Private memory of one extraction of each payload size.
rm -rf "$drive_c/bench-small" && mkdir "$drive_c/bench-small"
(cd "$drive_c/bench-small" && wine "$out/bench-small.exe" extract "Z:$out/small.report" >"$out/program-output.txt" 2>&1)

python3 - "$out/extract.json" "$bytes" "$out/ours.report" "$out/small.report" "$mb" <<'PY'
import json, sys
results = {r["command"]: r for r in json.load(open(sys.argv[1]))["results"]}
mb = int(sys.argv[2]) / 1048576
ours, bare, nsis = (results[n]["median"] for n in ("ExtractPayload", "bare uncompress+fwrite", "NSIS zlib /S"))
print("payload: %.1f MB, median of %d runs (whole Wine process)" % (mb, len(results["ExtractPayload"]["times"])))
for name, t in (("ExtractPayload", ours), ("bare uncompress+fwrite", bare), ("NSIS zlib /S", nsis)):
    print("  %-24s %7.3f s  %7.1f MB/s" % (name, t, mb / t))
print("ratio ExtractPayload / bare loop: %.3f   (goal <= 1.15)" % (ours / bare))
print("ratio ExtractPayload / NSIS:      %.3f   (goal < 1)" % (ours / nsis))
def added(report):  # result, private bytes before, peak private bytes
    fields = [int(x) for x in open(report).read().split()]
    return fields[1] // 1024, (fields[2] - fields[1]) // 1024
for report, size in ((sys.argv[3], int(sys.argv[5])), (sys.argv[4], int(sys.argv[5]) // 8)):
    before, extra = added(report)
    print("private memory, %2d MB payload: %6d KB before (image, payload included), %4d KB added by extraction" %
          (size, before, extra))
PY
