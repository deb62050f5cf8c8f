#!/usr/bin/env bash
# scripts/install-plugin against a temporary HOME: fresh install, replacement of an older copy, the
# Flatpak folder, and refusal of something that is not a bundle.
set -u
script=$1 bundle=${2%/} name=vesk.quillfern.vantrypro.streamdeck.sdPlugin failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
HOME=$(mktemp -d) && export HOME && unset XDG_CONFIG_HOME
trap 'rm -rf "$HOME"' EXIT
plugins=$HOME/.config/opendeck/plugins flatpak=$HOME/.var/app/me.amankhanna.opendeck/config/opendeck/plugins

"$script" "$bundle" >/dev/null 2>&1 || fail "the first install failed"
diff -r "$bundle" "$plugins/$name" >/dev/null || fail "the installed copy differs from the bundle"
[[ -x $plugins/$name/bin/VantryProDeckPlugin-linux ]] || fail "the installed executable lost its run bits"
touch "$plugins/$name/left-over" && mkdir -p "$HOME/.var/app/me.amankhanna.opendeck"
"$script" "$bundle" >/dev/null 2>&1 || fail "the second install failed"
[[ ! -e $plugins/$name/left-over ]] || fail "a file of the older copy survived"
diff -r "$bundle" "$flatpak/$name" >/dev/null || fail "the Flatpak copy differs from the bundle"
mkdir -p "$HOME/not-a-bundle" "$HOME/renamed.sdPlugin" && cp -R "$bundle/." "$HOME/renamed.sdPlugin/"
for refused in "$HOME/not-a-bundle" "$HOME/renamed.sdPlugin"; do
  ! "$script" "$refused" >/dev/null 2>&1 || fail "$refused was installed"
done
((failures == 0))
