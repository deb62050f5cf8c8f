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


def signature_fault(image, dataoff):
    """None when the embedded signature is ad hoc and every page hash matches, else what is wrong."""
    magic, _, count = struct.unpack_from(">III", image, dataoff)
    for index in range(count if magic == 0xFADE0CC0 else 0):
        blob = dataoff + struct.unpack_from(">II", image, dataoff + 12 + 8 * index)[1]
        if struct.unpack_from(">I", image, blob)[0] != 0xFADE0C02:
            continue
        flags, hashes, _, _, slots, limit, size, kind, _, page = struct.unpack_from(">IIIIIIBBBB", image, blob + 12)
        if not flags & 0x2 or kind != 2:
            return f"code directory flags {flags:#x}, hash type {kind}: not an ad-hoc SHA-256 signature"
        for slot in range(slots):
            start, stored = slot << page, blob + hashes + slot * size
            if hashlib.sha256(image[start:min(start + (1 << page), limit)]).digest() != image[stored:stored + size]:
                return f"page {slot} does not match its hash: the file changed after signing"
        return None
    return "no code directory"


def check_slice(checks, arch, image):
    magic, _, _, _, ncmds = struct.unpack_from("<IiiII", image)
    checks.expect(magic == 0xFEEDFACF, f"{arch}: not a 64-bit Mach-O slice")
    libraries, minimum, signature, offset = [], None, None, 32
    for _ in range(ncmds):
        cmd, size, first, second = struct.unpack_from("<IIII", image, offset)
        if cmd in DYLIB_COMMANDS:
            libraries.append(image[offset + first:offset + size].split(b"\0")[0].decode())
        elif cmd in (LC_BUILD_VERSION, LC_VERSION_MIN_MACOSX):
            version = second if cmd == LC_BUILD_VERSION else first
            minimum = (version >> 16, (version >> 8) & 0xFF)
        elif cmd == LC_CODE_SIGNATURE:
            signature = first
        offset += size
    checks.expect(libraries == ["/usr/lib/libSystem.B.dylib"], f"{arch}: imports {libraries}")
    checks.expect(minimum is not None and minimum <= (12, 0), f"{arch}: minimum macOS {minimum}, not 12 or lower")
    if arch == "arm64":
        fault = signature_fault(image, signature) if signature else "no code signature"
        checks.expect(fault is None, f"arm64: {fault}")


def main():
    checks = Checks()
    with open(sys.argv[1], "rb") as file:
        data = file.read()
    magic, count = struct.unpack_from(">II", data)
    slices = {}
    for index in range(count if checks.expect(magic == 0xCAFEBABE, "not a universal binary") else 0):
        cputype, _, offset, size, _ = struct.unpack_from(">iiIII", data, 8 + 20 * index)
        slices[ARCHES.get(cputype, hex(cputype))] = data[offset:offset + size]
    checks.expect(sorted(slices) == ["arm64", "x86_64"], f"slices {sorted(slices)}, not arm64 and x86_64")
    for arch, image in slices.items():
        check_slice(checks, arch, image)
    checks.finish("macOS binary")


if __name__ == "__main__":
    main()
