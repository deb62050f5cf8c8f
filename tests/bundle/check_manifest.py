#!/usr/bin/env python3
"""Checks the built bundle's manifests against what the plugin and the hosts expect."""

import argparse
import os
import re
import stat
import sys

sys.path.insert(0, os.path.dirname(__file__))
from bundle_checks import Checks, load_json, merge_patch, png_size  # noqa: E402

DISPLAY_ONLY = {"runtime", "logo"}


def plugin_identifiers(kinds_source):
    with open(kinds_source, encoding="utf-8") as file:
        return re.findall(r'\{"(vesk\.quillfern\.vantrypro\.streamdeck\.[a-z0-9-]+)"', file.read())


def resolve_image(bundle, reference, extensions):
    return [reference + ext for ext in extensions if os.path.isfile(os.path.join(bundle, reference + ext))]


def check_image(checks, bundle, where, reference, extensions, size):
    if not checks.expect(not os.path.splitext(reference)[1], f"{where}: '{reference}' names its extension"):
        return
    found = resolve_image(bundle, reference, extensions)
    # The validator warns when two files answer to one reference.
    if not checks.expect(len(found) == 1, f"{where}: '{reference}' resolves to {found or 'nothing'}"):
        return
    path = os.path.join(bundle, found[0])
    if found[0].endswith(".png"):
        checks.expect(png_size(path) == size, f"{where}: {found[0]} is {png_size(path)}, not {size}")
        double = os.path.join(bundle, reference + "@2x.png")
        checks.expect(os.path.isfile(double) and png_size(double) == (size[0] * 2, size[1] * 2),
                      f"{where}: {reference}@2x.png missing or not {size[0] * 2}x{size[1] * 2}")
    else:
        with open(path, encoding="utf-8") as file:
            root = re.search(r"<svg\b[^>]*>", file.read())
        checks.expect(root and f'width="{size[0]}"' in root.group(0) and f'height="{size[1]}"' in root.group(0),
                      f"{where}: {found[0]} is not drawn at {size[0]}x{size[1]}")


