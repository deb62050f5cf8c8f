#!/usr/bin/env bash
# Runs the official Stream Deck CLI's validator over the built bundle as it is, every platform's
# binary in it, offline, and requires success with no warnings. Exits 77 (skipped) only when node
# or npm is missing.
set -uo pipefail
tooling=$1
bundle=${2%/}

if ! command -v node >/dev/null || ! command -v npm >/dev/null; then
  echo "SKIP: node and npm are needed for the official validator (scripts/setup-bundle-deps installs them)"
  exit 77
fi
cli="$tooling/node_modules/.bin/streamdeck"
if [[ ! -x $cli ]]; then
  echo "FAIL: $cli is missing; run scripts/setup-bundle-deps"
  exit 1
fi

output=$(NO_COLOR=1 FORCE_COLOR=0 "$cli" validate --no-update-check "$bundle" 2>&1)
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
