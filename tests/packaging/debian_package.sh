#!/usr/bin/env bash
# The Debian package as the build tree's CPack makes it: its Depends names the package of every
# library its programs link; unpacked into a scratch root (dpkg -x, so nothing changes on the
# machine), the installed fiscal-host alone loads the installed library, plays the demo day and
# checks the day's signature chain.
# Arguments: the build tree, cpack.
set -euo pipefail
build=$1 cpack=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

"$cpack" -G DEB --config "$build/CPackConfig.cmake" -B "$work/out" > "$work/cpack.log" 2>&1 ||
  { cat "$work/cpack.log"; exit 1; }
debs=("$work"/out/*.deb)
[ ${#debs[@]} -eq 1 ] && [ -f "${debs[0]}" ] || { cat "$work/cpack.log"; echo "cpack made no one .deb"; exit 1; }
deb=${debs[0]}
root=$work/root
dpkg-deb -x "$deb" "$root"
library=$root/usr/lib/$(cd "$root/usr/lib" && find . -name DODU_PT_10.so -printf '%P\n')
host=$root/usr/bin/fiscal-host
for file in "$library" "$host" "$root/usr/include/dodu_pt_10.h"; do
  [ -f "$file" ] || { dpkg-deb -c "$deb"; echo "the package lacks $file"; exit 1; }
done

# Depends: the package of every library the library and fiscal-host link, by name.
depends=$(dpkg-deb -f "$deb" Depends | tr ',|' '\n\n' | awk '{print $1}' | sort -u)
[ -n "$depends" ] || { echo "the package names no dependency"; exit 1; }
links=() candidates=()
for elf in "$library" "$host"; do
  for needed in $(readelf -d "$elf" | sed -n 's/.*(NEEDED).*\[\(.*\)\]/\1/p'); do
    # "name => path", or the loader's own line: "path (address)"
    path=$(ldd "$elf" | awk -v n="$needed" '$2 == "=>" && $1 == n {print $3} $2 != "=>" && $1 ~ "/" n "$" {print $1}')
    [ -n "$path" ] || { echo "$elf: $needed not found on this machine"; exit 1; }
    links+=("$elf|$needed|$path")
    # With or without the merged /usr, as the package lists it.
    candidates+=("$path" "/usr$path" "${path#/usr}")
  done
done
declare -A owner
while read -r package file; do owner[$file]=${package%%:*}; done < <(dpkg-query -S "${candidates[@]}" 2>/dev/null || true)
for link in "${links[@]}"; do
  IFS='|' read -r elf needed path <<< "$link"
  package=${owner[$path]:-${owner[/usr$path]:-${owner[${path#/usr}]:-}}}
  [ -n "$package" ] || { echo "$elf: no package holds $path"; exit 1; }
  grep -qx -- "$package" <<< "$depends" ||
    { echo "$elf links $needed of $package, which Depends does not name: $depends"; exit 1; }
done

# The demo day with the installed tool only; the loader's trace shows which library it loaded.
day=$work/day
"$host" init "$day" > "$work/init.txt" || { cat "$work/init.txt"; exit 1; }
LD_DEBUG=files LD_DEBUG_OUTPUT=$work/loader "$host" -C "$day" demo > "$work/demo.txt" ||
  { cat "$work/demo.txt"; exit 1; }
"$host" -C "$day" verify
loaded=$(cat "$work"/loader.* | sed -n 's/.*file=\([^ ]*DODU_PT_10\.so\) .*/\1/p' | sort -u)
[ -n "$loaded" ] && [ "$(realpath "$loaded")" = "$(realpath "$library")" ] || { echo "the demo loaded '$loaded', not the package's $library"; exit 1; }
echo "$(basename "$deb"), Depends: $(dpkg-deb -f "$deb" Depends)"
