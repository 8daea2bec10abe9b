#!/usr/bin/env bash
# Builds the Debian package from a Release build folder and checks it the way a user's system
# meets it: its name, control fields and file list; the desktop entry, AppStream data and lintian;
# then the programs, manual pages and completion as extracted from the package, away from the
# source and build folders.
#
#   PackageTest.sh BUILD_DIR VERSION
#
# Exits 77 (skipped) for a build that is not Release: only a Release build is packaged.
set -euo pipefail

build_dir=$1
version=$2

if ! grep -qx 'CMAKE_BUILD_TYPE:STRING=Release' "$build_dir/CMakeCache.txt"; then
    echo "skipped: $build_dir is not a Release build"
    exit 77
fi

work=$(mktemp -d "${TMPDIR:-/tmp}/gq-package.XXXXXX")
trap 'rm -rf "$work"' EXIT
failures=0
fail()
{
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}

# ---- the package and its control fields

echo "== cpack"
if ! cpack --config "$build_dir/CPackConfig.cmake" -G DEB -B "$work/out" >"$work/cpack.log" 2>&1; then
    cat "$work/cpack.log" >&2
    echo "FAIL: cpack could not make the package" >&2
    exit 1
fi
deb=$work/out/gridquill_${version}_$(dpkg --print-architecture).deb
if [ ! -f "$deb" ]; then
    ls -l "$work/out" >&2
    echo "FAIL: cpack wrote no $(basename "$deb")" >&2
    exit 1
fi
echo "package: $(basename "$deb"), $(stat -c %s "$deb") bytes"

field()
{
    dpkg-deb --field "$deb" "$1"
}
dpkg-deb --info "$deb"
[ "$(field Package)" = gridquill ] || fail "Package is '$(field Package)', not gridquill"
[ "$(field Version)" = "$version" ] || fail "Version is '$(field Version)', not $version"
[ "$(field Section)" = graphics ] || fail "Section is '$(field Section)', not graphics"
[ -n "$(field Maintainer)" ] || fail "the package names no maintainer"
[ "$(field Description | wc -l)" -ge 3 ] || fail "the description has no long part"
depends=$(field Depends)
# Computed from the binaries (libc6, Qt, FreeType, zlib) and named by hand (fonts, fontconfig,
# and the libraries the programs open when first needed: HarfBuzz's subsetter, qpdf and zint).
for package in libc6 libqt6widgets6 libfreetype6 libfontconfig1 zlib1g libharfbuzz-subset0 \
    libqpdf29 libzint2.11 fonts-liberation fontconfig; do
    grep -Eq "(^|, )$package( |,|$)" <<<"$depends" || fail "Depends lacks $package: $depends"
done

# Every installed file, and nothing else: no libraries, headers or test programs.
expected_files="./usr/bin/gridquill
./usr/bin/gridquill-cli
./usr/share/applications/io.example.Gridquill.desktop
./usr/share/bash-completion/completions/gridquill-cli
./usr/share/doc/gridquill/changelog.gz
./usr/share/doc/gridquill/copyright
./usr/share/icons/hicolor/128x128/apps/io.example.Gridquill.png
./usr/share/icons/hicolor/256x256/apps/io.example.Gridquill.png
./usr/share/icons/hicolor/48x48/apps/io.example.Gridquill.png
./usr/share/icons/hicolor/64x64/apps/io.example.Gridquill.png
./usr/share/icons/hicolor/scalable/apps/io.example.Gridquill.svg
./usr/share/man/man1/gridquill-cli.1.gz
./usr/share/man/man1/gridquill.1.gz
./usr/share/metainfo/io.example.Gridquill.metainfo.xml"
actual_files=$(dpkg-deb --contents "$deb" | awk '$1 !~ /^d/ { print $6 }' | LC_ALL=C sort)
if [ "$actual_files" != "$(LC_ALL=C sort <<<"$expected_files")" ]; then
    fail "the package's files differ from the expected list:"
    diff <(LC_ALL=C sort <<<"$expected_files") <(echo "$actual_files") >&2 || true
fi

root=$work/root
dpkg-deb --extract "$deb" "$root"

# ---- desktop entry, icons, AppStream data, change log

echo "== desktop-file-validate"
desktop=$root/usr/share/applications/io.example.Gridquill.desktop
desktop-file-validate "$desktop" || fail "desktop-file-validate found errors"
exec_line=$(grep '^Exec=' "$desktop")
[ "$exec_line" = "Exec=gridquill" ] || fail "the desktop entry runs '$exec_line'"
for size in 48 64 128 256; do
    png=$root/usr/share/icons/hicolor/${size}x$size/apps/io.example.Gridquill.png
    # A PNG's width and height are big-endian words at bytes 16 and 20.
    dims=$(od -An -tu1 -j16 -N8 "$png" | awk '{ print $3 * 256 + $4 "x" $7 * 256 + $8 }')
    [ "$dims" = "${size}x$size" ] || fail "the ${size}x$size icon is $dims pixels"
done

echo "== appstreamcli validate"
metainfo=$root/usr/share/metainfo/io.example.Gridquill.metainfo.xml
appstreamcli validate --no-net "$metainfo" || fail "appstreamcli found the metainfo invalid"
# The newest release and the newest change-log entry are this version, so neither is forgotten
# when the version changes.
release=$(grep -o -m1 '<release version="[^"]*"' "$metainfo" | cut -d'"' -f2)
[ "$release" = "$version" ] || fail "the metainfo's newest release is $release, not $version"
changelog=$(zcat "$root/usr/share/doc/gridquill/changelog.gz" | head -n1)
[[ $changelog == "gridquill ($version) "* ]] || fail "the change log begins '$changelog'"

