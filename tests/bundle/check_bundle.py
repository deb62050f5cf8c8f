#!/usr/bin/env python3
"""Checks the built bundle in the way the hosts will meet it: check_bundle.py CHECK BUNDLE [ARG...]
  manifest VERSION OWN FULL KINDS LANG...   files the manifests name (pictures, property
                                   inspectors, binaries), the version, the actions
                                   the plugin knows (KINDS: its source), the language files; OWN:
                                   this build's binary, FULL: every host's binary
  package CMAKE SCRIPT             the zip the host unpacks, the same bytes from the same bundle
  macos BINARY                     the universal macOS binary, read by its load commands
  validate TOOLING                 the official validator, offline; exits 77 without node"""

import hashlib, json, os, re, shutil, struct, subprocess, sys, tempfile, zipfile

failures = []


def expect(condition, message):
    if not condition:
        failures.append(message)


def manifests(bundle):
    with open(os.path.join(bundle, "manifest.json")) as main, open(os.path.join(bundle, "manifest.linux.json")) as linux:
        return {**json.load(main), **json.load(linux)}  # OpenDeck reads the Linux one merged over the other


def code_paths(bundle):
    merged = manifests(bundle)  # OpenDeck's CodePaths holds one path per target triple
    paths = {key: path for key, path in merged.items() if key.startswith("CodePath") and key != "CodePaths"}
    return {**paths, **{f"CodePaths {triple}": path for triple, path in merged.get("CodePaths", {}).items()}}


def languages(bundle, actions, names):
    """Each language file names only and all of the manifest's actions, each with its name, tooltip
    and an encoder's trigger descriptions; a file that is not JSON stops the check."""
    for name in names:
        with open(os.path.join(bundle, f"{name}.json"), encoding="utf-8") as file:
            strings = json.load(file)
        listed = set(strings) - {"Name", "Description", "Localization"}
        expect(listed == set(actions), f"{name}.json: actions {sorted(listed ^ set(actions))} are on one side only")
        for uuid, action in actions.items():
            local = strings.get(uuid, {})
            wanted = [(local, "Name"), (local, "Tooltip")] + [(local.get("Encoder", {}).get("TriggerDescription", {}), key)
                                                              for key in action.get("Encoder", {}).get("TriggerDescription", {})]
            missing = [key for table, key in wanted if not str(table.get(key, "")).strip()]
            expect(not missing, f"{name}.json: {uuid} lacks {missing}")


def manifest(bundle, version, own, full, kinds, *language_names):
    merged = manifests(bundle)
    with open(kinds) as source:
        known = set(re.findall(r'"(vesk\.quillfern\.vantrypro\.streamdeck\.[a-z0-9-]+)"', source.read()))
    actions = {action["UUID"]: action for action in merged.get("Actions", [])}
    expect(set(actions) == known, f"actions {sorted(set(actions) ^ known)} are on one side only")
    expect(merged.get("Version") == version, f"Version {merged.get('Version')}, not {version}")
    languages(bundle, actions, language_names)
    for key, path in code_paths(bundle).items():
        if full == "1" or os.path.basename(path) == own:
            expect(os.access(os.path.join(bundle, path), os.X_OK), f"{key}: {path} is not an executable in the bundle")
    for image in re.findall(r'"(?:Icon|CategoryIcon|Image)": "([^"]*)"', json.dumps(merged)):
        expect(any(os.path.isfile(os.path.join(bundle, image + ext)) for ext in (".png", ".svg", ".gif")),
               f"{image} is not in the bundle")
    for page in re.findall(r'"PropertyInspectorPath": "([^"]*)"', json.dumps(merged)):
        expect(os.path.isfile(os.path.join(bundle, page)), f"{page} is not in the bundle")


