#!/bin/bash
# The one command against makensis: scripts/make-installer.sh turning a
# description of every file below DIR into an installer (its build tree built
# already: one run before the timed ones; each timed run finds the description
# changed, so it configures, generates, compiles and links), and makensis (zlib) building an
# installer of the same files. The two take turns. Prints medians, the ratio
# and the peak memory of each.
# usage: bench/one_command.sh DIR [RUNS]     (default: 3 runs)
#   MAKE_INSTALLER=path/to/make-installer.sh measures another copy of the
#   command (an older checkout, for a before-and-after), with its BUILD_DIR.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
dir=$(cd "${1:?usage: bench/one_command.sh DIR [RUNS]}" && pwd)
runs=${2:-3}
out=$root/build-bench/one_command
shared=${SHARED_DIR:-$root/../shared}
command=${MAKE_INSTALLER:-$root/scripts/make-installer.sh}
mkdir -p "$out"
printf 'Benchmark licence\r\r\n' >"$out/licence.txt"
python3 "$root/bench/describe_payload.py" "$dir" "$out/product.json" "$out/licence.txt"

"$command" "$out/product.json" "$out/Setup.exe" >"$out/warm-up.log" 2>&1 ||
    { echo "one_command.sh: the first run failed; see $out/warm-up.log" >&2; exit 1; }
: >"$out/ours.runs"
: >"$out/nsis.runs"
for _ in $(seq "$runs"); do
    # A description newer than the last run's installer: the command makes the
    # installer anew (configure, generate, compile, link), as for a changed product.
    touch "$out/product.json"
    /usr/bin/time -f '%e %M' -o "$out/time.txt" "$command" "$out/product.json" "$out/Setup.exe" >/dev/null 2>&1
    cat "$out/time.txt" >>"$out/ours.runs"
    /usr/bin/time -f '%e %M' -o "$out/time.txt" makensis -V1 -DCOMP=zlib -DPAYLOAD="$dir" -DOUTFILE="$out/nsis.exe" \
        "$shared/bench/payload.nsi" >/dev/null 2>&1
    cat "$out/time.txt" >>"$out/nsis.runs"
done

median() { sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }
ours=$(cut -d' ' -f1 "$out/ours.runs" | median)
nsis=$(cut -d' ' -f1 "$out/nsis.runs" | median)
echo "payload: $dir, $(find "$dir" -type f | wc -l) files, median of $runs runs ($(uptime | sed 's/.*load/load/'))"
printf '%-28s %10s %10s %14s\n' "" "s" "peak MB" "installer B"
printf '%-28s %10s %10s %14s\n' "scripts/make-installer.sh" "$ours" "$(($(cut -d' ' -f2 "$out/ours.runs" | sort -n | tail -1) / 1024))" \
    "$(stat -c %s "$out/Setup.exe")"
printf '%-28s %10s %10s %14s\n' "makensis (zlib)" "$nsis" "$(($(cut -d' ' -f2 "$out/nsis.runs" | sort -n | tail -1) / 1024))" \
    "$(stat -c %s "$out/nsis.exe")"
python3 -c "print('one command / makensis: %.2f' % ($ours / $nsis))"
