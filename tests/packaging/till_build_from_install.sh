#!/usr/bin/env bash
# `cmake --install` into a scratch prefix, which then moves (an installed tree must not depend on
# where it was installed), and a till built against it as integrators build one: examples/pos.c
# (the installed copy) with pkg-config, and with find_package(DODU_PT_10) in a CMake project. Each
# till records the library by name, loads the installed copy and plays its whole day on a store
# made from the installed schema.
# Arguments: the build tree, the C compiler, the CMake generator.
set -euo pipefail
build=$1 cc=$2 generator=$3
here=$(cd "$(dirname "$0")" && pwd)
. "$here/store_for_pos.sh"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

cmake --install "$build" --prefix "$work/first" > "$work/install.log"
mv "$work/first" "$work/prefix"
prefix=$work/prefix
pc=$(find "$prefix" -name dodu_pt_10.pc)
config=$(find "$prefix" -name DODU_PT_10Config.cmake)
schema=$(find "$prefix" -path '*/DODU_PT_10/schema/sqlite.sql')
pos_source=$(find "$prefix" -path '*/examples/pos.c')
for found in "$pc" "$config" "$schema" "$pos_source" "$prefix/bin/fiscal-host" "$(find "$prefix" -name dodu_pt_10.h)"; do
  [ -n "$found" ] && [ -s "$found" ] || { echo "the install lacks a file:"; find "$prefix" -type f; exit 1; }
done

# The till links the installed library and loads it from there, by its name.
check_till() {
  local program=$1 needed library
  needed=$(readelf -d "$program" | sed -n 's/.*(NEEDED).*\[\(DODU_PT_10[^]]*\)\]/\1/p')
  [ "$needed" = DODU_PT_10.so ] || { echo "$program needs the library as '$needed', not by its name"; exit 1; }
  library=$(ldd "$program" | awk '$1 == "DODU_PT_10.so" {print $3}')
  [ "$(realpath "$library")" = "$(realpath "$libdir/DODU_PT_10.so")" ] ||
    { echo "$program loads '$library', not the installed library"; exit 1; }
}

# pkg-config.
export PKG_CONFIG_PATH=$(dirname "$pc")
libdir=$(pkg-config --variable=libdir dodu_pt_10)
# shellcheck disable=SC2046
"$cc" -std=c99 -Wall -Wextra -Werror "$pos_source" $(pkg-config --cflags --libs dodu_pt_10) \
  "-Wl,-rpath,$libdir" -o "$work/pos-pkg-config"
check_till "$work/pos-pkg-config"
make_pos_store "$work/day-pkg-config" "$schema"
run_pos_day "$work/pos-pkg-config" "$work/day-pkg-config"

# find_package.
cmake -S "$here/till_project" -B "$work/till-build" -G "$generator" -DCMAKE_C_COMPILER="$cc" \
  -DCMAKE_PREFIX_PATH="$prefix" -DPOS_SOURCE="$pos_source" > "$work/till-configure.log" ||
  { cat "$work/till-configure.log"; exit 1; }
cmake --build "$work/till-build" > "$work/till-build.log" || { cat "$work/till-build.log"; exit 1; }
check_till "$work/till-build/pos"
make_pos_store "$work/day-find-package" "$schema"
run_pos_day "$work/till-build/pos" "$work/day-find-package"
echo "examples/pos.c built with pkg-config and with find_package against the moved install ran its day"