def package(bundle, cmake, script):
    name = os.path.basename(os.path.normpath(bundle))
    with tempfile.TemporaryDirectory() as temp:
        output = os.path.join(temp, "plugin.streamDeckPlugin")
        os.umask(0o077)  # the packager's umask must not reach the modes
        subprocess.run([cmake, f"-DBUNDLE_DIR={bundle}", f"-DOUTPUT={output}", "-P", script], check=True,
                       env={**os.environ, "SOURCE_DATE_EPOCH": "1700000000"})
        expect(os.path.getsize(output) < 8_000_000, f"the package has {os.path.getsize(output)} bytes")
        with zipfile.ZipFile(output) as archive:
            entries = archive.infolist()
    names = [entry.filename.rstrip("/") for entry in entries]
    expect(names == sorted(names), "the entries are not in name order")
    expect({entry.date_time for entry in entries} == {(2023, 11, 14, 22, 13, 20)}, "an entry is not dated SOURCE_DATE_EPOCH")
    expect(not any(entry.extra for entry in entries), "an entry carries extra fields (owner, access or change time)")
    executables = {f"{name}/{path}" for path in code_paths(bundle).values()}
    for entry in entries:
        mode, path = entry.external_attr >> 16, entry.filename.rstrip("/")
        wanted = 0o40755 if entry.is_dir() else 0o100755 if path in executables else 0o100644
        expect(mode == wanted, f"{path} stored with mode {oct(mode)}, not {oct(wanted)}")


def signed(image, dataoff):
    """An ad-hoc SHA-256 code directory whose page hashes match: Apple silicon kills anything else."""
    magic, _, count = struct.unpack_from(">III", image, dataoff)
    for index in range(count if magic == 0xFADE0CC0 else 0):
        blob = dataoff + struct.unpack_from(">II", image, dataoff + 12 + 8 * index)[1]
        if struct.unpack_from(">I", image, blob)[0] == 0xFADE0C02:
            flags, hashes, _, _, slots, limit, size, kind, _, page = struct.unpack_from(">IIIIIIBBBB", image, blob + 12)
            pages = [image[slot << page:min((slot + 1) << page, limit)] for slot in range(slots)]
            return flags & 0x2 and kind == 2 and all(
                hashlib.sha256(data).digest() == image[blob + hashes + i * size:blob + hashes + (i + 1) * size]
                for i, data in enumerate(pages))
    return False


def macos(binary):
    with open(binary, "rb") as file:
        data = file.read()
    magic, count = struct.unpack_from(">II", data)
    arches = {0x0100000C: "arm64", 0x01000007: "x86_64"}
    slices = {arches.get(cpu, hex(cpu)): data[offset:offset + size] for cpu, _, offset, size, _ in
              (struct.unpack_from(">iiIII", data, 8 + 20 * i) for i in range(count if magic == 0xCAFEBABE else 0))}
    expect(sorted(slices) == ["arm64", "x86_64"], f"slices {sorted(slices)}, not arm64 and x86_64")
    for arch, image in slices.items():
        libraries, minimum, signature, uuid, offset = [], None, None, None, 32
        for _ in range(struct.unpack_from("<I", image, 16)[0]):
            cmd, size, first, second = struct.unpack_from("<IIII", image, offset)
            if cmd in (0xC, 0x20, 0x80000018, 0x8000001F, 0x80000023):  # the ways to load a library
                libraries.append(image[offset + first:offset + size].split(b"\0")[0].decode())
            elif cmd in (0x32, 0x24):  # build version, minimum macOS
                version = second if cmd == 0x32 else first
                minimum = (version >> 16, (version >> 8) & 0xFF)
            elif cmd == 0x1D:
                signature = first
            elif cmd == 0x1B:
                uuid = image[offset + 8:offset + 24]
            offset += size
        expect(libraries == ["/usr/lib/libSystem.B.dylib"], f"{arch}: imports {libraries}")
        expect(uuid and any(uuid), f"{arch}: no LC_UUID, which dyld on macOS 15 and later requires")
        expect(minimum is not None and minimum <= (12, 0), f"{arch}: minimum macOS {minimum}, not 12 or lower")
        expect(arch != "arm64" or (signature and signed(image, signature)), f"{arch}: no valid ad-hoc signature")


def validate(bundle, tooling):
    if not shutil.which("node"):
        print("SKIP: node is needed for the official validator (scripts/install-deps bundle)")
        sys.exit(77)
    run = subprocess.run([os.path.join(tooling, "node_modules", ".bin", "streamdeck"), "validate", "--no-update-check",
                          os.path.normpath(bundle)], capture_output=True, text=True, env={**os.environ, "NO_COLOR": "1"})
    print(run.stdout, run.stderr)
    expect(run.returncode == 0 and "Validation successful" in run.stdout, "the validator failed")
    expect("warning" not in (run.stdout + run.stderr).lower(), "the validator warned")


if __name__ == "__main__":
    globals()[sys.argv[1]](*sys.argv[2:])
    for failure in failures:
        print(f"FAIL: {failure}")
    sys.exit(1 if failures else 0)
