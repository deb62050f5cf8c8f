"""Helpers shared by the bundle checks: failures are collected, so one run reports every fault."""

import json
import struct
import sys


class Checks:
    def __init__(self):
        self.failures = []

    def expect(self, condition, message):
        if not condition:
            self.failures.append(message)
        return condition

    def finish(self, what):
        for failure in self.failures:
            print(f"FAIL: {failure}")
        if self.failures:
            print(f"{what}: {len(self.failures)} failed")
            sys.exit(1)
        print(f"{what}: all checks passed")


def load_json(path):
    with open(path, encoding="utf-8") as file:
        return json.load(file)


def png_size(path):
    with open(path, "rb") as file:
        head = file.read(24)
    if head[:8] != b"\x89PNG\r\n\x1a\n" or head[12:16] != b"IHDR":
        return None
    return struct.unpack(">II", head[16:24])


def merge_patch(target, patch):
    """RFC 7386 JSON merge patch, as OpenDeck applies manifest.linux.json."""
    if not isinstance(patch, dict):
        return patch
    result = dict(target) if isinstance(target, dict) else {}
    for key, value in patch.items():
        if value is None:
            result.pop(key, None)
        else:
            result[key] = merge_patch(result.get(key), value)
    return result
