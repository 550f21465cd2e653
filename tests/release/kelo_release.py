"""Reading a release zip: its files, the resources of a Windows program, and its notices."""

import re
import struct
import zipfile

RT_MANIFEST = 24


class Release:
    """A release zip of the game: the Windows folder or the browser's page, in one top folder."""

    def __init__(self, path):
        self.path = path
        with zipfile.ZipFile(path) as archive:
            self._files = {
                info.filename: archive.read(info)
                for info in archive.infolist()
                if not info.is_dir()
            }
        tops = {name.split("/", 1)[0] for name in self._files}
        if len(tops) != 1:
            raise ValueError(f"{path} should hold one folder, not {sorted(tops)}")
        self.top = tops.pop()
        self.names = sorted(name.split("/", 1)[1] for name in self._files)
        self.windows = "kelokelo.exe" in self.names
        self.web = "kelokelo.wasm" in self.names
        if self.windows == self.web:
            raise ValueError(f"{path} is neither the Windows release nor the browser's")

    def read(self, name):
        return self._files[f"{self.top}/{name}"]

    def text(self, name):
        return self.read(name).decode("utf-8", "replace").replace("\r\n", "\n")

    def binaries(self):
        """The program and the libraries it carries, whose bytes hold what is built in."""
        ends = (".exe", ".dll") if self.windows else (".wasm",)
        return [name for name in self.names if name.endswith(ends)]

    def text_files(self):
        """The text files a player reads: README.txt, LICENSE and the notices."""
        return [
            name
            for name in self.names
            if name in ("README.txt", "LICENSE") or name.startswith("licenses/")
        ]

    def notices(self):
        """Every file of licenses/ by its path below it, as text."""
        return {
            name[len("licenses/"):]: self.text(name)
            for name in self.names
            if name.startswith("licenses/")
        }


def pe_resources(data):
    """The resources of a PE file (a Windows program or DLL): {(type, name): [data, ...]}, one
    data per language. Types and names given by number are ints, the others strings."""
    if data[:2] != b"MZ":
        raise ValueError("not a PE file: no MZ header")
    pe = struct.unpack_from("<I", data, 0x3C)[0]
    if data[pe:pe + 4] != b"PE\0\0":
        raise ValueError("not a PE file: no PE signature")
    sections, optional_size = struct.unpack_from("<H12xH", data, pe + 6)
    optional = pe + 24
    magic = struct.unpack_from("<H", data, optional)[0]
    directories = optional + {0x10B: 96, 0x20B: 112}[magic]
    resource_rva, resource_size = struct.unpack_from("<II", data, directories + 2 * 8)
    if not resource_rva:
        return {}
    table = []
    for i in range(sections):
        entry = optional + optional_size + 40 * i
        virtual_size, address, raw_size, raw = struct.unpack_from("<IIII", data, entry + 8)
        table.append((address, max(virtual_size, raw_size), raw))

    def offset(rva):
        for address, size, raw in table:
            if address <= rva < address + size:
                return raw + rva - address
        raise ValueError(f"RVA {rva:#x} lies in no section")

    base = offset(resource_rva)

    def name_of(field):
        if field & 0x80000000:
            at = base + (field & 0x7FFFFFFF)
            length = struct.unpack_from("<H", data, at)[0]
            return data[at + 2:at + 2 + 2 * length].decode("utf-16-le")
        return field

    def entries(directory):
        named, numbered = struct.unpack_from("<HH", data, base + directory + 12)
        for i in range(named + numbered):
            field, target = struct.unpack_from("<II", data, base + directory + 16 + 8 * i)
            yield name_of(field), target

    resources = {}
    for kind, kind_target in entries(0):
        for name, name_target in entries(kind_target & 0x7FFFFFFF):
            for _language, leaf in entries(name_target & 0x7FFFFFFF):
                rva, size = struct.unpack_from("<II", data, base + leaf)
                start = offset(rva)
                resources.setdefault((kind, name), []).append(data[start:start + size])
    return resources


def notice_fields(text):
    """The header fields of a notice ("Version:   1.2.13" and the like), by name."""
    fields = {}
    for line in text.splitlines():
        if not line.strip():
            if fields:
                break
            continue
        match = re.match(r"([A-Z][a-z ]+):\s+(.*)$", line)
        if match:
            fields[match.group(1)] = match.group(2).strip()
    return fields


# A copyright line of a real holder: a year, and no placeholder of a template.
COPYRIGHT = re.compile(r"(?im)^.*(?:copyright|\(c\)|©).*\b(?:19|20)\d\d\b.*$")
TEMPLATE = re.compile(r"(?i)copyright[^\n]*<year>\s*<(?:owner|copyright holders?)>")
