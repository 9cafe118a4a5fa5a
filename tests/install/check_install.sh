#!/usr/bin/env bash
# The install as a user meets it: `cmake --install` into a temporary prefix,
# the installed tools run from another folder, the manual
# pages, and a program of another project built against the installed
# package, once with find_package(morvane) and once with pkg-config.
# Arguments: the build folder and the source folder.
set -euo pipefail
build=$(realpath "$1")
source=$(realpath "$2")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
prefix=$work/prefix
fail() { echo "FAIL: $*"; exit 1; }

cmake --install "$build" --prefix "$prefix" >/dev/null
version=$("$prefix/bin/morvane" | sed -n 's/.*version //p')
glucose=$'180.06339\t0.92263298\n181.06683\t0.063255793\n182.06794\t0.012994973'
mkdir "$work/elsewhere"
cd "$work/elsewhere"
[ "$("$prefix/bin/morvane" C6H12O6)" = "$glucose" ] || fail "installed morvane does not read its table"
"$prefix/bin/morvane-plot" C6H12O6 -o glucose.svg && grep -q "</svg>" glucose.svg || fail "installed morvane-plot"
[ "$(echo C6H12O6 | "$prefix/bin/morvane-batch" 2>/dev/null | sed -n 2p)" = $'\tC6H12O6\t\t0\t1\t180.06339\t0.92263298' ] ||
  fail "installed morvane-batch"
# A moved tree still finds its table.
mv "$prefix" "$work/moved"
[ "$("$work/moved/bin/morvane" C6H12O6)" = "$glucose" ] || fail "moved install does not find its table"
mv "$work/moved" "$prefix"
cmp -s "$prefix/share/morvane/morvanetable.txt" "$source/morvanetable.txt" || fail "installed table"
cmp -s "$prefix/share/morvane/unimod.tsv" "$source/data/unimod.tsv" || fail "installed Unimod table"
grep -q "^License: DSL" "$prefix/share/doc/morvane/copyright" || fail "no licence of the Unimod table in share/doc/morvane/copyright"
[ -f "$prefix/include/morvane/calc/IsoCalc.h" ] || fail "headers"
[ ! -e "$prefix/include/morvane/frontend" ] || fail "the programs' headers are installed"
# Every installed header compiles on its own with only include/ on the path.
for header in $(cd "$prefix/include" && find morvane -name '*.h'); do
  echo "#include <$header>" | c++ -std=c++17 -fsyntax-only -I "$prefix/include" -x c++ - ||
    fail "installed $header does not compile on its own"
done

for page in morvane morvane-plot morvane-batch morvane-match; do
  man=$(find "$prefix" -name "$page.1.gz")
  [ -n "$man" ] || fail "manual page $page.1.gz not installed"
  zgrep -q '"morvane [0-9]' "$man" || fail "no version in $page.1"
  if command -v groff >/dev/null; then
    warnings=$(zcat "$man" | groff -man -ww -z 2>&1)
    [ -z "$warnings" ] || fail "groff warns on $page.1: $warnings"
  else
    echo "note: groff missing, manual pages not checked"
  fi
done

# The licence, named where a packager or a build system looks for it.
grep -q '^License: Expat' "$prefix/share/doc/morvane/copyright" || fail "no licence in share/doc/morvane/copyright"
zgrep -q "^morvane ($version)" "$prefix/share/doc/morvane/changelog.gz" || fail "changelog lacks version $version"

cmake -S "$source/tests/install/consumer" -B "$work/cmake-consumer" -DCMAKE_PREFIX_PATH="$prefix" >/dev/null
cmake --build "$work/cmake-consumer" >/dev/null
"$work/cmake-consumer/consumer" "$prefix/bin" || fail "find_package consumer"

pcdir=$(dirname "$(find "$prefix" -name morvane.pc)")
grep -q '^License: MIT$' "$pcdir/morvane.pc" || fail "morvane.pc names no licence"
flags=$(PKG_CONFIG_PATH=$pcdir pkg-config --cflags --libs morvane)
[ "$(PKG_CONFIG_PATH=$pcdir pkg-config --modversion morvane)" = "$version" ] ||
  fail "pkg-config version differs from the usage banner's"
c++ -std=c++17 "$source/tests/install/consumer/consumer.cpp" $flags -o "$work/pc-consumer"
"$work/pc-consumer" "$prefix/bin" || fail "pkg-config consumer"
echo "install: all checks passed"
