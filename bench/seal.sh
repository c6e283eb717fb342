#!/bin/bash
# Cost of the installer's check of its embedded data, against the extraction
# it precedes, under Wine on the standard payload of TOTAL_MB. Runs alternate:
# check then extraction in one process (as the installer does: the check reads
# the data first, the extraction reads it again), and the extraction alone in
# a fresh process. Prints medians and the check's share of the extraction.
# usage: bench/seal.sh [TOTAL_MB] [RUNS]     (defaults: 64 MB, 5 runs)
# BENCH_ARCH=x86_64 measures 64-bit programs with wine64 in the benchmark
#   tree's 64-bit prefix (for machines that cannot run 32-bit programs).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
mb=${1:-64}
runs=${2:-5}
out=$root/build-bench/seal
[ "${BENCH_ARCH:-i686}" = i686 ] || out=$out/$BENCH_ARCH
source "$root/bench/common.sh"

payload=$out/payload$mb
[ -d "$payload" ] || bash "$shared/bench/make_payload.sh" "$payload" "$mb" >/dev/null
describe "$payload" "$out/bench$mb.json"
gen=$out/gen$mb
mkdir -p "$gen"
"$genproduct" --description "$out/bench$mb.json" --out-dir "$gen" --machine "$bench_arch"
$cxx -std=c++17 -Os -fno-exceptions -I"$root" -c "$gen/product_data.cpp" -o "$gen/product_data.o"
$cxx -c "$gen/product_blob.S" -o "$gen/product_blob.o"
$cxx -std=c++17 -O2 -fno-exceptions -I"$root" -c "$root/bench/seal_bench.cpp" -o "$gen/seal_bench.o"
$cxx -static -s -Wl,--gc-sections -Wl,-T,"$root/cmake/payload_last.ld" -o "$out/seal$mb.exe" "$gen/seal_bench.o" "$gen/product_data.o" \
    "$gen/product_blob.o" "$gen/product_blob.obj" "$core" "$zlib" -luuid -ladvapi32 -luser32 -lgdi32

start_bench_wine
target=$drive_c/bench-seal
: >"$out/runs$mb.txt"
for _ in $(seq "$runs"); do
    for mode in check-then-extract extract; do
        rm -rf "$target" && mkdir -p "$target" && sync
        (cd "$target" && "$wine" "$out/seal$mb.exe" "$mode" "Z:$out/report.txt" >"$out/program-output.txt" 2>&1)
        echo "$mode $(cat "$out/report.txt")" >>"$out/runs$mb.txt"
    done
done
rm -rf "$target"

python3 - "$out/runs$mb.txt" "$mb" <<'PY'
import statistics, sys
checks, after, alone = [], [], []
for line in open(sys.argv[1]):
    mode, intact, check, result, extract = line.split()
    if result != "4" or intact == "0":
        sys.exit("a run failed: " + line.strip())
    if mode == "check-then-extract":
        checks.append(float(check)); after.append(float(extract))
    else:
        alone.append(float(extract))
check, extract = statistics.median(checks), statistics.median(alone)
print("payload: %s MB, median of %d runs each (times inside the process)" % (sys.argv[2], len(alone)))
print("  check of the data           %7.3f s" % check)
print("  extraction after the check  %7.3f s" % statistics.median(after))
print("  extraction alone            %7.3f s" % extract)
print("check / extraction alone: %.3f   (goal < 0.05)" % (check / extract))
PY
