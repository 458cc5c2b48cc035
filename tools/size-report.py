#!/usr/bin/env python3
"""Where the bytes of tavorinex.scr go, as Markdown tables:

    size-report.py build/windows/tavorinex.scr build/windows/tavorinex.map

first the file by PE section (each section's bytes in the file, rounded up to the 512-byte file
alignment; PE keeps 8 letters of a name, so .eh_frame shows as .eh_fram), then the contents of
those sections by origin, from the linker map the build writes beside the .scr. The rest of each
section, up to its size in the file, is the file alignment's zero padding."""

import re
import struct
import sys
from collections import defaultdict

ORIGINS = [
    ("the program's own code and data", "program"),
    ("standard library templates instantiated in it (std::string and its helpers)", "library"),
    ("app/cxx_runtime.cpp (the entry point, operator new/delete, the __throw_* functions)",
     "runtime"),
    ("libstdc++: exceptions, terminate handler, demangler, string members", "libstdc++"),
    ("the unwinder (libgcc_eh)", "unwinder"),
    ("the thread library (winpthread)", "threads"),
    ("MinGW-w64 start-up code and C library (crt2, libmingw32, libmingwex, libgcc)", "startup"),
    ("import tables and call stubs", "imports"),
    ("resources (.rsrc)", "resources"),
    ("base relocations, which let ASLR move the image", "relocations"),
    ("alignment padding", "fill"),
]
# Mangled names of members of namespace std.
LIBRARY_SECTION = re.compile(r"\$_Z(NK?)?St")
# The members of import libraries: a head, a tail and one per function.
IMPORT_MEMBER = re.compile(r"\(lib\w+(h|t|s\d+)\.o\)$")
ARCHIVES = {"libstdc++.a": "libstdc++", "libgcc_eh.a": "unwinder", "libpthread.a": "threads",
            "libwinpthread.a": "threads"}


def sections(path):
    """[(name, raw size)] and the header size of a PE file."""
    with open(path, "rb") as f:
        data = f.read()
    (pe,) = struct.unpack_from("<I", data, 0x3C)
    count, = struct.unpack_from("<H", data, pe + 6)
    optional_size, = struct.unpack_from("<H", data, pe + 20)
    headers, = struct.unpack_from("<I", data, pe + 24 + 60)
    table = pe + 24 + optional_size
    found = []
    for k in range(count):
        name = data[table + 40 * k:table + 40 * k + 8].rstrip(b"\0").decode("ascii")
        raw_size, = struct.unpack_from("<I", data, table + 40 * k + 16)
        found.append((name, raw_size))
    return headers, found, len(data)


def origin(output, section, source):
    if output == ".reloc":
        return "relocations"
    if section == "*fill*":
        return "fill"
    if source.endswith(".res") or section.startswith(".rsrc"):
        return "resources"
    if IMPORT_MEMBER.search(source) or section.startswith(".idata"):
        return "imports"
    for archive, key in ARCHIVES.items():
        if f"/{archive}(" in source:
            return key
    if "tavorinex_scr.dir" in source or re.search(r"(^|/)libtavorinex_\w+\.a\(", source):
        if "cxx_runtime.cpp" in source:
            return "runtime"
        return "library" if LIBRARY_SECTION.search(section) else "program"
    return "startup"


def contributions(map_path):
    """{output section: {origin: bytes}} from a GNU ld map."""
    entry = re.compile(r"^ (\S+)?\s+0x([0-9a-f]+)\s+0x([0-9a-f]+)(?:\s+(\S.*))?$")
    found = defaultdict(lambda: defaultdict(int))
    output, pending = None, None
    with open(map_path, encoding="utf-8", errors="replace") as f:
        for line in f:
            line = line.rstrip()
            header = re.match(r"^(\.\w+)\s+0x[0-9a-f]+\s+0x[0-9a-f]+", line)
            if header:
                output, pending = header.group(1), None
                continue
            if output is None:
                continue
            if re.match(r"^ (\S+)$", line):
                pending = line.strip()  # a long input section name; its numbers follow
                continue
            match = entry.match(line)
            if match and (match.group(1) or pending):
                section = match.group(1) or pending
                source = (match.group(4) or "").strip()
                size = int(match.group(3), 16)
                if section.startswith((".", "*fill*")) and (source or section == "*fill*"):
                    found[output[:8]][origin(output, section, source)] += size
            pending = None
    return found


def main(scr, map_path):
    headers, table, total = sections(scr)
    print(f"| part of the file | bytes |\n|---|---:|\n| headers | {headers:,} |")
    for name, raw_size in table:
        print(f"| `{name}` | {raw_size:,} |")
    print(f"| **total** | **{total:,}** |\n")

    # Sections that take no bytes in the file (.bss) say nothing about its size.
    table = [(name, raw_size) for name, raw_size in table if raw_size]
    found = contributions(map_path)
    print("| origin | " + " | ".join(f"`{name}`" for name, _ in table) + " | all |")
    print("|---|" + "---:|" * (len(table) + 1))
    for label, key in ORIGINS:
        row = [found.get(name, {}).get(key, 0) for name, _ in table]
        if any(row):
            cells = " | ".join(f"{value:,}" if value else "" for value in row)
            print(f"| {label} | {cells} | {sum(row):,} |")


if __name__ == "__main__":
    if len(sys.argv) != 3:
        print(__doc__, file=sys.stderr)
        sys.exit(2)
    main(sys.argv[1], sys.argv[2])
