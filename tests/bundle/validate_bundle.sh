#!/usr/bin/env bash
# Runs the official Stream Deck CLI's validator over the built bundle, offline, and requires
# success with no warnings. Exits 77 (skipped) only when node or npm is missing.
set -uo pipefail
tooling=$1
bundle=${2%/}
name=$(basename "$bundle")

if ! command -v node >/dev/null || ! command -v npm >/dev/null; then
  echo "SKIP: node and npm are needed for the official validator (scripts/setup-bundle-deps installs them)"
  exit 77
fi
cli="$tooling/node_modules/.bin/streamdeck"
if [[ ! -x $cli ]]; then
  echo "FAIL: $cli is missing; run scripts/setup-bundle-deps"
  exit 1
fi

# The validator requires every CodePath's file, but a build carries only its own platform's
# binary. A copy of the bundle gets empty stand-ins for the others; the real bundle is untouched.
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp -R "$bundle" "$work/$name"
for key in CodePath CodePathMac CodePathWin; do
  path=$(node -e 'const m = require(process.argv[1]); process.stdout.write(m[process.argv[2]] || "")' \
    "$work/$name/manifest.json" "$key")
  if [[ -n $path && ! -e $work/$name/$path ]]; then
    echo "note: $key $path comes from another platform's build; an empty stand-in takes its place here"
    mkdir -p "$(dirname "$work/$name/$path")"
    : >"$work/$name/$path"
  fi
done

output=$(NO_COLOR=1 FORCE_COLOR=0 "$cli" validate --no-update-check "$work/$name" 2>&1)
status=$?
echo "$output"
if ((status != 0)); then
  echo "FAIL: the validator exited with $status"
  exit 1
fi
if grep -qi 'warning' <<<"$output"; then
  echo "FAIL: the validator warned"
  exit 1
fi
if ! grep -q 'Validation successful' <<<"$output"; then
  echo "FAIL: the validator did not report success"
  exit 1
fi
