#!/usr/bin/env bash
# Sets up (packages, Release build) and runs every test, then runs the unit tests once more
# built with AddressSanitizer and UndefinedBehaviorSanitizer (skip that pass with
# GQ_SANITIZERS=0).
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build_dir=${GQ_BUILD_DIR:-$here/build}
jobs=$(nproc)

bash "$here/scripts/setup.sh"
echo "== tests (Release)"
ctest --test-dir "$build_dir" --output-on-failure -j "$jobs"

if [ "${GQ_SANITIZERS:-1}" != 0 ]; then
    sanitize_dir=${GQ_SANITIZE_DIR:-$here/build-sanitize}
    echo "== tests under AddressSanitizer and UndefinedBehaviorSanitizer"
    cmake -S "$here" -B "$sanitize_dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DGQ_SANITIZE=ON
    cmake --build "$sanitize_dir" -j "$jobs"
    export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:strict_string_checks=1
    export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
    export LSAN_OPTIONS=suppressions=$here/scripts/lsan.supp:print_suppressions=0
    ctest --test-dir "$sanitize_dir" --output-on-failure -j "$jobs" -LE no-sanitize
fi
