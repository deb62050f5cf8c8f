#!/usr/bin/env python3
"""Packages the built bundle into a temporary file and checks what the host will unpack."""

import argparse
import os
import stat
import subprocess
import sys
import tempfile
import zipfile

sys.path.insert(0, os.path.dirname(__file__))
from bundle_checks import Checks, load_json  # noqa: E402


def bundle_entries(bundle):
    name = os.path.basename(os.path.normpath(bundle))
    files, folders = set(), {name + "/"}
    for root, dirs, names in os.walk(bundle):
        relative = os.path.relpath(root, os.path.dirname(os.path.normpath(bundle))).replace(os.sep, "/")
        folders.update(f"{relative}/{d}/" for d in dirs)
        files.update(f"{relative}/{n}" for n in names)
    return files, folders


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--bundle", required=True)
    parser.add_argument("--cmake", required=True)
    parser.add_argument("--script", required=True)
    args = parser.parse_args()
    bundle = os.path.normpath(args.bundle)
    name = os.path.basename(bundle)
    checks = Checks()

    with tempfile.TemporaryDirectory() as temp:
        output = os.path.join(temp, "vesk.quillfern.vantrypro.streamdeck.streamDeckPlugin")
        # A stale file at the output path must be replaced, not appended to.
        with open(output, "wb") as stale:
            stale.write(b"not a zip")
        run = subprocess.run([args.cmake, f"-DBUNDLE_DIR={bundle}", f"-DOUTPUT={output}", "-P", args.script],
                             capture_output=True, text=True)
        # Only a bundle with every platform's binary may become a package.
        merged = {**load_json(os.path.join(bundle, "manifest.json")),
                  **load_json(os.path.join(bundle, "manifest.linux.json"))}
        missing = [path for key, path in merged.items()
                   if key.startswith("CodePath") and not os.path.exists(os.path.join(bundle, path))]
        if missing or run.returncode != 0:
            print(run.stdout, run.stderr)
            checks.expect(missing and run.returncode != 0, f"package.cmake exited with {run.returncode}")
            checks.expect(all(path in run.stderr for path in missing), f"the refusal does not name {missing}")
            return checks.finish("package")
        checks.expect(os.path.getsize(output) < 8_000_000, f"the package has {os.path.getsize(output)} bytes")
        checks.expect(not os.path.exists(output + ".partial"), "a .partial file was left behind")

        with zipfile.ZipFile(output) as archive:
            checks.expect(archive.testzip() is None, "the archive is corrupt")
            infos = archive.infolist()
            entries = [info.filename for info in infos]
            checks.expect(len(entries) == len(set(entries)), "duplicate entries")
            for entry in entries:
                checks.expect(entry.startswith(name + "/") and ".." not in entry.split("/") and "\\" not in entry,
                              f"entry {entry} lies outside {name}/")

            files, folders = bundle_entries(bundle)
            archived_files = {e for e in entries if not e.endswith("/")}
            checks.expect(archived_files == files,
                          f"files differ: missing {sorted(files - archived_files)}, extra {sorted(archived_files - files)}")
            # The host unpacks folders only from their own entries, so assets/ must have one even if empty.
            checks.expect(f"{name}/assets/" in entries, "assets/ has no entry")
            checks.expect(folders <= set(entries), f"folders without entries: {sorted(folders - set(entries))}")

            for binary in os.listdir(os.path.join(bundle, "bin")):
                entry = f"{name}/bin/{binary}"
                info = archive.getinfo(entry) if entry in entries else None
                mode = (info.external_attr >> 16) if info else 0
                checks.expect(info and stat.S_ISREG(mode) and mode & 0o111 == 0o111,
                              f"{entry} is stored with mode {oct(mode)}, not executable")
                with open(os.path.join(bundle, "bin", binary), "rb") as file:
                    checks.expect(info and archive.read(info) == file.read(), f"the archived {binary} differs")
            manifest = f"{name}/manifest.json"
            if manifest in entries:
                mode = archive.getinfo(manifest).external_attr >> 16
                checks.expect(mode & 0o444 == 0o444 and not mode & 0o111, f"manifest.json has mode {oct(mode)}")
    checks.finish("package")


if __name__ == "__main__":
    main()
