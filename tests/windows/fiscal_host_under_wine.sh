#!/usr/bin/env bash
# fiscal-host.exe under wine: init, a demo day and verify on a fresh directory, then every stored
# signature checked on Linux with openssl against the public key, whatever wine's own checker said.
# Arguments: the emulator (wine), fiscal-host.exe, the public key (PEM).
set -euo pipefail
emulator=$1 host=$2 public_key=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
day=$work/day

"$emulator" "$host" init "$day"
"$emulator" "$host" -C "$day" demo > "$work/demo.txt"
"$emulator" "$host" -C "$day" verify

store=$(find "$day" -name '*.db' | head -1)
[ -n "$store" ] || { echo "no store in $day"; exit 1; }
count=0
while IFS='|' read -r number hashed hash; do
  printf '%s' "$hashed" > "$work/message"
  printf '%s' "$hash" | base64 -d > "$work/signature"
  openssl dgst -sha1 -verify "$public_key" -signature "$work/signature" "$work/message" >/dev/null ||
    { echo "document $number: signature does not verify"; exit 1; }
  count=$((count + 1))
done < <(sqlite3 "$store" "select Serie || '/' || Number, HashedString, Hash from Receipts order by Serie, Number")
[ "$count" -gt 0 ] || { echo "the demo stored no documents"; exit 1; }
echo "$count signatures made under wine verify with openssl"
