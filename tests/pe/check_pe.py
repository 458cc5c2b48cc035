#!/usr/bin/env python3
"""Checks what Windows sees of the built .scr before it runs a line of it:

    check_pe.py FILE --version X.Y [--imports LIST] [--license FILE]

a 32-bit i386 GUI program that Windows XP SP3 loads: no newer subsystem or system version than
XP's 5.1 asked for, every import on the committed list of functions XP has
(tests/pe/xp_imports.txt), a load configuration, if any, of the size XP expects; relocations kept for ASLR; no link time in
the header; terminal-server aware; read-only resources, every one stored in Japanese; a version
resource naming the product, the version X.Y and the LICENSE's copyright line; an icon group 102
whose icons are all there; no manifest (so no requested execution level, and file
virtualization still applies). Prints what it found; exit code 0 only when all holds."""

import argparse
import os
import struct
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
RT_ICON, RT_GROUP_ICON, RT_VERSION, RT_MANIFEST = 3, 14, 16, 24
IMAGE_FILE_MACHINE_I386 = 0x14C
IMAGE_FILE_RELOCS_STRIPPED = 0x0001
PE32_MAGIC = 0x10B
IMAGE_SUBSYSTEM_WINDOWS_GUI = 2
IMAGE_DLLCHARACTERISTICS_DYNAMIC_BASE = 0x0040
IMAGE_DLLCHARACTERISTICS_TERMINAL_SERVER_AWARE = 0x8000
IMAGE_SCN_MEM_WRITE = 0x80000000
JAPANESE = 0x411
XP_VERSION = (5, 1)
# Windows XP reads a load configuration only of this size (Microsoft's PE format, "The Load
# Configuration Structure").
XP_LOAD_CONFIG_SIZE = 64
IMPORT_DIRECTORY, RESOURCE_DIRECTORY, RELOCATION_DIRECTORY, LOAD_CONFIG_DIRECTORY = 1, 2, 5, 10


class Image:
    def __init__(self, data):
        self.data = data
        (pe,) = struct.unpack_from("<I", data, 0x3C)
        if data[:2] != b"MZ" or data[pe:pe + 4] != b"PE\0\0":
            raise ValueError("not a PE file")
        (self.machine, sections, self.timestamp, _, _, optional_size,
         self.characteristics) = struct.unpack_from("<HHIIIHH", data, pe + 4)
        optional = pe + 24
        (self.magic,) = struct.unpack_from("<H", data, optional)
        self.os_version = struct.unpack_from("<HH", data, optional + 40)
        self.subsystem_version = struct.unpack_from("<HH", data, optional + 48)
        self.subsystem, self.dll_characteristics = struct.unpack_from("<HH", data, optional + 68)
        self.directories = [struct.unpack_from("<II", data, optional + 96 + 8 * k)
                            for k in range(16)]
        table = optional + optional_size
        self.sections = [struct.unpack_from("<IIII", data, table + 40 * k + 8)
                         for k in range(sections)]  # virtual size, address, raw size, raw offset
        self.section_flags = {data[table + 40 * k:table + 40 * k + 8].rstrip(b"\0").decode():
                              struct.unpack_from("<I", data, table + 40 * k + 36)[0]
                              for k in range(sections)}

    def offset(self, rva):
        for size, address, raw_size, raw in self.sections:
            if address <= rva < address + max(size, raw_size):
                return raw + rva - address
        raise ValueError(f"RVA {rva:#x} lies in no section")

    def string(self, rva):
        start = self.offset(rva)
        return self.data[start:self.data.index(b"\0", start)].decode("ascii")

    def imports(self):
        """[(dll, function name, or None for an import by ordinal)]"""
        rva, _ = self.directories[IMPORT_DIRECTORY]
        found = []
        at = self.offset(rva)
        while True:
            lookup, _, _, name, thunks = struct.unpack_from("<IIIII", self.data, at)
            if (lookup, name, thunks) == (0, 0, 0):
                return found
            dll = self.string(name)
            entry = self.offset(lookup or thunks)
            while True:
                (value,) = struct.unpack_from("<I", self.data, entry)
                if value == 0:
                    break
                by_ordinal = value & 0x80000000
                found.append((dll, None if by_ordinal else self.string(value + 2)))
                entry += 4
            at += 20

    def resources(self):
        """{type id: {name id: data bytes}} of the integer-named resources (first language),
        and the set of every language any resource is stored under."""
        rva, _ = self.directories[RESOURCE_DIRECTORY]
        if rva == 0:
            return {}, set()
        base = self.offset(rva)

        def entries(at):
            named, numbered = struct.unpack_from("<HH", self.data, base + at + 12)
            for k in range(named + numbered):
                name, target = struct.unpack_from("<II", self.data, base + at + 16 + 8 * k)
                yield name, target

        found, languages = {}, set()
        for kind, types in entries(0):
            for name, stored in entries(types & 0x7FFFFFFF):
                leaves = list(entries(stored & 0x7FFFFFFF))
                languages.update(language for language, _ in leaves)
                data_rva, size = struct.unpack_from("<II", self.data, base + leaves[0][1])
                start = self.offset(data_rva)
                found.setdefault(kind, {})[name] = self.data[start:start + size]
        return found, languages


