#!/usr/bin/env bash
# scripts/install-plugin against a temporary HOME: fresh install, replacement of an older copy,
# the Flatpak folder, and refusal of something that is not a bundle.
set -uo pipefail
script=$1
bundle=$2
name=vesk.quillfern.vantrypro.streamdeck.sdPlugin

if [[ $(uname -s) != Linux ]]; then
  echo "install-plugin is checked on Linux only"
  exit 0
fi

failures=0
fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}

home=$(mktemp -d)
trap 'rm -rf "$home"' EXIT
export HOME=$home
unset XDG_CONFIG_HOME
plugins="$home/.config/opendeck/plugins"
flatpak_plugins="$home/.var/app/me.amankhanna.opendeck/config/opendeck/plugins"

# Fresh install: OpenDeck's folder need not exist yet, and no Flatpak folder is made up.
output=$("$script" "$bundle" 2>&1) || fail "first install failed: $output"
[[ $output == *"Installed $plugins/$name"* ]] || fail "first install did not say where it went: $output"
diff -r "$bundle" "$plugins/$name" >/dev/null || fail "the installed copy differs from the bundle"
[[ -x $plugins/$name/bin/VantryProDeckPlugin-linux ]] || fail "the installed executable lost its run bits"
[[ ! -e $home/.var ]] || fail "a Flatpak folder was created although OpenDeck's Flatpak is absent"

# An older copy, with a file the new bundle no longer has, is replaced whole.
touch "$plugins/$name/left-over"
mkdir -p "$home/.var/app/me.amankhanna.opendeck"
output=$("$script" "$bundle" 2>&1) || fail "second install failed: $output"
[[ $output == *"Replaced $plugins/$name"* ]] || fail "reinstall did not say it replaced: $output"
[[ ! -e $plugins/$name/left-over ]] || fail "a file of the older copy survived"
[[ $output == *"Installed $flatpak_plugins/$name"* ]] || fail "the Flatpak folder was not served: $output"
diff -r "$bundle" "$flatpak_plugins/$name" >/dev/null || fail "the Flatpak copy differs from the bundle"
leftovers=$(find "$plugins" "$flatpak_plugins" -maxdepth 1 -name ".*installing*")
[[ -z $leftovers ]] || fail "staging folders left behind: $leftovers"

# XDG_CONFIG_HOME moves OpenDeck's configuration, and the plugins with it.
output=$(XDG_CONFIG_HOME="$home/xdg" "$script" "$bundle" 2>&1) || fail "install with XDG_CONFIG_HOME failed: $output"
[[ -f $home/xdg/opendeck/plugins/$name/manifest.json ]] || fail "XDG_CONFIG_HOME was not honoured"

# A folder that is not a bundle is refused and nothing is touched.
mkdir -p "$home/not-a-bundle"
before=$(ls -la "$plugins/$name")
if output=$("$script" "$home/not-a-bundle" 2>&1); then
  fail "a folder without manifest.json was installed"
fi
[[ $output == *"no plugin bundle"* ]] || fail "the refusal does not say why: $output"
[[ $(ls -la "$plugins/$name") == "$before" ]] || fail "a refused install changed the installed copy"

# A copy under another name would never be found by the host.
mkdir -p "$home/renamed.sdPlugin"
cp -R "$bundle/." "$home/renamed.sdPlugin/"
if "$script" "$home/renamed.sdPlugin" >/dev/null 2>&1; then
  fail "a bundle with a wrong folder name was installed"
fi

if ((failures)); then
  echo "install-plugin: $failures failed"
  exit 1
fi
echo "install-plugin: all checks passed"
