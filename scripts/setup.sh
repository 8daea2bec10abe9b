#!/usr/bin/env bash
# Installs every Debian package the build and the tests need (skipping what is there),
# then configures and builds Gridquill in Release into build/.
#
#   scripts/setup.sh            install packages, configure, build
#   scripts/setup.sh --deps     install packages only
set -euo pipefail

here=$(cd "$(dirname "$0")/.." && pwd)
build_dir=${GQ_BUILD_DIR:-$here/build}

packages=(
    g++ cmake ninja-build pkg-config make
    googletest libgtest-dev libgmock-dev libbenchmark-dev
    clang libclang-rt-14-dev
    qt6-base-dev libgl-dev
    libfreetype-dev libfontconfig-dev fonts-liberation fonts-dejavu-core
    libjpeg-dev libcli11-dev
    libtomlplusplus-dev  # reads and writes book plan files
    zlib1g-dev  # compresses the content streams of print-ready books
    libharfbuzz-dev  # hb-subset makes the font subsets embedded in print-ready books
    libqpdf-dev  # reads the page count of an interior PDF for its cover
    libzint-dev  # draws the ISBN's EAN-13 barcode on the back cover
    nlohmann-json3-dev  # writes the explained steps of a puzzle as JSON
    qpdf poppler-utils
    ghostscript mupdf-tools  # outside readers the print-ready tests render and trace with
    librsvg2-bin  # rsvg-convert renders the icon in its PNG sizes
    zbar-tools  # zbarimg reads the cover's barcode back in the cover tests
    python3-jsonschema  # validates the explained steps against their JSON Schema
    qqwing  # the peer generator the fresh-process benchmark runs side by side
    ccache  # shares compiled objects between build folders
    # Making and checking the Debian package (tests/packaging); the package needs none of them.
    dpkg-dev lintian desktop-file-utils appstream man-db
)

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$p")
    fi
done

if [ ${#missing[@]} -gt 0 ]; then
    echo "setup: installing ${missing[*]}"
    sudo_cmd=()
    [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
    export DEBIAN_FRONTEND=noninteractive
    "${sudo_cmd[@]}" apt-get update -qq
    "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

[ "${1:-}" = "--deps" ] && exit 0

cmake -S "$here" -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=Release
cmake --build "$build_dir" -j "$(nproc)"
