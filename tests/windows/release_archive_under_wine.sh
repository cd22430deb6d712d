#!/usr/bin/env bash
# The release archive as an integrator receives it, under wine: unpacked into a fresh directory it
# holds what it should; its fiscal-host.exe plays the demo day and checks the chain with the DLL
# beside it; examples/pos.c from it, built with mingw against each of its import libraries (the
# MSVC .lib and mingw's .dll.a) and its header, plays its day on a store made from its schema.
# Arguments: the archive (.zip), the emulator (wine), the mingw C compiler.
set -euo pipefail
archive=$1 emulator=$2 cc=$3
here=$(cd "$(dirname "$0")" && pwd)
. "$here/../packaging/store_for_pos.sh"
[ -f "$archive" ] || { echo "no $archive: scripts/build-windows makes it (target release-archive)"; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

mkdir "$work/unpacked"
(cd "$work/unpacked" && cmake -E tar xf "$archive")
tops=("$work"/unpacked/*)
[ ${#tops[@]} -eq 1 ] && [ -d "${tops[0]}" ] || { echo "the archive holds more than one top directory"; exit 1; }
top=${tops[0]}
missing=0
for file in README.txt bin/DODU_PT_10.dll bin/fiscal-host.exe include/dodu_pt_10.h lib/DODU_PT_10.def \
            lib/DODU_PT_10.lib lib/libDODU_PT_10.dll.a lib/pkgconfig/dodu_pt_10.pc \
            lib/cmake/DODU_PT_10/DODU_PT_10Config.cmake lib/cmake/DODU_PT_10/DODU_PT_10ConfigVersion.cmake \
            share/DODU_PT_10/schema/sqlite.sql share/DODU_PT_10/schema/sqlserver.sql \
            share/doc/DODU_PT_10/README.md share/doc/DODU_PT_10/docs/integration.md \
            share/doc/DODU_PT_10/examples/pos.c; do
  [ -s "$top/$file" ] || { echo "the archive lacks $file"; missing=1; }
done
[ "$missing" = 0 ] || exit 1
# Both programs are linked static: no runtime DLL travels with them.
others=$(cd "$top/bin" && ls | grep -v -x -e DODU_PT_10.dll -e fiscal-host.exe || true)
[ -z "$others" ] || { echo "unexpected files in bin: $others"; exit 1; }

# The demo day, from the archive's files only.
day=$work/day
"$emulator" "$top/bin/fiscal-host.exe" init "$day"
"$emulator" "$top/bin/fiscal-host.exe" -C "$day" demo > "$work/demo.txt" || { cat "$work/demo.txt"; exit 1; }
"$emulator" "$top/bin/fiscal-host.exe" -C "$day" verify

# The example till against each import library; it lies beside the DLL, where Windows finds it.
# Without the linker's stdcall fix-up the decorated names (_OPEN@12) must be in the import library.
for import_library in DODU_PT_10.lib libDODU_PT_10.dll.a; do
  till=$top/bin/pos-${import_library%%.*}.exe
  "$cc" -Wall -Wextra -Werror -I "$top/include" "$top/share/doc/DODU_PT_10/examples/pos.c" \
    "$top/lib/$import_library" -loleaut32 -Wl,--disable-stdcall-fixup -o "$till"
  make_pos_store "$work/day-$import_library" "$top/share/DODU_PT_10/schema/sqlite.sql"
  run_pos_day "$till" "$work/day-$import_library" "$emulator"
done
echo "$(basename "$archive"): the demo day and the example till built against both import libraries ran under wine"