echo "== lintian"
# Errors and warnings fail; the information tags that stay are about build flags (hardening,
# the .comment section strip leaves), a distribution's choice rather than the package's.
lintian --display-level '>=pedantic' "$deb" 2>&1 | tee "$work/lintian.log"
if grep -Eq '^[EW]:' "$work/lintian.log"; then
    fail "lintian reports errors or warnings (lintian --info explains each tag)"
fi

# ---- the programs as installed, run away from the source and build folders

echo "== the extracted programs"
cli=$root/usr/bin/gridquill-cli
for program in gridquill gridquill-cli; do
    if readelf --dynamic "$root/usr/bin/$program" | grep -Eq 'RPATH|RUNPATH'; then
        fail "$program carries a library search path"
    fi
    if ldd "$root/usr/bin/$program" | grep -q 'not found'; then
        fail "$program needs a library the system lacks: $(ldd "$root/usr/bin/$program" | grep 'not found')"
    fi
done
mkdir -p "$work/run/tmp"
run_cli()
{
    (cd "$work/run" && env -i PATH=/usr/bin:/bin HOME="$work/run" TMPDIR="$work/run/tmp" \
        SOURCE_DATE_EPOCH=1765324800 "$cli" "$@")
}
[ "$(run_cli --version)" = "gridquill-cli $version" ] || fail "--version prints '$(run_cli --version)'"
if summary=$(run_cli book --pages 3 --per-page 2 --level hard --seed 14 --quiet book); then
    [ "$summary" = "book.pdf: 5 pages" ] || fail "the book run printed '$summary'"
    [ "$(head -c5 "$work/run/book.pdf")" = "%PDF-" ] || fail "book.pdf is not a PDF file"
    pages=$(pdfinfo "$work/run/book.pdf" | awk '/^Pages:/ { print $2 }')
    [ "$pages" = 5 ] || fail "book.pdf has $pages pages, not 5"
else
    fail "the extracted gridquill-cli could not make a book"
fi

# ---- manual pages: they render without warnings and name every option the program has

echo "== man -l"
for page in gridquill gridquill-cli; do
    if ! LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$root/usr/share/man/man1/$page.1.gz" \
        >"$work/$page.txt" 2>"$work/$page.warnings"; then
        fail "man could not render $page(1)"
    fi
    if [ -s "$work/$page.warnings" ]; then
        fail "$page(1) renders with warnings:"
        cat "$work/$page.warnings" >&2
    fi
done
head -n 20 "$work/gridquill-cli.txt"

completion=$root/usr/share/bash-completion/completions/gridquill-cli
# Prints what Tab offers after the given words; the last word is the one being typed.
complete_words()
{
    bash -c 'source "$1"; shift
             COMP_WORDS=(gridquill-cli "$@"); COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
             _gridquill_cli; printf "%s\n" "${COMPREPLY[@]}"' _ "$completion" "$@"
}

commands=$(run_cli --help | awk 'tolower($0) ~ /^subcommands:/ { on = 1; next } on && NF { print $1 }')
[ -n "$commands" ] || fail "gridquill-cli --help lists no commands"
for command in $commands; do
    grep -Eq "^ {7}$command( |$)" "$work/gridquill-cli.txt" || fail "gridquill-cli(1) lacks the command $command"
    complete_words "${command:0:2}" | grep -qx "$command" || fail "completion misses the command $command"
done
# The options of each command as its --help lists them; "" stands for the program's own.
for command in "" $commands; do
    for option in $(run_cli ${command:+"$command"} --help | grep -oE -- '(^|[ ,])--[a-z][a-z-]*' | tr -d ' ,' | sort -u); do
        grep -qF -- "$option" "$work/gridquill-cli.txt" || fail "gridquill-cli(1) lacks $command $option"
        complete_words ${command:+"$command"} "$option" | grep -qx -- "$option" ||
            fail "completion misses ${command:-gridquill-cli} $option"
    done
done

# ---- completion: values and file names

mkdir -p "$work/files/folder"
touch "$work/files/old.pdf" "$work/files/last.pgs"
# $1: what Tab should offer, sorted and one space apart; the rest: the words typed, in a folder
# that holds old.pdf, last.pgs and folder/.
expect_completion()
{
    local expected=$1 offered
    shift
    offered=$(cd "$work/files" && complete_words "$@" | LC_ALL=C sort | xargs)
    [ "$offered" = "$expected" ] ||
        fail "completion of 'gridquill-cli $*' offers '$offered', not '$expected'"
}
levels=$(run_cli book --help | grep -o -m1 '{very-easy[^}]*}' | tr -d '{}' | tr , '\n' | LC_ALL=C sort | xargs)
expect_completion "$levels" book --level ''
expect_completion "expert extreme" puzzle --level = ex
expect_completion "a4 a5" book --paper a
expect_completion "" book --pages ''
expect_completion "folder old.pdf" book --seed 3 ''
expect_completion "last.pgs" render --force l
expect_completion "folder old.pdf" render last.pgs ''
expect_completion "" render last.pgs out.pdf ''

if [ "$failures" -gt 0 ]; then
    echo "$failures check(s) failed" >&2
    exit 1
fi
echo "the package passed every check"
