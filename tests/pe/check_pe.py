#!/usr/bin/env python3
"""Checks what Windows sees of the built .scr before it runs a line of it:

    check_pe.py FILE

a 32-bit i386 GUI program; imports from Windows' own DLLs only (no MinGW runtime DLL); an icon
group 102 whose icons are all there; no manifest (so no requested execution level, and file
virtualization still applies). Prints what it found; exit code 0 only when all holds."""

import struct
import sys

SYSTEM_DLLS = {"kernel32.dll", "user32.dll", "gdi32.dll", "comctl32.dll", "winmm.dll",
               "msvcrt.dll", "advapi32.dll"}
RT_ICON, RT_GROUP_ICON, RT_MANIFEST = 3, 14, 24
IMAGE_FILE_MACHINE_I386 = 0x14C
PE32_MAGIC = 0x10B
IMAGE_SUBSYSTEM_WINDOWS_GUI = 2


class Image:
    def __init__(self, data):
        self.data = data
        (pe,) = struct.unpack_from("<I", data, 0x3C)
        if data[:2] != b"MZ" or data[pe:pe + 4] != b"PE\0\0":
            raise ValueError("not a PE file")
        self.machine, sections, _, _, _, optional_size, _ = struct.unpack_from("<HHIIIHH", data,
                                                                            pe + 4)
        optional = pe + 24
        (self.magic,) = struct.unpack_from("<H", data, optional)
        (self.subsystem,) = struct.unpack_from("<H", data, optional + 68)
        self.directories = [struct.unpack_from("<II", data, optional + 96 + 8 * k)
                            for k in range(16)]
        table = optional + optional_size
        self.sections = [struct.unpack_from("<IIII", data, table + 40 * k + 8)
                         for k in range(sections)]  # virtual size, address, raw size, raw offset

    def offset(self, rva):
        for size, address, raw_size, raw in self.sections:
            if address <= rva < address + max(size, raw_size):
                return raw + rva - address
        raise ValueError(f"RVA {rva:#x} lies in no section")

    def string(self, rva):
        start = self.offset(rva)
        return self.data[start:self.data.index(b"\0", start)].decode("ascii")

    def imports(self):
        rva, _ = self.directories[1]
        names = []
        at = self.offset(rva)
        while True:
            descriptor = struct.unpack_from("<IIIII", self.data, at)
            if descriptor == (0, 0, 0, 0, 0):
                return names
            names.append(self.string(descriptor[3]))
            at += 20

    def resources(self):
        """{type id: {name id: data bytes}} of the integer-named resources (first language)."""
        rva, _ = self.directories[2]
        if rva == 0:
            return {}
        base = self.offset(rva)

        def entries(at):
            named, numbered = struct.unpack_from("<HH", self.data, base + at + 12)
            for k in range(named + numbered):
                name, target = struct.unpack_from("<II", self.data, base + at + 16 + 8 * k)
                yield name, target

        found = {}
        for kind, types in entries(0):
            for name, languages in entries(types & 0x7FFFFFFF):
                _, leaf = next(entries(languages & 0x7FFFFFFF))
                data_rva, size = struct.unpack_from("<II", self.data, base + leaf)
                start = self.offset(data_rva)
                found.setdefault(kind, {})[name] = self.data[start:start + size]
        return found


def check(path):
    problems = []
    with open(path, "rb") as f:
        image = Image(f.read())
    if image.machine != IMAGE_FILE_MACHINE_I386 or image.magic != PE32_MAGIC:
        problems.append(f"machine {image.machine:#x}, optional header {image.magic:#x}: not PE32 i386")
    if image.subsystem != IMAGE_SUBSYSTEM_WINDOWS_GUI:
        problems.append(f"subsystem {image.subsystem}, not the GUI subsystem")
    imports = image.imports()
    print("imports:", ", ".join(imports))
    problems += [f"imports {name}, not a Windows DLL" for name in imports
                 if name.lower() not in SYSTEM_DLLS]
    resources = image.resources()
    group = resources.get(RT_GROUP_ICON, {}).get(102)
    if group is None:
        problems.append("no icon group 102")
    else:
        _, kind, count = struct.unpack_from("<HHH", group, 0)
        icons = [struct.unpack_from("<H", group, 6 + 14 * k + 12)[0] for k in range(count)]
        print(f"icon group 102: {count} images, icons {icons}")
        if kind != 1 or count == 0:
            problems.append("icon group 102 holds no icon")
        problems += [f"icon group 102 names icon {icon}, which is missing" for icon in icons
                     if icon not in resources.get(RT_ICON, {})]
    if RT_MANIFEST in resources:
        problems.append("a manifest is embedded")
    for problem in problems:
        print("FAIL:", problem)
    return not problems


if __name__ == "__main__":
    if len(sys.argv) != 2:
        print("usage: check_pe.py FILE", file=sys.stderr)
        sys.exit(2)
    sys.exit(0 if check(sys.argv[1]) else 1)
