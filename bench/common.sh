# Sourced by the benchmarks after they set `root`, `out` and their defaults:
# builds what they link against and names the tools and libraries.
# The benchmarks link the installer's core library for the architecture they
# measure (i686, as shipped, unless BENCH_ARCH says x86_64), in a tree of their
# own: the tests' tree may be made for another one (scripts/windows-arch.sh).
bench_arch=${BENCH_ARCH:-i686}
build=${BUILD_DIR:-$root/build-bench-$bench_arch}
shared=${SHARED_DIR:-$root/../shared}
mkdir -p "$out"

BUILD_DIR=$build VARNLET_WINDOWS_ARCH=$bench_arch "$root/scripts/build.sh" --target varnlet_setup_core host_tools >/dev/null
core=$build/libvarnlet_setup_core.a
genproduct=$build/host/genproduct/genproduct
cxx=i686-w64-mingw32-g++-win32
zlib=/usr/i686-w64-mingw32/lib/libz.a
if [ "$bench_arch" = x86_64 ]; then
    cxx=x86_64-w64-mingw32-g++-win32
    zlib=/usr/x86_64-w64-mingw32/lib/libz.a
fi
printf 'Benchmark licence\r\r\n' >"$out/licence.txt"

# A product description of every file below DIR (which holds rtuninst.exe).
describe() { # DIR OUTPUT
    python3 "$root/bench/describe_payload.py" "$1" "$2" "$out/licence.txt"
}

# Wine for the benchmark programs: the benchmark tree's own test environment
# (display, prefix with Wine's fonts, a persistent wineserver), 64-bit where the
# tree is made for x86_64, stopped when the benchmark ends. Sets `wine`,
# `drive_c`, WINEPREFIX and DISPLAY.
start_bench_wine() {
    local env_dir=$build/wine-env
    "$root/tests/harness/wine-env.sh" start "$env_dir" >/dev/null
    trap '"$root/tests/harness/wine-env.sh" stop "$build/wine-env" >/dev/null 2>&1' EXIT
    source "$root/tests/harness/wine-vars.sh" "$env_dir"
    wine=wine
    DISPLAY=$(cat "$env_dir/display")
    export DISPLAY
    "$wine" wineboot >/dev/null 2>&1 || true
    drive_c=$WINEPREFIX/drive_c
}
