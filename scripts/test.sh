#!/usr/bin/env bash
# Sets up (packages, Release build) and runs every test.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build_dir=${GQ_BUILD_DIR:-$here/build}

bash "$here/scripts/setup.sh"
ctest --test-dir "$build_dir" --output-on-failure -j "$(nproc)"