def version_nodes(data, at=0):
    """One VS_VERSIONINFO node: (key, value bytes, is text, [child nodes])."""
    length, value_length, is_text = struct.unpack_from("<HHH", data, at)
    end = at + 6
    while data[end:end + 2] != b"\0\0":
        end += 2
    key = data[at + 6:end].decode("utf-16-le")
    value_at = (end + 2 + 3) & ~3
    value_end = value_at + (value_length * 2 if is_text else value_length)
    children, child = [], (value_end + 3) & ~3
    while child < at + length:
        children.append(version_nodes(data, child))
        (child_length,) = struct.unpack_from("<H", data, child)
        child = (child + child_length + 3) & ~3
    return key, data[value_at:value_end], is_text, children


def check_version(resource, version, copyright_line):
    """Problems of the version resource against the project version and the licence."""
    key, fixed, _, children = version_nodes(resource)
    if key != "VS_VERSION_INFO" or len(fixed) != 52:
        return ["the version resource has no fixed part"]
    signature, _, file_ms, file_ls, product_ms, product_ls = struct.unpack_from("<6I", fixed)
    major, minor = (int(part) for part in version.split(".")[:2])
    problems = []
    if signature != 0xFEEF04BD:
        problems.append(f"version signature {signature:#x}")
    for what, ms, ls in (("file", file_ms, file_ls), ("product", product_ms, product_ls)):
        if (ms, ls) != (major << 16 | minor, 0):
            problems.append(f"{what} version {ms >> 16}.{ms & 0xFFFF}.{ls >> 16}.{ls & 0xFFFF}, "
                            f"not {major}.{minor}.0.0")
    tables = {table_key.lower(): {name: value.decode("utf-16-le").rstrip("\0")
                                  for name, value, _, _ in strings}
              for name, _, _, blocks in children if name == "StringFileInfo"
              for table_key, _, _, strings in blocks}
    translations = [struct.unpack_from("<HH", value, 4 * k)
                    for name, _, _, blocks in children if name == "VarFileInfo"
                    for var, value, _, _ in blocks if var == "Translation"
                    for k in range(len(value) // 4)]
    if not translations:
        return problems + ["the version resource names no language"]
    language, codepage = translations[0]
    strings = tables.get(f"{language:04x}{codepage:04x}")
    if strings is None:
        return problems + [f"no strings for the language {language:04x}{codepage:04x}"]
    for name, value in sorted(strings.items()):
        print(f"version resource: {name} = {value}")
    wanted = {"ProductName": "Tavorinex", "ProductVersion": version, "FileVersion": version,
              "OriginalFilename": "tavorinex.scr", "LegalCopyright": copyright_line}
    problems += [f"{name} is {strings.get(name)!r}, not {value!r}"
                 for name, value in wanted.items() if strings.get(name) != value]
    if not strings.get("FileDescription"):
        problems.append("no FileDescription")
    return problems


def check_icon(resources):
    group = resources.get(RT_GROUP_ICON, {}).get(102)
    if group is None:
        return ["no icon group 102"]
    _, kind, count = struct.unpack_from("<HHH", group, 0)
    icons = [struct.unpack_from("<H", group, 6 + 14 * k + 12)[0] for k in range(count)]
    print(f"icon group 102: {count} images, icons {icons}")
    problems = ["icon group 102 holds no icon"] if kind != 1 or count == 0 else []
    return problems + [f"icon group 102 names icon {icon}, which is missing" for icon in icons
                       if icon not in resources.get(RT_ICON, {})]


def read_allowed_imports(path):
    with open(path, encoding="utf-8") as f:
        lines = [line.split() for line in f if line.strip() and not line.startswith("#")]
    return {(dll.lower(), function) for dll, function in lines}


def read_copyright_line(path):
    with open(path, encoding="utf-8") as f:
        return next(line.strip() for line in f if line.startswith("Copyright"))


def check(path, version, imports_path, license_path):
    problems = []
    with open(path, "rb") as f:
        image = Image(f.read())
    if image.machine != IMAGE_FILE_MACHINE_I386 or image.magic != PE32_MAGIC:
        problems.append(f"machine {image.machine:#x}, optional header {image.magic:#x}: "
                        "not PE32 i386")
    if image.subsystem != IMAGE_SUBSYSTEM_WINDOWS_GUI:
        problems.append(f"subsystem {image.subsystem}, not the GUI subsystem")
    print("subsystem version {}.{}, system version {}.{}".format(*image.subsystem_version,
                                                                 *image.os_version))
    for what, asked in (("subsystem", image.subsystem_version), ("system", image.os_version)):
        if asked > XP_VERSION:
            problems.append(f"asks for {what} version {asked[0]}.{asked[1]}, newer than XP's 5.1")
    _, load_config_size = image.directories[LOAD_CONFIG_DIRECTORY]
    if load_config_size not in (0, XP_LOAD_CONFIG_SIZE):
        problems.append(f"a load configuration of {load_config_size} bytes, which XP refuses")
    _, relocations = image.directories[RELOCATION_DIRECTORY]
    if (image.characteristics & IMAGE_FILE_RELOCS_STRIPPED or relocations == 0
            or not image.dll_characteristics & IMAGE_DLLCHARACTERISTICS_DYNAMIC_BASE):
        problems.append("no relocations or no dynamic base: ASLR cannot move it")
    if image.timestamp != 0:
        problems.append(f"link time {image.timestamp} in the header: builds differ")
    if not image.dll_characteristics & IMAGE_DLLCHARACTERISTICS_TERMINAL_SERVER_AWARE:
        problems.append("not terminal-server aware: Remote Desktop gives it a compatibility layer")
    if image.section_flags.get(".rsrc", 0) & IMAGE_SCN_MEM_WRITE:
        problems.append("the resources are writable")

    imports = image.imports()
    print(f"imports: {len(imports)} functions from", ", ".join(sorted({d for d, _ in imports})))
    allowed = read_allowed_imports(imports_path)
    problems += [f"imports {dll} {name or 'by ordinal'}, which is not on the list"
                 for dll, name in imports if (dll.lower(), name) not in allowed]

    resources, languages = image.resources()
    print("resource languages:", ", ".join(f"{language:#06x}" for language in sorted(languages)))
    if languages - {JAPANESE}:
        problems.append(f"resources stored under languages other than Japanese ({JAPANESE:#x})")
    version_resource = resources.get(RT_VERSION, {}).get(1)
    if version_resource is None:
        problems.append("no version resource")
    else:
        problems += check_version(version_resource, version, read_copyright_line(license_path))
    problems += check_icon(resources)
    if RT_MANIFEST in resources:
        problems.append("a manifest is embedded")
    for problem in problems:
        print("FAIL:", problem)
    return not problems


if __name__ == "__main__":
    parser = argparse.ArgumentParser(description="Checks the built .scr as Windows sees it.")
    parser.add_argument("file")
    parser.add_argument("--version", required=True, help="the project version, X.Y")
    parser.add_argument("--imports", default=os.path.join(HERE, "xp_imports.txt"))
    parser.add_argument("--license", default=os.path.join(HERE, "..", "..", "LICENSE"))
    arguments = parser.parse_args()
    sys.exit(0 if check(arguments.file, arguments.version, arguments.imports, arguments.license)
             else 1)
