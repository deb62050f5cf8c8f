#!/usr/bin/env python3
"""Checks the universal macOS binary by its load commands, since nothing here can run it: an arm64
and an x86_64 slice, libSystem as the only library, a minimum macOS the manifest admits, and on
arm64 an ad-hoc code signature whose page hashes match, without which Apple silicon kills it."""

import hashlib
import os
import struct
import sys

sys.path.insert(0, os.path.dirname(__file__))
from bundle_checks import Checks  # noqa: E402

ARCHES = {0x0100000C: "arm64", 0x01000007: "x86_64"}
DYLIB_COMMANDS = {0xC, 0x20, 0x80000018, 0x8000001F, 0x80000023}
LC_CODE_SIGNATURE, LC_VERSION_MIN_MACOSX, LC_BUILD_VERSION = 0x1D, 0x24, 0x32
MINIMUM_MACOS = (12, 0)


def signature_fault(image, dataoff, datasize):
    """None when the embedded signature is ad hoc and every page hash matches, else what is wrong."""
    magic, _, count = struct.unpack_from(">III", image, dataoff)
    if magic != 0xFADE0CC0:
        return "no embedded signature"
    for index in range(count):
        _, offset = struct.unpack_from(">II", image, dataoff + 12 + 8 * index)
        blob = dataoff + offset
        if struct.unpack_from(">I", image, blob)[0] != 0xFADE0C02:
            continue
        flags, hash_offset, _, _, slots, limit, size, kind, _, page = struct.unpack_from(">IIIIIIBBBB", image, blob + 12)
        if not flags & 0x2 or kind != 2:
            return f"code directory flags {flags:#x}, hash type {kind}: not an ad-hoc SHA-256 signature"
        for slot in range(slots):
            start = slot << page
            digest = hashlib.sha256(image[start:min(start + (1 << page), limit)]).digest()
            if digest != image[blob + hash_offset + slot * size:blob + hash_offset + (slot + 1) * size]:
                return f"page {slot} does not match its hash: the file changed after signing"
        return None
    return "no code directory"


def check_slice(checks, arch, image):
    magic, _, _, _, ncmds = struct.unpack_from("<IiiII", image)
    checks.expect(magic == 0xFEEDFACF, f"{arch}: not a 64-bit Mach-O slice")
    libraries, minimum, signature, offset = [], None, None, 32
    for _ in range(ncmds):
        cmd, size = struct.unpack_from("<II", image, offset)
        if cmd in DYLIB_COMMANDS:
            name = struct.unpack_from("<I", image, offset + 8)[0]
            libraries.append(image[offset + name:offset + size].split(b"\0")[0].decode())
        elif cmd in (LC_BUILD_VERSION, LC_VERSION_MIN_MACOSX):
            version = struct.unpack_from("<I", image, offset + (12 if cmd == LC_BUILD_VERSION else 8))[0]
            minimum = (version >> 16, (version >> 8) & 0xFF)
        elif cmd == LC_CODE_SIGNATURE:
            signature = struct.unpack_from("<II", image, offset + 8)
        offset += size
    checks.expect(libraries == ["/usr/lib/libSystem.B.dylib"], f"{arch}: imports {libraries}")
    checks.expect(minimum is not None and minimum <= MINIMUM_MACOS, f"{arch}: minimum macOS {minimum}")
    if arch == "arm64":
        fault = signature_fault(image, *signature) if signature else "no code signature"
        checks.expect(fault is None, f"arm64: {fault}")


def main():
    checks = Checks()
    with open(sys.argv[1], "rb") as file:
        data = file.read()
    magic, count = struct.unpack_from(">II", data)
    if checks.expect(magic == 0xCAFEBABE, "not a universal binary"):
        arches = {}
        for index in range(count):
            cputype, _, offset, size, _ = struct.unpack_from(">iiIII", data, 8 + 20 * index)
            arches[ARCHES.get(cputype, hex(cputype))] = data[offset:offset + size]
        checks.expect(sorted(arches) == ["arm64", "x86_64"], f"slices {sorted(arches)}, not arm64 and x86_64")
        for arch, image in arches.items():
            check_slice(checks, arch, image)
    checks.finish("macOS binary")


if __name__ == "__main__":
    main()
