#!/usr/bin/env bash
# The Linux binary runs inside OpenDeck's Flatpak runtime: it may need the C library's own parts
# (which every runtime has) and nothing else.
set -euo pipefail
binary=$1

if [[ ! -x $binary ]]; then
  echo "FAIL: no executable at $binary"
  exit 1
fi
output=$(ldd "$binary" 2>&1) || true
echo "$output"
if [[ $output == *"not a dynamic executable"* ]]; then
  exit 0
fi

status=0
seen_libc=0
while read -r line; do
  [[ -z $line ]] && continue
  library=${line%% *}
  case ${library##*/} in
    libc.so.*) seen_libc=1 ;;
    linux-vdso.so.* | linux-gate.so.* | libm.so.* | ld-linux*.so.* | libpthread.so.* | libdl.so.* | librt.so.*) ;;
    *)
      echo "FAIL: $binary needs $library, which is not part of the C library"
      status=1
      ;;
  esac
done <<<"$output"
# No libc line at all means ldd answered something this check does not understand.
if ((status == 0 && seen_libc == 0)); then
  echo "FAIL: ldd listed no C library; cannot judge its answer"
  status=1
fi
exit $status