def check_executable(checks, bundle, key, relative):
    path = os.path.join(bundle, relative)
    if checks.expect(os.path.isfile(path), f"{key}: {relative} is not in the bundle"):
        checks.expect(os.stat(path).st_mode & stat.S_IXUSR, f"{key}: {relative} is not executable")


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--bundle", required=True)
    parser.add_argument("--kinds", required=True, help="render/deck_action_kind.cpp")
    parser.add_argument("--version", required=True)
    parser.add_argument("--platform", required=True, help="CMAKE_SYSTEM_NAME")
    args = parser.parse_args()
    bundle = args.bundle
    checks = Checks()

    manifest = load_json(os.path.join(bundle, "manifest.json"))
    identifiers = plugin_identifiers(args.kinds)
    checks.expect(len(identifiers) == 9, f"found {len(identifiers)} action identifiers in {args.kinds}, not nine")

    # The host names the key's action by its UUID; an action missing here never reaches the plugin.
    actions = manifest.get("Actions", [])
    uuids = [action.get("UUID") for action in actions]
    for identifier in identifiers:
        checks.expect(uuids.count(identifier) == 1, f"{identifier} appears {uuids.count(identifier)} times")
    for uuid in uuids:
        checks.expect(uuid in identifiers, f"action {uuid} is unknown to the plugin")

    checks.expect(manifest.get("UUID") == "vesk.quillfern.vantrypro.streamdeck", "plugin UUID")
    checks.expect(os.path.basename(os.path.normpath(bundle)) == manifest.get("UUID") + ".sdPlugin",
                  "the bundle folder is not named after the plugin UUID")
    checks.expect(manifest.get("Version") == args.version, f"Version {manifest.get('Version')} != {args.version}")
    checks.expect(re.fullmatch(r"\d+\.\d+\.\d+\.\d+", manifest.get("Version", "")), "Version has not four parts")
    checks.expect(manifest.get("Category") == manifest.get("Name") == "Vantry Pro", "Name and Category")
    checks.expect(manifest.get("Author") == "Quillfern", "Author")
    checks.expect(manifest.get("ApplicationsToMonitor") == {"mac": ["vesk.quillfern.vantrypro"],
                                                            "windows": ["Vantry Pro.exe"]}, "ApplicationsToMonitor")
    checks.expect(sorted(os_entry.get("Platform") for os_entry in manifest.get("OS", [])) == ["mac", "windows"], "OS")

    check_image(checks, bundle, "Icon", manifest.get("Icon", ""), [".png"], (256, 256))
    check_image(checks, bundle, "CategoryIcon", manifest.get("CategoryIcon", ""), [".svg", ".png"], (28, 28))
    for action in actions:
        name = action.get("UUID", "?").rsplit(".", 1)[-1]
        checks.expect(action.get("Name") and action.get("Tooltip"), f"{name}: Name and Tooltip")
        checks.expect(action.get("Controllers") == ["Keypad"], f"{name}: Controllers")
        # The plugin's pictures carry all text; a host title would be drawn over them.
        checks.expect(action.get("UserTitleEnabled") is False, f"{name}: UserTitleEnabled")
        in_multi = action.get("SupportedInMultiActions", True)
        checks.expect(in_multi is (name not in DISPLAY_ONLY), f"{name}: SupportedInMultiActions is {in_multi}")
        check_image(checks, bundle, f"{name} Icon", action.get("Icon", ""), [".svg", ".png"], (20, 20))
        states = action.get("States", [])
        checks.expect(len(states) == 1, f"{name}: {len(states)} states")
        for state in states:
            check_image(checks, bundle, f"{name} key image", state.get("Image", ""), [".svg", ".png", ".gif"],
                        (144, 144))
            checks.expect(state.get("ShowTitle") is False, f"{name}: ShowTitle")

    # Every platform's binary lies directly in bin/ (the logo is looked up two levels above it),
    # each under its own name. A build carries its own; the package adds the others.
    own = {"Linux": "CodePathLin", "Darwin": "CodePathMac", "Windows": "CodePathWin"}.get(args.platform)
    code_paths = {"CodePath": "bin/VantryProDeckPlugin", "CodePathMac": "bin/VantryProDeckPlugin",
                  "CodePathWin": "bin/VantryProDeckPlugin.exe", "CodePathLin": "bin/VantryProDeckPlugin-linux"}

    # OpenDeck reads manifest.json with manifest.linux.json merged over it.
    linux_patch = load_json(os.path.join(bundle, "manifest.linux.json"))
    for key in linux_patch:
        checks.expect(key in manifest or key == "CodePathLin", f"manifest.linux.json: unknown key {key}")
    merged = merge_patch(manifest, linux_patch)
    checks.expect([entry.get("Platform") for entry in merged.get("OS", [])] == ["linux"],
                  f"merged OS is {merged.get('OS')}")
    checks.expect(merged.get("ApplicationsToMonitor", {}).get("linux") == ["vantrypro"], "merged Linux process name")
    checks.expect(merged.get("ApplicationsToMonitor", {}).get("mac") == ["vesk.quillfern.vantrypro"],
                  "merging dropped the mac application")
    checks.expect(merged.get("Actions") == actions and merged.get("UUID") == manifest.get("UUID"),
                  "merging changed the actions or the UUID")
    for key, path in code_paths.items():
        checks.expect(merged.get(key) == path, f"{key} is {merged.get(key)}, not {path}")
        if key == own or os.path.exists(os.path.join(bundle, path)):
            check_executable(checks, bundle, key, path)

    checks.expect(os.path.isdir(os.path.join(bundle, "assets")), "assets/ is missing")
    # The plugin sends the logo's bytes as image/png; anything else shows as a broken key.
    logo = os.path.join(bundle, "assets", "vantry-app-logo.png")
    if os.path.exists(logo):
        checks.expect(png_size(logo) is not None, "assets/vantry-app-logo.png is not a PNG file")
    checks.finish("manifest")


if __name__ == "__main__":
    main()
