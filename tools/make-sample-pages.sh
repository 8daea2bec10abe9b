#!/usr/bin/env bash
# Makes the four sample-page pictures the desktop window shows beside the book settings: the
# first page of a real book in each layout, rendered at the size of its place in the window
# (409 x 527 pixels; 409 x 499 for two puzzles per page). The pictures are committed and built
# into the program; run this again whenever the page layouts change.
#
# Usage: tools/make-sample-pages.sh [BUILD_DIR]     (BUILD_DIR defaults to ./build)
# Needs: gridquill-cli built in BUILD_DIR, and pdftoppm (poppler-utils).
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${1:-$root/build}
cli=$build/app/gridquill-cli
out=$root/app/desktop/pictures

if [[ ! -x $cli ]]; then
    echo "make-sample-pages: $cli not found; build the gridquill-cli target first" >&2
    exit 1
fi
if ! command -v pdftoppm >/dev/null; then
    echo "make-sample-pages: pdftoppm not found; install poppler-utils" >&2
    exit 1
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$out"

# picture NAME HEIGHT BOOK-OPTIONS...: one-page book, its first page as NAME.jpg.
# A fixed seed keeps the pictures the same from one run of this script to the next.
picture()
{
    local name=$1 height=$2
    shift 2
    "$cli" book --pages 1 --level very-easy --seed 2022 --force --quiet "$@" "$work/$name.pdf" >/dev/null
    pdftoppm -jpeg -jpegopt quality=90,optimize=y -f 1 -l 1 -singlefile \
        -scale-to-x 409 -scale-to-y "$height" "$work/$name.pdf" "$work/$name"
    mv "$work/$name.jpg" "$out/$name.jpg"
    echo "$out/$name.jpg"
}

picture one-per-page 527 --per-page 1
picture one-per-page-candidates 527 --per-page 1 --candidates
picture two-per-page 499 --per-page 2
picture four-per-page 527 --per-page 4
