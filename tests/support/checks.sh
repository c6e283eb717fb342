# Sourced by the shell tests: `fail WHAT` says which check failed and counts
# it in `failures`, so that a test runs all its checks before it ends.
failures=0
fail() {
    echo "FAILED: $*"
    failures=$((failures + 1))
}
