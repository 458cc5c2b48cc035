#!/usr/bin/env python3
"""readonly_resources.py FILE: clears the write flag of FILE's .rsrc section in place and
recomputes the header's checksum.

GNU ld always marks a PE's resources writable; nothing ever writes them, and Microsoft's linker
makes them read-only. The result depends only on the file's own bytes, so builds stay alike."""

import struct
import sys

IMAGE_SCN_MEM_WRITE = 0x80000000


def checksum(data, field):
    """The PE checksum: 16-bit one's-complement-style sum of the file without its checksum
    field, plus the file's length."""
    words = data[:field] + b"\0\0\0\0" + data[field + 4:] + b"\0" * (len(data) % 2)
    total = 0
    for (word,) in struct.iter_unpack("<H", words):
        total += word
        total = (total & 0xFFFF) + (total >> 16)
    return total + len(data)


def main(path):
    with open(path, "rb") as f:
        data = bytearray(f.read())
    (pe,) = struct.unpack_from("<I", data, 0x3C)
    sections, _, _, _, optional_size = struct.unpack_from("<HIIIH", data, pe + 6)
    table = pe + 24 + optional_size
    headers = [table + 40 * k for k in range(sections)]
    found = [at for at in headers if data[at:at + 8].rstrip(b"\0") == b".rsrc"]
    if not found:
        print(f"{path}: no .rsrc section", file=sys.stderr)
        return 1
    (flags,) = struct.unpack_from("<I", data, found[0] + 36)
    struct.pack_into("<I", data, found[0] + 36, flags & ~IMAGE_SCN_MEM_WRITE)
    field = pe + 24 + 64
    struct.pack_into("<I", data, field, checksum(data, field))
    with open(path, "wb") as f:
        f.write(data)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1]))
