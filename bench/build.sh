#!/bin/bash
# Build-time benchmark: generate + compile + link an installer for a payload,
# side by side with makensis (zlib) building an installer of the same files,
# the size of each tool's installer for one tiny file (the stub), and what the
# table costs per file beyond the file's name.
# usage: bench/build.sh [TOTAL_MB | DIR] [RUNS]     (defaults: 64 MB, 3 runs)
#   TOTAL_MB  the standard synthetic payload of that size (make_payload.sh)
#   DIR       any folder of files: a tree from make_tree.sh, or a product's own
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
what=${1:-64}
runs=${2:-3}
out=$root/build-bench/build
source "$root/bench/common.sh"

if [ -d "$what" ]; then
    payload=$(cd "$what" && pwd)
    label="folder $payload"
else
    [[ "$what" =~ ^[0-9]+$ ]] || { echo "bench/build.sh: $what is neither a size in MB nor a folder" >&2; exit 2; }
    payload=$out/payload$what
    label="$what MB"
    if [ ! -d "$payload" ]; then
        bash "$shared/bench/make_payload.sh" "$payload" "$what" >/dev/null
    fi
    # rtuninst.exe is part of the payload for both tools alike (a tiny stand-in).
    [ -f "$payload/rtuninst.exe" ] || printf 'MZ' >"$payload/rtuninst.exe"
fi
mkdir -p "$out/tiny"
[ -f "$out/tiny/rtuninst.exe" ] || printf 'MZ' >"$out/tiny/rtuninst.exe"
describe "$payload" "$out/bench.json"
describe "$out/tiny" "$out/tiny.json"

# The flags the project's build uses for the installer (cmake/WindowsFlags.cmake).
flags="-std=c++17 -Os -fno-exceptions -ffunction-sections -fno-asynchronous-unwind-tables -D__USE_MINGW_ANSI_STDIO=0 -I$root"
# The entry point is product-independent and compiled once per build tree, as
# the core library is; it is not part of making one installer.
$cxx $flags -c "$root/setup/main.cpp" -o "$out/main.o"
$cxx $flags -c "$root/payload/compact_crc32.cpp" -o "$out/compact_crc32.o"

# generate + compile + link, the steps add_installer runs; the two generated
# objects are independent and compiled side by side, as a parallel build does.
cat >"$out/ours.sh" <<EOS
set -e
gen=\$1; exe=\$2; desc=\$3
flags="$flags"
mkdir -p "\$gen"
: >"\$gen/steps.txt"
step() { /usr/bin/time -a -o "\$gen/steps.txt" -f "\$1 %e %M" "\${@:2}"; }
step generator "$genproduct" --description "\$desc" --out-dir "\$gen" --machine $bench_arch
step compiler $cxx \$flags -c "\$gen/product_data.cpp" -o "\$gen/product_data.o" & data=\$!
step assembler $cxx -c "\$gen/product_blob.S" -o "\$gen/product_blob.o" & blob=\$!
step identity "$genproduct" --description "\$desc" --out-dir "\$gen" --identity installer --file-name Setup.exe \\
    --default-icon "$root/resources/default.ico"
step windres i686-w64-mingw32-windres -I"$root/resources" -I"\$gen" "$root/resources/installer.rc" -O coff \\
    -o "\$gen/res.o"
wait \$data; wait \$blob
step linker $cxx -mwindows -static -s -Wl,--gc-sections -Wl,--no-insert-timestamp -Wl,-T,"$root/cmake/payload_last.ld" -Wl,-T,"$root/cmake/no_unwind_tables.ld" -o "\$exe" "$out/main.o" "$out/compact_crc32.o" \\
    "\$gen/res.o" "\$gen/product_data.o" "\$gen/product_blob.o" "\$gen/product_blob.obj" "$core" "$zlib" -luuid -ladvapi32 -luser32 \\
    -lgdi32 -lkernel32
EOS
nsi=$shared/bench/payload.nsi

median() { sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }
measure() { # LABEL COMMAND... ; appends "seconds maxrss_kb" to $out/LABEL.runs
    local label=$1; shift
    /usr/bin/time -f '%e %M' -o "$out/time.txt" "$@" >/dev/null 2>&1
    cat "$out/time.txt" >>"$out/$label.runs"
}

# The two builds take turns, so that a machine shared with other work slows
# both alike.
: >"$out/ours.runs"
: >"$out/nsis.runs"
for _ in $(seq "$runs"); do
    measure ours bash "$out/ours.sh" "$out/gen" "$out/ours.exe" "$out/bench.json"
    measure nsis makensis -V1 -DCOMP=zlib -DPAYLOAD="$payload" -DOUTFILE="$out/nsis.exe" "$nsi"
done
bash "$out/ours.sh" "$out/gen-tiny" "$out/ours-tiny.exe" "$out/tiny.json" >/dev/null
makensis -V1 -DCOMP=zlib -DPAYLOAD="$out/tiny" -DOUTFILE="$out/nsis-tiny.exe" "$nsi" >/dev/null

ours_s=$(cut -d' ' -f1 "$out/ours.runs" | median); nsis_s=$(cut -d' ' -f1 "$out/nsis.runs" | median)
ours_m=$(cut -d' ' -f2 "$out/ours.runs" | sort -n | tail -1); nsis_m=$(cut -d' ' -f2 "$out/nsis.runs" | sort -n | tail -1)
size() { stat -c %s "$1"; }
files=$(find "$payload" -type f | wc -l)
echo "payload: $label, $files files, median of $runs runs"
printf '%-22s %10s %12s %14s %14s\n' "" "build s" "peak MB" "installer B" "1-file stub B"
printf '%-22s %10s %12s %14s %14s\n' "Varnlet Setup" "$ours_s" "$((ours_m / 1024))" "$(size "$out/ours.exe")" "$(size "$out/ours-tiny.exe")"
printf '%-22s %10s %12s %14s %14s\n' "makensis (zlib)" "$nsis_s" "$((nsis_m / 1024))" "$(size "$out/nsis.exe")" "$(size "$out/nsis-tiny.exe")"
python3 -c "print('build time ratio ours/nsis: %.2f   size ratio ours/nsis: %.4f' % ($ours_s/$nsis_s, $(size "$out/ours.exe")/$(size "$out/nsis.exe")))"
echo "steps of the last build (s, peak MB):$(awk '{printf "  %s %s %d", $1, $2, $3 / 1024}' "$out/gen/steps.txt")"
# The table beyond the names: its arrays (the symbols' distances in the
# generated object) and the loader's 2-byte base relocation per pointer.
python3 - "$out/gen/product_blob.o" "$files" "$out/gen/product_table.bin" <<'PY'
import os, subprocess, sys
symbols = {}
for line in subprocess.run(["i686-w64-mingw32-nm", sys.argv[1]], capture_output=True, text=True).stdout.split("\n"):
    fields = line.split()
    if len(fields) == 3:
        symbols[fields[2].lstrip("_")] = int(fields[0], 16)
files = int(sys.argv[2])
if "payloadSeal" in symbols:
    arrays = symbols["payloadNames"] - symbols["payloadSeal"]
    pointers = (symbols["fileChunkCounts"] - symbols["fileChunks"] + symbols["payloadChunkSizes"] -
                symbols["payloadChunks"]) // 4
    # product_table.bin: a count and a time per table entry, a size per chunk, then the names.
    entries = (symbols["fileChunkSizes"] - symbols["fileChunks"]) // 4
    chunks = (symbols["payloadChunkSizes"] - symbols["payloadChunks"]) // 4
    names = os.path.getsize(sys.argv[3]) - 8 * entries - 4 * chunks
    print("table: %.1f B per file beyond the names (%d B of arrays, %d B of base relocations), names %.1f B per file"
          % ((arrays + 2 * pointers) / files, arrays, 2 * pointers, names / files))
PY
